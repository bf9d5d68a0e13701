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

bool FileIdentity::doubtful(const Stamp& stamp) {
    const bool recent = stamp.mtimeSec >= QDateTime::currentSecsSinceEpoch() - kDoubtfulSeconds;
    const bool coarse = stamp.mtimeNsec == 0;
    return stamp.exists && (recent || coarse);
}

QByteArray FileIdentity::hashOfFile(const QString& path, qsizetype hashSize,
                                    const std::atomic<bool>* stop) {
    const int fd = ::open(NativeName::encode(path).constData(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return QByteArray();
    QFile file;
    if (!file.open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle)) {
        ::close(fd);
        return QByteArray();
    }
    const bool legacy = hashSize == kSha1Size;
    QCryptographicHash sha1(QCryptographicHash::Sha1);
    ContentHash hash;
    QByteArray buffer(1 << 20, Qt::Uninitialized);
    for (;;) {
        if (stop && stop->load()) return QByteArray();
        const qint64 n = file.read(buffer.data(), buffer.size());
        if (n < 0) return QByteArray();
        if (n == 0) break;
        const QByteArrayView piece(buffer.constData(), n);
        legacy ? sha1.addData(piece) : hash.add(piece);
    }
    return legacy ? sha1.result() : hash.result();
}

FileIdentity FileIdentity::capture(const QString& path, QByteArrayView content) {
    ContentHash hash;
    hash.add(content);
    return capture(path, hash);
}

FileIdentity FileIdentity::capture(const QString& path, const ContentHash& content) {
    return made(path, stampOf(path), content.result());
}

FileIdentity FileIdentity::captureFile(const QString& path) {
    const Stamp stamp = stampOf(path);
    QByteArray hash =
        stamp.exists ? hashOfFile(path, sizeof(XXH128_canonical_t), nullptr) : QByteArray();
    if (!(stampOf(path) == stamp)) hash.clear();  // changed while it was read
    return made(path, stamp, std::move(hash));
}

FileIdentity FileIdentity::made(const QString& path, const Stamp& stamp, QByteArray hash) {
    FileIdentity identity;
    identity.path_ = NativeName::absolute(path);
    identity.stamp_ = stamp;
    if (stamp.exists) identity.hash_ = std::move(hash);
    identity.compareContent_ = doubtful(stamp);
    return identity;
}

bool FileIdentity::isAbout(const QString& path) const {
    if (isEmpty()) return false;
    if (NativeName::absolute(path) == path_) return true;
    const Stamp other = stampOf(path);
    return other.exists && stamp_.exists && other.device == stamp_.device &&
           other.inode == stamp_.inode;
}

FileIdentity::Change FileIdentity::changeOnDisk(FileIdentity* restamped,
                                                const std::atomic<bool>* stop) const {
    if (isEmpty()) return Change::None;
    const Stamp now = stampOf(path_);
    if (!now.exists) return stamp_.exists ? Change::Vanished : Change::None;
    const bool sameStamp = now == stamp_;
    if (sameStamp && !compareContent_) return Change::None;
    // Another size, or nothing to compare the content with: the stamp decides.
    if (!stamp_.exists || now.size != stamp_.size || hash_.isEmpty())
        return sameStamp ? Change::None : Change::Changed;
    if (hashOfFile(path_, hash_.size(), stop) != hash_) return Change::Changed;
    // The bytes read may be a mix of before and after a write made meanwhile.
    if (!(stampOf(path_) == now)) return Change::Changed;
    FileIdentity current = *this;
    current.stamp_ = now;
    current.compareContent_ = doubtful(now);
    if (restamped && current != *this) *restamped = std::move(current);
    return Change::None;
}

bool FileIdentity::operator==(const FileIdentity& other) const {
    return path_ == other.path_ && stamp_ == other.stamp_ && hash_ == other.hash_ &&
           compareContent_ == other.compareContent_;
}

QDataStream& operator<<(QDataStream& out, const FileIdentity& identity) {
    const FileIdentity::Stamp& s = identity.stamp_;
    return out << identity.path_ << s.exists << s.device << s.inode << s.size << s.mtimeSec
               << s.mtimeNsec << s.ctimeSec << s.ctimeNsec
               << (identity.compareContent_ ? identity.hash_ : QByteArray());
}

QDataStream& operator>>(QDataStream& in, FileIdentity& identity) {
    FileIdentity::Stamp& s = identity.stamp_;
    in >> identity.path_ >> s.exists >> s.device >> s.inode >> s.size >> s.mtimeSec >>
        s.mtimeNsec >> s.ctimeSec >> s.ctimeNsec >> identity.hash_;
    identity.compareContent_ = !identity.hash_.isEmpty();
    return in;
}
