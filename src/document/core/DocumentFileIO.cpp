// SPDX-License-Identifier: GPL-3.0-or-later
#include "document/core/DocumentFileIO.h"

#include <QFile>
#include <QFileInfo>

#include "common/core/AtomicFileWriter.h"

namespace {

void setError(QString* error, const QString& reason) {
    if (error) *error = reason;
}

}  // namespace

namespace DocumentFileIO {

bool readFile(const QString& path, QByteArray* bytes, QString* error, qint64 maxBytes) {
    const QFileInfo info(path);
    if (!info.exists()) {
        setError(error, QStringLiteral("The file does not exist."));
        return false;
    }
    if (info.isDir()) {
        setError(error, QStringLiteral("It is a folder, not a file."));
        return false;
    }
    if (!info.isFile()) {
        setError(error, QStringLiteral("It is not a regular file."));
        return false;
    }
    const auto tooLarge = [&](qint64 size) {
        setError(error,
                 QStringLiteral("The file is too large (%1 MB; at most %2 MB can be opened).")
                     .arg(double(size) / (1024 * 1024), 0, 'f', 1)
                     .arg(maxBytes / (1024 * 1024)));
        return false;
    };
    if (info.size() > maxBytes) return tooLarge(info.size());
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        setError(error, file.errorString());
        return false;
    }
    // The file may grow between the size check and the read: never read beyond the limit.
    QByteArray data = file.read(maxBytes + 1);
    if (file.error() != QFileDevice::NoError) {
        setError(error, file.errorString());
        return false;
    }
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

}  // namespace DocumentFileIO
