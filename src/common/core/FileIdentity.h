// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <atomic>

class QDataStream;
struct XXH3_state_s;

// What a file was when the program last read or wrote it, to tell whether another program has
// changed it since. Size, times and inode are compared first. A hash of the content is kept as
// well: it is compared when the stamp cannot be trusted (the file changed within the last
// moments, so a second change may share its time stamp; or the file system keeps whole seconds
// only), and when only the stamp differs, so that a new time stamp on the same bytes (`touch`,
// a copy that rewrote them unchanged) is no change.
class FileIdentity {
  public:
    enum class Change { None, Changed, Vanished };

    // Empty: nothing known, nothing to compare.
    FileIdentity() = default;
    // Content hashed piece by piece, as it is written. XXH3's 128 bits: the hash tells changes
    // apart, it guards against no one, and it runs at memory speed (SHA-1 took a second over a
    // file of 200 MB).
    class ContentHash {
      public:
        ContentHash();
        ~ContentHash();
        ContentHash(const ContentHash&) = delete;
        ContentHash& operator=(const ContentHash&) = delete;
        void add(QByteArrayView piece);
        QByteArray result() const;

      private:
        XXH3_state_s* state_;
    };

    // `path` as it is now, holding `content` (just read from it or written to it).
    static FileIdentity capture(const QString& path, QByteArrayView content);
    static FileIdentity capture(const QString& path, const ContentHash& content);
    // `path` as it is now, its content read a piece at a time. A file that changes while it is
    // read gets no hash, so its stamp alone speaks for it.
    static FileIdentity captureFile(const QString& path);

    bool isEmpty() const { return path_.isEmpty(); }
    // Whether `path` names the file this identity is about.
    bool isAbout(const QString& path) const;
    // How the file differs from what was captured. Reads the whole file when the stamp alone
    // cannot tell, so a caller that must not wait runs it on a worker thread; `stop`, when set
    // meanwhile, ends the reading early, with Changed for an answer. When the content is what it
    // was and the file's stamp has moved on (or has become old enough to be trusted),
    // `restamped` receives the identity of the file as it now is, for the caller to take
    // instead of this one.
    Change changeOnDisk(FileIdentity* restamped = nullptr,
                        const std::atomic<bool>* stop = nullptr) const;

    bool operator==(const FileIdentity& other) const;
    bool operator!=(const FileIdentity& other) const { return !(*this == other); }

    // Kept across runs in recovery copies: what the file was when the text was last read or
    // saved, so that a change since then is still noticed after a restore. The layout is the
    // older one, whose hash means "compare the content too", so a trusted stamp goes without
    // its hash: after a restore a new time stamp alone is told as a change, as it was before.
    friend QDataStream& operator<<(QDataStream& out, const FileIdentity& identity);
    friend QDataStream& operator>>(QDataStream& in, FileIdentity& identity);

  private:
    struct Stamp {
        bool exists = false;
        quint64 device = 0;
        quint64 inode = 0;
        qint64 size = 0;
        qint64 mtimeSec = 0, mtimeNsec = 0;
        qint64 ctimeSec = 0, ctimeNsec = 0;
        bool operator==(const Stamp& other) const;
    };
    static Stamp stampOf(const QString& path);
    // The identity of `path` with `stamp` and the content's `hash` (kept only if it exists).
    static FileIdentity made(const QString& path, const Stamp& stamp, QByteArray hash);
    // Whether a stamp taken now might not change with the next write.
    static bool doubtful(const Stamp& stamp);
    // The file's content hashed the way a stored hash of `hashSize` bytes was made.
    static QByteArray hashOfFile(const QString& path, qsizetype hashSize,
                                 const std::atomic<bool>* stop);

    QString path_;
    Stamp stamp_;
    QByteArray hash_;              // empty only when it could not be made
    bool compareContent_ = false;  // the stamp alone is not trusted
};
