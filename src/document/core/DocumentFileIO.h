// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QString>
#include <functional>

// Reading and writing whole document files. Errors come back as a short reason without the
// path ("Permission denied", "The folder does not exist."), for the caller to show with the path.
namespace DocumentFileIO {

// Larger files are refused: the editor's positions are 32-bit, and a file decodes to at most as
// many characters as it has bytes. Below this, what fits is the memory's to say (LoadEstimate).
constexpr qint64 kMaxReadBytes = qint64(2047) * 1024 * 1024;

// Reads the whole of a regular file. Returns false and sets *error on failure, including a
// file larger than maxBytes.
bool readFile(const QString& path, QByteArray* bytes, QString* error,
              qint64 maxBytes = kMaxReadBytes);

// Replaces the file's content with bytes so that a failed or interrupted write leaves the old
// file whole (AtomicFileWriter). A symbolic link is followed and its target written; the link
// itself stays.
bool writeFile(const QString& path, const QByteArray& bytes, QString* error);
// The same with the bytes made piece by piece (see AtomicFileWriter::Pieces).
bool writeFile(const QString& path, const std::function<QByteArrayView()>& pieces, QString* error);

}  // namespace DocumentFileIO
