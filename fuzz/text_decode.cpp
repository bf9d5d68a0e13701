// SPDX-License-Identifier: GPL-3.0-or-later
// Plain-text files come from anywhere: any bytes must decode, the same whether read compactly
// or not, and an unedited text must save back to the very bytes it came from, unless the decoder
// said it could not promise that.
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "common/core/NativeName.h"
#include "document/core/TextFileCodec.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    // Any bytes as a file name come back from the name's text as they were.
    if (NativeName::encode(NativeName::decode(bytes)) != bytes) std::abort();

    const DecodedText decoded = TextFileCodec::decode(bytes);
    if (decoded.text.contains(QLatin1Char('\r'))) std::abort();

    // The editor's compact reading, one byte a character where it can, reads the same text in
    // the same format, taken for binary or lossy alike.
    const DecodedText compact = TextFileCodec::decodeCompact(bytes);
    const QString compactText =
        compact.latin1.isEmpty() ? compact.text : QString::fromLatin1(compact.latin1);
    if (compactText != decoded.text || (!compact.latin1.isEmpty() && !compact.text.isEmpty()) ||
        compact.format.encoding != decoded.format.encoding ||
        compact.format.bom != decoded.format.bom ||
        compact.format.lineEnding != decoded.format.lineEnding ||
        compact.format.mixedLineEndings != decoded.format.mixedLineEndings ||
        compact.looksBinary != decoded.looksBinary || compact.lossy != decoded.lossy)
        std::abort();

    // The estimate's quick test agrees with the reading; an empty text (a byte-order mark alone)
    // is held alike either way.
    if (!decoded.text.isEmpty() && TextFileCodec::decodesCompact(bytes) == !compact.text.isEmpty())
        std::abort();

    const EncodedText direct = TextFileCodec::encode(decoded.text, decoded.format);
    if (direct.fellBackToUtf8) std::abort();
    if (!decoded.lossy && direct.bytes != bytes) std::abort();

    // Saved in pieces straight from the Latin-1 text, with a LF ending: the same bytes.
    if (compact.text.isEmpty() && TextFileCodec::PieceEncoder::inPieces(compact.format)) {
        TextFileFormat lf = compact.format;
        lf.lineEnding = TextFileFormat::LineEnding::LF;
        const QString text = decoded.text + QStringLiteral("\r");  // never written as it is
        const QByteArray latin1 = text.toLatin1();
        TextFileCodec::PieceEncoder pieces(
            [&](qsizetype at, qsizetype count) { return text.mid(at, count); }, text.size(), lf, 37,
            [&](qsizetype at, qsizetype count) {
                return QByteArrayView(latin1).sliced(at, count);
            });
        QByteArray joined;
        for (QByteArrayView piece = pieces.next(); !piece.isEmpty(); piece = pieces.next())
            joined += piece;
        if (joined != TextFileCodec::encode(text, lf).bytes) std::abort();
    }

    // Whatever the text, the Unicode formats write it and read it back (not Windows-1252: without
    // a BOM its text may read as UTF-8 and differ). UTF-16 may hold lone surrogates, which UTF-8
    // cannot.
    const bool fromUtf16 = decoded.format.encoding == TextFileFormat::Encoding::Utf16LE ||
                           decoded.format.encoding == TextFileFormat::Encoding::Utf16BE;
    for (auto e : {TextFileFormat::Encoding::Utf8, TextFileFormat::Encoding::Utf16BE}) {
        if (e == TextFileFormat::Encoding::Utf8 && fromUtf16) continue;
        TextFileFormat format;
        format.encoding = e;
        format.bom = true;
        format.lineEnding = TextFileFormat::LineEnding::CRLF;
        const DecodedText back =
            TextFileCodec::decode(TextFileCodec::encode(decoded.text, format).bytes);
        if (!back.lossy && back.text != decoded.text) std::abort();
    }
    return 0;
}
