// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QString>
#include <functional>

// How a plain-text file is laid out in bytes, so that it can be written back the same way.
struct TextFileFormat {
    enum class Encoding { Utf8, Utf16LE, Utf16BE, Windows1252 };
    enum class LineEnding { LF, CRLF, CR };

    Encoding encoding = Encoding::Utf8;
    bool bom = false;
    LineEnding lineEnding = LineEnding::LF;  // the file's most frequent one (the first on a tie)

    // Only for files that mix line endings: the ending of every line break in order, one byte
    // each ('n' LF, 'w' CR LF, 'r' CR). When the text to save has exactly as many line breaks,
    // they get these endings again, so an unedited file is reproduced byte for byte; otherwise
    // every break gets lineEnding (and the format written, EncodedText::format, has no list).
    QByteArray mixedLineEndings;

    // For a status bar: "UTF-8", "UTF-8 with BOM", "UTF-16 LE", "UTF-16 BE", "Windows-1252".
    QString encodingName() const;
};

struct DecodedText {
    // The text with every line break (CR LF, LF or CR) as "\n", as the editor holds it.
    QString text;
    // From decodeCompact: the text in Latin-1, one byte a character, when every character is
    // one of U+0000 to U+00FF; `text` is then empty.
    QByteArray latin1;
    TextFileFormat format;
    // NUL bytes or many control characters: the file is probably not text. The plain-text
    // editor keeps them all, but formatted text (RTF) cannot hold them.
    bool looksBinary = false;
    // Saving the unedited text will not reproduce the file: it held byte sequences its encoding
    // cannot decode, which became U+FFFD. `changes` then says which bytes, for the user.
    bool lossy = false;
    QString changes;
};

struct EncodedText {
    QByteArray bytes;
    // What was written, for the next save: the requested format, or UTF-8 after a fall-back.
    TextFileFormat format;
    // The text held characters that Windows-1252 cannot represent, so it was written as UTF-8
    // (without BOM, same line endings) rather than with substitutes.
    bool fellBackToUtf8 = false;
};

// Plain-text file contents to text and back.
//
// Decoding: a byte-order mark decides UTF-8 or UTF-16 LE/BE; without one, bytes that are valid
// UTF-8 are UTF-8, and anything else is Windows-1252, whose five undefined bytes stand for the
// C1 control characters of the same code. Every file therefore decodes, and a file in one of
// these encodings with a single line-ending style re-encodes to the very same bytes.
//
// Line endings: the decoded text holds "\n" only, and the file's style is kept in the format.
// Encoding turns each line break of the text ("\n", and also "\r\n" or "\r" should the text
// hold them) into that style. New documents use TextFileFormat{}: UTF-8, no BOM, LF.
namespace TextFileCodec {

DecodedText decode(const QByteArray& bytes);
// The same text, in `latin1` where it can be: the bytes of a UTF-8 file of Latin-1 characters
// are turned into them where they lie, and those of a Windows-1252 file without characters
// beyond U+00FF are them already. Either way nothing is decoded twice.
DecodedText decodeCompact(QByteArray bytes);
// Whether decodeCompact gives these bytes as Latin-1 (in `latin1`): told by a pass that stops at
// the first character beyond U+00FF.
bool decodesCompact(QByteArrayView bytes);

EncodedText encode(const QString& text, const TextFileFormat& requested);

// The bytes encode() makes of a text, made a piece at a time from the text's own pieces, so that
// neither the whole text nor the whole file need be held at once. Only for formats where every
// character encodes and every line break gets the same ending: UTF-8 and UTF-16 without an
// ending recorded per line (inPieces).
class PieceEncoder {
  public:
    // `count` characters of the text from `position`.
    using Read = std::function<QString(qsizetype position, qsizetype count)>;
    // Up to `count` characters from `position` as Latin-1 bytes, or none: a text held so.
    using ReadLatin1 = std::function<QByteArrayView(qsizetype position, qsizetype count)>;

    static bool inPieces(const TextFileFormat& format);

    // Runs that `readLatin1` gives are written as UTF-8 with LF line breaks straight from their
    // bytes, and a run of ASCII, its own UTF-8, as it is, uncopied.
    PieceEncoder(Read read, qsizetype length, const TextFileFormat& format,
                 qsizetype pieceSize = 1 << 20, ReadLatin1 readLatin1 = {});
    // The next piece of the file; empty at its end. It holds until the next call.
    QByteArrayView next();

  private:
    Read read_;
    ReadLatin1 readLatin1_;
    qsizetype length_;
    TextFileFormat format_;
    qsizetype pieceSize_;
    qsizetype position_ = 0;
    bool started_ = false;
    QByteArray bytes_;
};

}  // namespace TextFileCodec
