// SPDX-License-Identifier: GPL-3.0-or-later
#include "common/core/SettingsStore.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QDateTime>
#include <QDir>
#include <QSettings>
#include <QStandardPaths>
#include <cerrno>
#include <memory>

#include "common/core/NativeName.h"

namespace SettingsStore {
namespace {

constexpr auto kOrganisation = "Quillo";
constexpr auto kApplication = "Quillo";
constexpr auto kSection = "Settings";

// Far beyond what the program's keys take (a few hundred bytes), far below what would make
// reading the store slow.
constexpr qint64 kMaxStoreBytes = 64 * 1024;

// Set when an unusable store could not be moved aside: it is then neither read nor written.
bool& storeDisabled() {
    static bool disabled = false;
    return disabled;
}

QString& overrideFolder() {
    static QString folder;
    return folder;
}

std::unique_ptr<QSettings> open() {
    if (!overrideFolder().isEmpty()) {
        return std::make_unique<QSettings>(overrideFolder() + QStringLiteral("/Quillo.conf"),
                                           QSettings::IniFormat);
    }
    // The platform's own per-user store: ~/.config/Quillo/Quillo.conf on Linux.
    return std::make_unique<QSettings>(QSettings::NativeFormat, QSettings::UserScope, kOrganisation,
                                       kApplication);
}

// The file the store reads, found without opening the store (which reads all of it).
QString storePath() {
    if (!overrideFolder().isEmpty()) return overrideFolder() + QStringLiteral("/Quillo.conf");
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) +
           QStringLiteral("/Quillo/Quillo.conf");
}

// Why the store at `native` cannot be used, or empty.
QString problemWith(const QByteArray& native) {
    struct stat st;
    if (::stat(native.constData(), &st) != 0) return QString();  // none yet: a new one begins
    if (!S_ISREG(st.st_mode)) return QStringLiteral("is not a file");
    if (st.st_size > kMaxStoreBytes) {
        return QStringLiteral("is too large to be this program's (%L1 bytes; at most %L2)")
            .arg(qint64(st.st_size))
            .arg(kMaxStoreBytes);
    }
    const int fd = ::open(native.constData(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) return QStringLiteral("cannot be read (%1)").arg(qt_error_string(errno));
    ::close(fd);
    return QString();
}

QString keyPath(const QString& key) {
    return QStringLiteral("%1/%2").arg(kSection, key);
}

}  // namespace

QString setAsideIfUnusable() {
    const QString path = storePath();
    const QByteArray native = NativeName::encode(path);
    const QString problem = problemWith(native);
    if (problem.isEmpty()) return QString();
    const QString aside = path + QStringLiteral(".unusable-") +
                          QDateTime::currentDateTime().toString(QStringLiteral("yyyyMMdd-hhmmss"));
    const QString shown = QDir::toNativeSeparators(path);
    if (::rename(native.constData(), NativeName::encode(aside).constData()) != 0) {
        storeDisabled() = true;
        return QStringLiteral(
                   "The settings file \"%1\" %2, and it cannot be moved aside (%3).\n"
                   "The default settings are used, and changes are not kept.")
            .arg(shown, problem, qt_error_string(errno));
    }
    return QStringLiteral(
               "The settings file \"%1\" %2.\nIt has been moved aside as \"%3\", "
               "and the default settings are used.")
        .arg(shown, problem, QDir::toNativeSeparators(aside));
}

QString GetSetting(const QString& key, const QString& defaultValue) {
    if (storeDisabled()) return defaultValue;
    const QVariant value = open()->value(keyPath(key));
    // A value another program wrote as a list or number still reads as text.
    if (!value.isValid()) return defaultValue;
    if (value.typeId() == QMetaType::QStringList)
        return value.toStringList().join(QLatin1Char(','));
    return value.toString();
}

void SaveSetting(const QString& key, const QString& value) {
    if (storeDisabled()) return;
    auto settings = open();
    settings->setValue(keyPath(key), value);
    settings->sync();
}

bool HasSetting(const QString& key) {
    if (storeDisabled()) return false;
    return open()->contains(keyPath(key));
}

void setStorageFolder(const QString& folder) {
    overrideFolder() = folder;
    storeDisabled() = false;
}

QString storageFile() {
    return open()->fileName();
}

}  // namespace SettingsStore
