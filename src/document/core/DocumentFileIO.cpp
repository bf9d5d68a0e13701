// SPDX-License-Identifier: GPL-3.0-or-later
#include "document/core/DocumentFileIO.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QFile>
#include <cerrno>

#include "common/core/AtomicFileWriter.h"
#include "common/core/NativeName.h"

namespace {

void setError(QString* error, const QString& reason) {
    if (error) *error = reason;
}

}  // namespace

namespace DocumentFileIO {

bool readFile(const QString& path, QByteArray* bytes, QString* error, qint64 maxBytes) {
    const auto fail = [&](const QString& reason) {
        setError(error, reason);
        return false;
    };
    const auto notAFile = [&](const struct stat& st) {
        if (S_ISDIR(st.st_mode)) return fail(QStringLiteral("It is a folder, not a file."));
        return fail(QStringLiteral("It is not a regular file."));
    };
    // Looked at before opening (opening a device can do something), and again once open, so
    // that what is read is what was checked.
    const QByteArray native = NativeName::encode(path);
    struct stat st;
    if (::stat(native.constData(), &st) != 0) {
        if (errno != ENOENT) return fail(qt_error_string(errno));
        const QString unrepresentable = NativeName::unrepresentableReason(path);
        return fail(unrepresentable.isEmpty() ? QStringLiteral("The file does not exist.")
                                              : unrepresentable);
    }
    if (!S_ISREG(st.st_mode)) return notAFile(st);
    const int fd = ::open(native.constData(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK);
    if (fd < 0) return fail(qt_error_string(errno));
    QFile file;
    if (!file.open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle)) {
        ::close(fd);
        return fail(file.errorString());
    }
    if (::fstat(fd, &st) != 0) return fail(qt_error_string(errno));
    if (!S_ISREG(st.st_mode)) return notAFile(st);
    const auto tooLarge = [&](qint64 size) {
        return fail(QStringLiteral("The file is too large (%1 MB; at most %2 MB can be opened).")
                        .arg(double(size) / (1024 * 1024), 0, 'f', 1)
                        .arg(maxBytes / (1024 * 1024)));
    };
    if (st.st_size > maxBytes) return tooLarge(st.st_size);
    // The file may grow between the size check and the read: never read beyond the limit.
    QByteArray data = file.read(maxBytes + 1);
    if (file.error() != QFileDevice::NoError) return fail(file.errorString());
    if (data.size() > maxBytes) return tooLarge(data.size());
    if (bytes) *bytes = std::move(data);
    return true;
}

bool writeFile(const QString& path, const QByteArray& bytes, QString* error) {
    AtomicFileWriter writer(path);
    if (writer.write(bytes)) return true;
    setError(error, writer.errorString());
    return false;
}

bool writeFile(const QString& path, const std::function<QByteArrayView()>& pieces, QString* error) {
    AtomicFileWriter writer(path);
    if (writer.write(pieces)) return true;
    setError(error, writer.errorString());
    return false;
}

}  // namespace DocumentFileIO
