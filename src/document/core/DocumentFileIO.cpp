#include "document/core/DocumentFileIO.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <cerrno>
#include <cstring>

namespace {

constexpr int kMaxLinkHops = 40;

void setError(QString* error, const QString& reason) {
    if (error) *error = reason;
}

QString errnoReason(int code) {
    return QString::fromLocal8Bit(std::strerror(code));
}

// Overwrites the file in place: reserves the room first, so that a full disk is found out
// before the old content is touched, then writes, trims and syncs.
bool writeInPlace(const QString& target, const QByteArray& bytes, QString* error) {
    const QByteArray nativePath = QFile::encodeName(target);
    const int fd = ::open(nativePath.constData(), O_WRONLY | O_CLOEXEC);
    if (fd < 0) {
        setError(error, errnoReason(errno));
        return false;
    }
    const auto fail = [&](int code) {
        ::close(fd);
        setError(error, errnoReason(code));
        return false;
    };
    struct stat st;
    if (::fstat(fd, &st) != 0) return fail(errno);
    const off_t newSize = off_t(bytes.size());
    if (newSize > st.st_size) {
        const int rc = ::posix_fallocate(fd, st.st_size, newSize - st.st_size);
        if (rc != 0 && rc != EOPNOTSUPP && rc != EINVAL) {
            if (::ftruncate(fd, st.st_size) != 0) {
                // Nothing more to undo; the old content itself was not touched.
            }
            return fail(rc);
        }
    }
    const char* data = bytes.constData();
    off_t done = 0;
    while (done < newSize) {
        const ssize_t n = ::pwrite(fd, data + done, size_t(newSize - done), done);
        if (n < 0) {
            if (errno == EINTR) continue;
            return fail(errno);
        }
        done += n;
    }
    if (::ftruncate(fd, newSize) != 0) return fail(errno);
    if (::fsync(fd) != 0 && errno != EINVAL) return fail(errno);
    if (::close(fd) != 0) {
        setError(error, errnoReason(errno));
        return false;
    }
    return true;
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
    if (path.isEmpty()) {
        setError(error, QStringLiteral("No file name was given."));
        return false;
    }
    // Follow symbolic links to the file that really holds the content.
    QFileInfo info(path);
    int hops = 0;
    while (info.isSymLink()) {
        if (++hops > kMaxLinkHops) {
            setError(error, errnoReason(ELOOP));
            return false;
        }
        info.setFile(info.symLinkTarget());
    }
    const QString target = info.absoluteFilePath();
    const QString folder = info.absolutePath();
    const QFileInfo folderInfo(folder);
    if (!folderInfo.exists()) {
        setError(error, QStringLiteral("The folder does not exist."));
        return false;
    }
    if (!folderInfo.isDir()) {
        setError(error, errnoReason(ENOTDIR));
        return false;
    }

    const QByteArray nativeTarget = QFile::encodeName(target);
    struct stat st;
    const bool exists = ::stat(nativeTarget.constData(), &st) == 0;
    if (exists) {
        if (S_ISDIR(st.st_mode)) {
            setError(error, QStringLiteral("It is a folder, not a file."));
            return false;
        }
        if (!S_ISREG(st.st_mode)) {
            setError(error, QStringLiteral("It is not a regular file."));
            return false;
        }
        if (::faccessat(AT_FDCWD, nativeTarget.constData(), W_OK, AT_EACCESS) != 0) {
            setError(error, errnoReason(errno));
            return false;
        }
        const bool folderWritable =
            ::faccessat(AT_FDCWD, QFile::encodeName(folder).constData(), W_OK, AT_EACCESS) == 0;
        if (st.st_nlink > 1 || !folderWritable) return writeInPlace(target, bytes, error);
    } else if (::faccessat(AT_FDCWD, QFile::encodeName(folder).constData(), W_OK, AT_EACCESS) !=
               0) {
        setError(error, errnoReason(errno));
        return false;
    }

    QSaveFile file(target);
    // Should a sibling still prove impossible to create, write in place rather than fail.
    file.setDirectWriteFallback(true);
    if (!file.open(QIODevice::WriteOnly)) {
        setError(error, file.errorString());
        return false;
    }
    if (file.write(bytes) != bytes.size()) {
        setError(error, file.errorString());
        file.cancelWriting();
        return false;
    }
    if (!file.commit()) {
        setError(error, file.errorString());
        return false;
    }
    return true;
}

}  // namespace DocumentFileIO
