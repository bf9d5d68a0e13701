// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArrayView>
#include <QString>
#include <functional>

struct stat;

// Writes whole files so that a failed write never costs the old content. The bytes go to a
// temporary file beside the target, every write is checked, the file is synced and closed, and
// only then renamed over the target and the folder synced. On any failure the temporary file
// goes and the target stays byte for byte; the reason is the system's own ("No space left on
// device").
//
// Where a rename would lose something, the target is overwritten in place instead, once the
// room for the new bytes has been reserved: a file with several hard links, a file in a folder
// where no sibling can be created, a file with access lists or extended attributes, and a file
// of another user whose owner cannot be given to the new file. Devices and pipes are written
// directly.
class AtomicFileWriter {
  public:
    // `path` as NativeName decodes names: every file name can be written.
    explicit AtomicFileWriter(const QString& path) : path_(path) {}

    // A symbolic link is followed and the file it leads to written. A private copy instead:
    // mode 0600 whatever the target had, a link in its place replaced, never followed, and
    // never written in place.
    void setPrivate(bool on) { private_ = on; }

    bool write(QByteArrayView bytes);
    // The bytes as `next` makes them, piece by piece, until it gives an empty piece: a large
    // file is written without being held whole. Each piece is taken once (the view may end at
    // the next call); where the file is written in place, which needs the size first, they are
    // gathered before.
    using Pieces = std::function<QByteArrayView()>;
    bool write(const Pieces& next);
    // Why the last write failed: the system's reason, without the path.
    QString errorString() const { return error_; }

    // A file-size limit (ulimit -f) stops a program that writes past it with SIGXFSZ, which
    // kills it; after this call such a write fails with "File too large" instead, which the
    // writer reports like any other failure. Programs call it once at start. The handler does
    // nothing, and unlike an ignored signal it is not passed on to programs started later.
    static void reportFileSizeLimitAsError();

  private:
    bool writeBytes(QByteArrayView bytes);
    // The pieces of the current write, gathered in one array, into `bytes`.
    void gatherPieces(QByteArray* gathered, QByteArrayView* bytes);
    bool writeContent(int fd, QByteArrayView bytes);
    bool fail(const QString& reason);
    bool failErrno(int code);
    bool writeDirect(const QByteArray& nativePath, QByteArrayView bytes);
    bool writeInPlace(const QByteArray& nativePath, QByteArrayView bytes);
    bool replace(const QByteArray& nativeFolder, const QByteArray& nativeTarget,
                 QByteArrayView bytes, const struct stat* old);

    QString path_;
    QString error_;
    bool private_ = false;
    const Pieces* pieces_ = nullptr;  // the content of the write under way, when in pieces
};
