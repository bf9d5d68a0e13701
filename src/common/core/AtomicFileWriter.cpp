// SPDX-License-Identifier: GPL-3.0-or-later
#include "common/core/AtomicFileWriter.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/xattr.h>
#include <unistd.h>

#include <QByteArrayList>
#include <QRandomGenerator>
#include <QtGlobal>
#include <cerrno>
#include <climits>
#include <cstdlib>

#include "common/core/NativeName.h"

namespace {

constexpr int kMaxLinkHops = 40;

// Short, so that a target name near the file-name limit still leaves room for it.
QByteArray temporaryName(const QByteArray& folder) {
    static const char kChars[] = "abcdefghijklmnopqrstuvwxyz0123456789";
    QByteArray name = folder + "/.qm-";
    for (int i = 0; i < 6; ++i) name += kChars[QRandomGenerator::global()->bounded(36)];
    return name;
}

// A file written from its start, one piece after another. Every few megabytes the system is
// asked to start putting what was written on the disk (a request, not a sync), so that the disk
// works while the rest is made and written, and the closing sync has little left to wait for.
class Output {
  public:
    Output(int fd, bool positioned) : fd_(fd), positioned_(positioned) {}

    bool write(QByteArrayView bytes) {
        const char* data = bytes.data();
        qsizetype done = 0;
        while (done < bytes.size()) {
            const size_t chunk = size_t(qMin<qsizetype>(bytes.size() - done, kWritebackStep));
            const ssize_t n = positioned_ ? ::pwrite(fd_, data + done, chunk, written_)
                                          : ::write(fd_, data + done, chunk);
            if (n < 0) {
                if (errno == EINTR) continue;
                return false;
            }
            if (n == 0) {
                errno = EIO;
                return false;
            }
            done += n;
            written_ += n;
            if (written_ - handedOver_ >= kWritebackStep) {
                // Fails on pipes and some file systems; a failed write-back shows in the sync.
                ::sync_file_range(fd_, handedOver_, written_ - handedOver_, SYNC_FILE_RANGE_WRITE);
                handedOver_ = written_;
            }
        }
        return true;
    }

