// SPDX-License-Identifier: GPL-3.0-or-later
#include "common/core/FileIdentity.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <xxhash.h>

#include <QCryptographicHash>
#include <QDataStream>
#include <QDateTime>
#include <QFile>

#include "common/core/NativeName.h"

namespace {

// A change within this long before the capture might be followed by one with the same time
// stamp (coarse clocks, network file systems).
constexpr qint64 kDoubtfulSeconds = 2;

// Recovery copies from before XXH3 keep SHA-1's 20 bytes, and are compared with SHA-1; the size
// of the stored hash tells which.
constexpr qsizetype kSha1Size = 20;

}  // namespace

FileIdentity::ContentHash::ContentHash() : state_(XXH3_createState()) {
    if (state_) XXH3_128bits_reset(state_);
}

FileIdentity::ContentHash::~ContentHash() {
    XXH3_freeState(state_);
}

void FileIdentity::ContentHash::add(QByteArrayView piece) {
    if (state_) XXH3_128bits_update(state_, piece.data(), size_t(piece.size()));
}

QByteArray FileIdentity::ContentHash::result() const {
    if (!state_) return QByteArray();  // no memory for the state: the stamp alone is kept
    XXH128_canonical_t canonical;
    XXH128_canonicalFromHash(&canonical, XXH3_128bits_digest(state_));
    return QByteArray(reinterpret_cast<const char*>(canonical.digest), sizeof canonical);
}

bool FileIdentity::Stamp::operator==(const Stamp& o) const {
    return exists == o.exists && device == o.device && inode == o.inode && size == o.size &&
           mtimeSec == o.mtimeSec && mtimeNsec == o.mtimeNsec && ctimeSec == o.ctimeSec &&
           ctimeNsec == o.ctimeNsec;
}

FileIdentity::Stamp FileIdentity::stampOf(const QString& path) {
    Stamp stamp;
    struct stat st;
    if (::stat(NativeName::encode(path).constData(), &st) != 0) return stamp;
    stamp.exists = true;
    stamp.device = st.st_dev;
    stamp.inode = st.st_ino;
    stamp.size = st.st_size;
    stamp.mtimeSec = st.st_mtim.tv_sec;
    stamp.mtimeNsec = st.st_mtim.tv_nsec;
    stamp.ctimeSec = st.st_ctim.tv_sec;
    stamp.ctimeNsec = st.st_ctim.tv_nsec;
    return stamp;
}

QByteArray FileIdentity::hashOfFile(const QString& path, qsizetype hashSize) {
    const int fd = ::open(NativeName::encode(path).constData(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return QByteArray();
    QFile file;
    if (!file.open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle)) {
        ::close(fd);
        return QByteArray();
    }
    if (hashSize == kSha1Size) {
        QCryptographicHash legacy(QCryptographicHash::Sha1);
        return legacy.addData(&file) ? legacy.result() : QByteArray();
    }
    ContentHash hash;
    QByteArray buffer(1 << 20, Qt::Uninitialized);
    for (;;) {
        const qint64 n = file.read(buffer.data(), buffer.size());
        if (n < 0) return QByteArray();
        if (n == 0) break;
        hash.add(QByteArrayView(buffer.constData(), n));
    }
    return hash.result();
}

FileIdentity FileIdentity::capture(const QString& path, QByteArrayView content) {
    ContentHash hash;
    hash.add(content);
    return capture(path, hash);
}

FileIdentity FileIdentity::capture(const QString& path, const ContentHash& content) {
    FileIdentity identity;
    identity.path_ = NativeName::absolute(path);
    identity.stamp_ = stampOf(path);
    const qint64 now = QDateTime::currentSecsSinceEpoch();
    const bool recent = identity.stamp_.mtimeSec >= now - kDoubtfulSeconds;
    const bool coarse = identity.stamp_.mtimeNsec == 0;
    if (identity.stamp_.exists && (recent || coarse)) identity.hash_ = content.result();
    return identity;
}

bool FileIdentity::isAbout(const QString& path) const {
    if (isEmpty()) return false;
    if (NativeName::absolute(path) == path_) return true;
    const Stamp other = stampOf(path);
    return other.exists && stamp_.exists && other.device == stamp_.device &&
           other.inode == stamp_.inode;
}

FileIdentity::Change FileIdentity::changeOnDisk() const {
    if (isEmpty()) return Change::None;
    const Stamp now = stampOf(path_);
    if (!now.exists) return stamp_.exists ? Change::Vanished : Change::None;
    if (!(now == stamp_)) return Change::Changed;
    if (!hash_.isEmpty() && hashOfFile(path_, hash_.size()) != hash_) return Change::Changed;
    return Change::None;
}

QDataStream& operator<<(QDataStream& out, const FileIdentity& identity) {
    const FileIdentity::Stamp& s = identity.stamp_;
    return out << identity.path_ << s.exists << s.device << s.inode << s.size << s.mtimeSec
               << s.mtimeNsec << s.ctimeSec << s.ctimeNsec << identity.hash_;
}

QDataStream& operator>>(QDataStream& in, FileIdentity& identity) {
    FileIdentity::Stamp& s = identity.stamp_;
    return in >> identity.path_ >> s.exists >> s.device >> s.inode >> s.size >> s.mtimeSec >>
           s.mtimeNsec >> s.ctimeSec >> s.ctimeNsec >> identity.hash_;
}
