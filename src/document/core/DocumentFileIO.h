// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QString>

// Reading and writing whole document files. Errors come back as a short reason without the
// path ("Permission denied", "The folder does not exist."), for the caller to show with the path.
namespace DocumentFileIO {

// Larger files are refused rather than read into memory and an editor that cannot cope.
constexpr qint64 kMaxReadBytes = qint64(512) * 1024 * 1024;

// Reads the whole of a regular file. Returns false and sets *error on failure, including a
// file larger than maxBytes.
bool readFile(const QString& path, QByteArray* bytes, QString* error,
              qint64 maxBytes = kMaxReadBytes);

// Replaces the file's content with bytes so that a failed or interrupted write leaves the old
// file whole (AtomicFileWriter). A symbolic link is followed and its target written; the link
// itself stays.
bool writeFile(const QString& path, const QByteArray& bytes, QString* error);

}  // namespace DocumentFileIO
