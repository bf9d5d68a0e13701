// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

class QDataStream;
struct XXH3_state_s;

// What a file was when the program last read or wrote it, to tell before writing over it
// whether another program has changed it since. Size, times and inode are compared; where they
// cannot be trusted (the file changed within the last moments, so a second change may share
// its time stamp; or the file system keeps whole seconds only) a hash of the content is kept
// and compared too.
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

    bool isEmpty() const { return path_.isEmpty(); }
    // Whether `path` names the file this identity is about.
    bool isAbout(const QString& path) const;
    // How the file differs from what was captured.
    Change changeOnDisk() const;

    // Kept across runs in recovery copies: what the file was when the text was last read or
    // saved, so that a change since then is still noticed after a restore.
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
    // The file's content hashed the way a stored hash of `hashSize` bytes was made.
    static QByteArray hashOfFile(const QString& path, qsizetype hashSize);

    QString path_;
    Stamp stamp_;
    QByteArray hash_;  // empty when the stamp alone is trusted
};
