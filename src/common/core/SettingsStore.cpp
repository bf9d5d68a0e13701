// SPDX-License-Identifier: GPL-3.0-or-later
#include "common/core/SettingsStore.h"

#include <QSettings>
#include <memory>

namespace SettingsStore {
namespace {

constexpr auto kOrganisation = "Quillo";
constexpr auto kApplication = "Quillo";
constexpr auto kSection = "Settings";

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

QString keyPath(const QString& key) {
    return QStringLiteral("%1/%2").arg(kSection, key);
}

}  // namespace

QString GetSetting(const QString& key, const QString& defaultValue) {
    const QVariant value = open()->value(keyPath(key));
    // A value another program wrote as a list or number still reads as text.
    if (!value.isValid()) return defaultValue;
    if (value.typeId() == QMetaType::QStringList)
        return value.toStringList().join(QLatin1Char(','));
    return value.toString();
}

void SaveSetting(const QString& key, const QString& value) {
    auto settings = open();
    settings->setValue(keyPath(key), value);
    settings->sync();
}

bool HasSetting(const QString& key) {
    return open()->contains(keyPath(key));
}

void setStorageFolder(const QString& folder) {
    overrideFolder() = folder;
}

QString storageFile() {
    return open()->fileName();
}

}  // namespace SettingsStore
