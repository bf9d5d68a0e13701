// SPDX-License-Identifier: GPL-3.0-or-later
#include "common/core/PrivateFolder.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <cerrno>

namespace PrivateFolder {

bool ensure(const QString& path, QString* error) {
    const auto fail = [error](const QString& reason) {
        if (error) *error = reason;
        return false;
    };
    const QByteArray native = QFile::encodeName(QFileInfo(path).absoluteFilePath());
    if (::mkdir(native.constData(), 0700) != 0 && errno != EEXIST) {
        if (errno != ENOENT || !QDir().mkpath(QFileInfo(path).absolutePath()) ||
            (::mkdir(native.constData(), 0700) != 0 && errno != EEXIST))
            return fail(qt_error_string(errno));
    }
    // Checked through the opened folder itself, so it cannot be swapped for a link meanwhile.
    const int fd = ::open(native.constData(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0) {
        if (errno == ELOOP || errno == ENOTDIR)
            return fail(QStringLiteral("It is a symbolic link or not a folder."));
        return fail(qt_error_string(errno));
    }
    struct stat st;
    QString reason;
    if (::fstat(fd, &st) != 0)
        reason = qt_error_string(errno);
    else if (st.st_uid != ::geteuid())
        reason = QStringLiteral("The folder belongs to another user.");
    else if ((st.st_mode & 07777) != 0700 && ::fchmod(fd, 0700) != 0)
        reason = qt_error_string(errno);
    ::close(fd);
    return reason.isEmpty() || fail(reason);
}

}  // namespace PrivateFolder