  private:
    static constexpr off_t kWritebackStep = 8 << 20;
    int fd_;
    bool positioned_;
    off_t written_ = 0;
    off_t handedOver_ = 0;
};

// Pipes, terminals and some file systems cannot be synced; that is no failure.
bool syncFd(int fd) {
    return ::fsync(fd) == 0 || errno == EINVAL || errno == EROFS;
}

bool syncFolder(const QByteArray& folder) {
    const int fd = ::open(folder.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return false;
    const bool synced = syncFd(fd);
    const int code = errno;
    ::close(fd);
    errno = code;
    return synced;
}

// Access lists and extended attributes would not come over to a new file. The security
// module's label is left out: a new file in the same folder gets the same one.
bool hasExtendedAttributes(const QByteArray& path) {
    const ssize_t size = ::listxattr(path.constData(), nullptr, 0);
    if (size <= 0) return false;
    QByteArray names(size, '\0');
    const ssize_t got = ::listxattr(path.constData(), names.data(), size_t(names.size()));
    if (got <= 0) return got < 0;  // changed meanwhile: be careful
    for (const QByteArray& name : names.left(got).split('\0')) {
        if (!name.isEmpty() && name != "security.selinux") return true;
    }
    return false;
}

// The folder part of an absolute native path ("/" for a file at the root).
QByteArray folderOf(const QByteArray& path) {
    const qsizetype slash = path.lastIndexOf('/');
    return slash <= 0 ? QByteArray("/") : path.left(slash);
}

// Relative names are taken from the current folder, as the system takes them.
QByteArray absoluteNative(const QByteArray& path) {
    if (path.startsWith('/')) return path;
    char* cwd = ::getcwd(nullptr, 0);
    const QByteArray folder = cwd ? QByteArray(cwd) : QByteArray(".");
    ::free(cwd);
    return folder + '/' + path;
}

// Where a chain of symbolic links ends: the path of the file (that may not exist yet) they lead to.
bool resolveLinks(QByteArray* path) {
    for (int hops = 0;; ++hops) {
        struct stat st;
        if (::lstat(path->constData(), &st) != 0 || !S_ISLNK(st.st_mode)) return true;
        if (hops == kMaxLinkHops) {
            errno = ELOOP;
            return false;
        }
        QByteArray target(PATH_MAX, '\0');
        const ssize_t length = ::readlink(path->constData(), target.data(), size_t(target.size()));
        if (length < 0) return false;
        target.truncate(length);
        *path = target.startsWith('/') ? target : folderOf(*path) + '/' + target;
    }
}

}  // namespace

void AtomicFileWriter::reportFileSizeLimitAsError() {
    struct sigaction action = {};
    action.sa_handler = [](int) {};
    sigemptyset(&action.sa_mask);
    ::sigaction(SIGXFSZ, &action, nullptr);
}

bool AtomicFileWriter::fail(const QString& reason) {
    error_ = reason;
    return false;
}

bool AtomicFileWriter::failErrno(int code) {
    return fail(qt_error_string(code));
}

bool AtomicFileWriter::write(QByteArrayView bytes) {
    pieces_ = nullptr;
    return writeBytes(bytes);
}

bool AtomicFileWriter::write(const Pieces& next) {
    pieces_ = &next;
    const bool written = writeBytes(QByteArrayView());
    pieces_ = nullptr;
    return written;
}

void AtomicFileWriter::gatherPieces(QByteArray* gathered, QByteArrayView* bytes) {
    if (!pieces_) return;
    for (QByteArrayView piece = (*pieces_)(); !piece.isEmpty(); piece = (*pieces_)())
        gathered->append(piece);
    pieces_ = nullptr;
    *bytes = *gathered;
}

// A new file's content, from the start.
bool AtomicFileWriter::writeContent(int fd, QByteArrayView bytes) {
    Output out(fd, false);
    if (!pieces_) return out.write(bytes);
    for (QByteArrayView piece = (*pieces_)(); !piece.isEmpty(); piece = (*pieces_)()) {
        if (!out.write(piece)) return false;
    }
    return true;
}

bool AtomicFileWriter::writeBytes(QByteArrayView bytes) {
    error_.clear();
    if (path_.isEmpty()) return fail(QStringLiteral("No file name was given."));
    struct stat st;
    const QByteArray nativePath = NativeName::encode(path_);
    // A device or pipe, also behind a link such as /dev/stdout, is written as it is.
    if (!private_ && ::stat(nativePath.constData(), &st) == 0 && !S_ISREG(st.st_mode) &&
        !S_ISDIR(st.st_mode))
        return writeDirect(nativePath, bytes);

    QByteArray nativeTarget = absoluteNative(nativePath);
    if (!private_ && !resolveLinks(&nativeTarget)) return failErrno(errno);
    const QByteArray nativeFolder = folderOf(nativeTarget);
    if (::stat(nativeFolder.constData(), &st) != 0) {
        if (errno == ENOENT) return fail(QStringLiteral("The folder does not exist."));
        return failErrno(errno);
    }
    if (!S_ISDIR(st.st_mode)) return failErrno(ENOTDIR);

    const bool folderWritable =
        ::faccessat(AT_FDCWD, nativeFolder.constData(), W_OK, AT_EACCESS) == 0;
    const int folderError = errno;
    // Not following links, a link in the target's place is simply replaced.
    const bool exists = ::lstat(nativeTarget.constData(), &st) == 0 && !S_ISLNK(st.st_mode);
    if (!exists) {
        if (!folderWritable) return failErrno(folderError);
        return replace(nativeFolder, nativeTarget, bytes, nullptr);
    }
    if (S_ISDIR(st.st_mode)) return fail(QStringLiteral("It is a folder, not a file."));
    if (!S_ISREG(st.st_mode)) {
        if (private_) return fail(QStringLiteral("It is not a regular file."));
        return writeDirect(nativeTarget, bytes);
    }
    if (private_) {
        if (!folderWritable) return failErrno(folderError);
        return replace(nativeFolder, nativeTarget, bytes, &st);
    }
    // A read-only file is not to be replaced, even where the folder would allow it.
    if (::faccessat(AT_FDCWD, nativeTarget.constData(), W_OK, AT_EACCESS) != 0)
        return failErrno(errno);
    if (st.st_nlink > 1 || !folderWritable || hasExtendedAttributes(nativeTarget))
        return writeInPlace(nativeTarget, bytes);
    return replace(nativeFolder, nativeTarget, bytes, &st);
}

bool AtomicFileWriter::replace(const QByteArray& nativeFolder, const QByteArray& nativeTarget,
                               QByteArrayView bytes, const struct stat* old) {
    QByteArray temporary;
    int fd = -1;
    for (int attempt = 0; attempt < 100 && fd < 0; ++attempt) {
        temporary = temporaryName(nativeFolder);
        fd = ::open(temporary.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW,
                    private_ || old ? 0600 : 0666);
        if (fd < 0 && errno != EEXIST) break;
    }
    if (fd < 0) {
        // The access check passed, yet no file can be made here (a server that maps root to
        // nobody, a security module): never give up the old file for that.
        if (old && !private_) return writeInPlace(nativeTarget, bytes);
        return failErrno(errno);
    }
    const auto discard = [&](int code) {
        ::close(fd);
        ::unlink(temporary.constData());
        return failErrno(code);
    };
    // A private copy has its mode from the start: there is no moment at which others could
    // open it. The umask can only take more away.
    if (old && !private_) {
        // The new file belongs to this process's user and to its group, or in a set-group-ID
        // folder to the folder's group: what counts is whether it matches the old file.
        struct stat made;
        if (::fstat(fd, &made) != 0) return discard(errno);
        if ((made.st_uid != old->st_uid || made.st_gid != old->st_gid) &&
            ::fchown(fd, old->st_uid, old->st_gid) != 0) {
            // Another user's file, or a group this user is not in: only writing in place keeps
            // the file's owner and group.
            ::close(fd);
            ::unlink(temporary.constData());
            return writeInPlace(nativeTarget, bytes);
        }
        // After the owner: a change of owner clears the set-id bits.
        if (::fchmod(fd, old->st_mode & 07777) != 0) return discard(errno);
    }
    if (!writeContent(fd, bytes) || !syncFd(fd)) return discard(errno);
    if (::close(fd) != 0) {
        const int code = errno;
        ::unlink(temporary.constData());
        return failErrno(code);
    }
    if (::rename(temporary.constData(), nativeTarget.constData()) != 0) {
        const int code = errno;
        ::unlink(temporary.constData());
        return failErrno(code);
    }
    if (!syncFolder(nativeFolder)) return failErrno(errno);
    return true;
}

// Reserves the room first, so that a full disk or a size limit is found out before the old
// content is touched, then writes, trims and syncs.
bool AtomicFileWriter::writeInPlace(const QByteArray& nativePath, QByteArrayView bytes) {
    QByteArray gathered;
    gatherPieces(&gathered, &bytes);
    const int fd = ::open(nativePath.constData(), O_WRONLY | O_CLOEXEC | O_NOCTTY);
    if (fd < 0) return failErrno(errno);
    const auto abandon = [&](int code) {
        ::close(fd);
        return failErrno(code);
    };
    struct stat st;
    if (::fstat(fd, &st) != 0) return abandon(errno);
    const off_t newSize = off_t(bytes.size());
    if (newSize > st.st_size) {
        const int rc = ::posix_fallocate(fd, st.st_size, newSize - st.st_size);
        if (rc != 0 && rc != EOPNOTSUPP && rc != EINVAL) {
            if (::ftruncate(fd, st.st_size) != 0) {
                // Nothing more to undo: the old content itself was not touched.
            }
            return abandon(rc);
        }
    }
    if (!Output(fd, true).write(bytes)) return abandon(errno);
    if (::ftruncate(fd, newSize) != 0 || !syncFd(fd)) return abandon(errno);
    if (::close(fd) != 0) return failErrno(errno);
    return true;
}

bool AtomicFileWriter::writeDirect(const QByteArray& nativePath, QByteArrayView bytes) {
    QByteArray gathered;
    gatherPieces(&gathered, &bytes);
    // Without a reader a pipe would block the program for good: refused at once instead.
    const int fd = ::open(nativePath.constData(), O_WRONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK);
    if (fd < 0) return failErrno(errno);
    const int flags = ::fcntl(fd, F_GETFL);
    if (flags < 0 || ::fcntl(fd, F_SETFL, flags & ~O_NONBLOCK) != 0 ||
        !Output(fd, false).write(bytes) || !syncFd(fd)) {
        const int code = errno;
        ::close(fd);
        return failErrno(code);
    }
    if (::close(fd) != 0) return failErrno(errno);
    return true;
}
