// SPDX-License-Identifier: GPL-3.0-or-later
#include "document/core/TextFileCodec.h"

#include <QStringDecoder>
#include <QStringEncoder>
#include <QtAlgorithms>
#include <algorithm>
#include <array>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "common/core/TextDecoding.h"
#include "common/core/Windows1252.h"

namespace {

using Encoding = TextFileFormat::Encoding;
using LineEnding = TextFileFormat::LineEnding;

constexpr char kMixedLF = 'n';
constexpr char kMixedCRLF = 'w';
constexpr char kMixedCR = 'r';

QString decodeUtf16(const uchar* s, qsizetype n, bool bigEndian, bool* truncated) {
    const qsizetype units = n / 2;
    *truncated = (n % 2) != 0;
    QString out(units + (*truncated ? 1 : 0), Qt::Uninitialized);
    char16_t* d = reinterpret_cast<char16_t*>(out.data());
    for (qsizetype i = 0; i < units; ++i) {
        const uchar a = s[2 * i], b = s[2 * i + 1];
        d[i] = bigEndian ? char16_t((a << 8) | b) : char16_t((b << 8) | a);
    }
    if (*truncated) d[units] = 0xFFFD;
    return out;
}

// What decode needs to know about a text, gathered in one pass.
struct Census {
    qsizetype cr = 0;
    qsizetype lf = 0;
    qsizetype crlf = 0;
    qsizetype controls = 0;  // C0 controls other than tab, line feed, form feed, carriage return
    qsizetype nuls = 0;
};

// How many of the units at s, in whole runs of eight, are none that the census counts (all are
// from U+0020 to U+2027): most of a text, passed over eight at a time.
qsizetype plainUnits(const char16_t* s, qsizetype n) {
    qsizetype i = 0;
#if defined(__SSE2__)
    // Unsigned compares by flipping the sign bit.
    const __m128i flip = _mm_set1_epi16(short(0x8000));
    const __m128i low = _mm_set1_epi16(short(0x0020 ^ 0x8000));
    const __m128i high = _mm_set1_epi16(short(0x2027 ^ 0x8000));
    for (; i + 8 <= n; i += 8) {
        const __m128i v =
            _mm_xor_si128(_mm_loadu_si128(reinterpret_cast<const __m128i*>(s + i)), flip);
        const __m128i odd = _mm_or_si128(_mm_cmplt_epi16(v, low), _mm_cmpgt_epi16(v, high));
        if (_mm_movemask_epi8(odd) != 0) break;
    }
#else
    Q_UNUSED(s);
    Q_UNUSED(n);
#endif
    return i;
}

Census takeCensus(const QString& text) {
    const char16_t* s = reinterpret_cast<const char16_t*>(text.constData());
    const qsizetype n = text.size();
    qsizetype cr = 0, lf = 0, crlf = 0, controls = 0, nuls = 0;
    const auto count = [&](char16_t c) {
        cr += c == '\r';
        lf += c == '\n';
        controls += (c < 0x20) & (c != '\t') & (c != '\n') & (c != '\f') & (c != '\r');
        nuls += c == 0;
    };
    for (qsizetype i = 0; i + 1 < n; ++i) {
        const qsizetype skip = plainUnits(s + i, n - 1 - i);
        if (skip > 0) {
            i += skip - 1;
            continue;
        }
        count(s[i]);
        crlf += (s[i] == '\r') & (s[i + 1] == '\n');
    }
    if (n > 0) count(s[n - 1]);
    return Census{cr, lf, crlf, controls, nuls};
}

// A text's units: UTF-16, or Latin-1 bytes.
char16_t* unitsOf(QString& text) {
    return reinterpret_cast<char16_t*>(text.data());
}
char* unitsOf(QByteArray& text) {
    return text.data();
}
qsizetype indexOfCR(const char16_t* s, qsizetype n) {
    return QStringView(s, n).indexOf(u'\r');
}
qsizetype indexOfCR(const char* s, qsizetype n) {
    const void* at = std::memchr(s, '\r', size_t(n));
    return at ? static_cast<const char*>(at) - s : -1;
}

// The census of a Latin-1 text: sixteen bytes at a time, most of them passed over at once.
Census takeCensus(const QByteArray& text) {
    const auto* s = reinterpret_cast<const uchar*>(text.constData());
    const qsizetype n = text.size();
    Census census;
    qsizetype i = 0;
#if defined(__SSE2__)
    const __m128i top = _mm_set1_epi8(0x1F);
    for (; i + 16 <= n; i += 16) {
        const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(s + i));
        const unsigned low = unsigned(_mm_movemask_epi8(_mm_cmpeq_epi8(_mm_min_epu8(v, top), v)));
        if (low == 0) continue;  // nothing below U+0020
        const auto mask = [&](char c) {
            return unsigned(_mm_movemask_epi8(_mm_cmpeq_epi8(v, _mm_set1_epi8(c))));
        };
        const unsigned lf = mask('\n'), cr = mask('\r');
        census.lf += qPopulationCount(lf);
        census.cr += qPopulationCount(cr);
        census.nuls += qPopulationCount(mask('\0'));
        census.controls += qPopulationCount(low & ~(lf | cr | mask('\t') | mask('\f')));
    }
#endif
    for (; i < n; ++i) {
        const uchar c = s[i];
        census.cr += c == '\r';
        census.lf += c == '\n';
        census.controls += (c < 0x20) & (c != '\t') & (c != '\n') & (c != '\f') & (c != '\r');
        census.nuls += c == 0;
    }
    if (census.cr > 0) {
        for (qsizetype at = indexOfCR(text.constData(), n); at >= 0 && at + 1 < n;) {
            census.crlf += s[at + 1] == '\n';
            const qsizetype next = indexOfCR(text.constData() + at + 1, n - at - 1);
            at = next < 0 ? -1 : at + 1 + next;
        }
    }
    return census;
}

// The first of the bytes from `i` on that is not ASCII, or `n`: sixteen bytes at a time.
qsizetype nextBeyondAscii(const uchar* s, qsizetype i, qsizetype n) {
#if defined(__SSE2__)
    for (; i + 16 <= n; i += 16) {
        const unsigned high =
            unsigned(_mm_movemask_epi8(_mm_loadu_si128(reinterpret_cast<const __m128i*>(s + i))));
        if (high != 0) return i + qCountTrailingZeroBits(high);
    }
#endif
    while (i < n && s[i] < 0x80) ++i;
    return i;
}

// Whether UTF-8 bytes hold Latin-1 characters only: ASCII, and two-byte sequences of U+0080 to
// U+00FF. `pairs` counts the latter.
bool utf8IsLatin1(const uchar* s, qsizetype n, qsizetype* pairs) {
    *pairs = 0;
    for (qsizetype i = nextBeyondAscii(s, 0, n); i < n; i = nextBeyondAscii(s, i + 2, n)) {
        if ((s[i] != 0xC2 && s[i] != 0xC3) || i + 1 == n || (s[i + 1] & 0xC0) != 0x80) return false;
        ++*pairs;
    }
    return true;
}

// The Latin-1 text of UTF-8 bytes that utf8IsLatin1 accepted, written over them from `from` on
// (after a byte-order mark): never longer than the bytes.
void utf8ToLatin1InPlace(QByteArray& bytes, qsizetype from) {
    uchar* const s = reinterpret_cast<uchar*>(bytes.data());
    const qsizetype n = bytes.size();
    qsizetype w = 0;
    for (qsizetype r = from; r < n;) {
        // The run of ASCII up to the next pair moves down as a whole.
        const qsizetype stop = nextBeyondAscii(s, r, n);
        if (w != r) std::memmove(s + w, s + r, size_t(stop - r));
        w += stop - r;
        if (stop == n) break;
        s[w++] = uchar(((s[stop] & 0x1F) << 6) | (s[stop + 1] & 0x3F));
        r = stop + 2;
    }
    bytes.truncate(w);
}

// Whether Windows-1252 bytes read as the same Latin-1 characters: none of 0x80 to 0x9F that
// stand for characters beyond U+00FF (the euro sign, curly quotes and the like).
bool windows1252IsLatin1(QByteArrayView bytes) {
    static const auto kBeyond = [] {
        std::array<bool, 256> beyond{};
        for (int b = 0x80; b < 0xA0; ++b)
            beyond[size_t(b)] = Windows1252::toUnicode(uchar(b)) > 0xFF;
        return beyond;
    }();
    for (const char c : bytes) {
        if (kBeyond[uchar(c)]) return false;
    }
    return true;
}

// How decodeCompact holds a file's text: as Latin-1 made from UTF-8 (`pairs` counts its two-byte
// characters), as the very bytes of Windows-1252 without characters beyond U+00FF, or not at all
// (UTF-16). The scan stops at the first character that rules Latin-1 out.
enum class CompactForm { Utf8, Windows1252, None };
CompactForm compactForm(QByteArrayView bytes, qsizetype* pairs) {
    const auto* s = reinterpret_cast<const uchar*>(bytes.data());
    const qsizetype n = bytes.size();
    if (n >= 2 && ((s[0] == 0xFF && s[1] == 0xFE) || (s[0] == 0xFE && s[1] == 0xFF)))
        return CompactForm::None;
    const bool bom = n >= 3 && s[0] == 0xEF && s[1] == 0xBB && s[2] == 0xBF;
    const qsizetype from = bom ? 3 : 0;
    if (utf8IsLatin1(s + from, n - from, pairs)) return CompactForm::Utf8;
    if (!bom && TextDecoding::validUtf8Prefix(s, std::size_t(n)) < std::size_t(n) &&
        windows1252IsLatin1(bytes))
        return CompactForm::Windows1252;
    return CompactForm::None;
}

// Turns CR LF and CR into LF and records the file's line-ending style.
template <typename Text>
void normalizeLineEndings(Text& text, const Census& census, TextFileFormat& format) {
    format.lineEnding = LineEnding::LF;
    if (census.cr == 0) return;
    auto* s = unitsOf(text);
    using Unit = std::remove_pointer_t<decltype(s)>;
    const qsizetype n = text.size();
    const qsizetype counts[3] = {census.lf - census.crlf, census.crlf,
                                 census.cr - census.crlf};  // LF, CR LF, CR alone
    const int kinds = (counts[0] > 0) + (counts[1] > 0) + (counts[2] > 0);

    if (kinds == 1 && counts[2] > 0) {
        for (qsizetype i = 0; i < n; ++i) s[i] = s[i] == '\r' ? Unit('\n') : s[i];
        format.lineEnding = LineEnding::CR;
        return;
    }
    if (kinds == 1) {
        // CR LF only: drop each CR, moving the lines between them down.
        qsizetype w = 0, r = 0;
        while (r < n) {
            const qsizetype next = indexOfCR(s + r, n - r);
            const qsizetype stop = next < 0 ? n : r + next;
            if (w != r) std::memmove(s + w, s + r, size_t(stop - r) * sizeof(Unit));
            w += stop - r;
            r = stop + 1;
        }
        text.truncate(w);
        format.lineEnding = LineEnding::CRLF;
        return;
    }

    // Mixed styles: remember every break's ending so that an unedited text gets them back.
    QByteArray endings;
    endings.reserve(census.lf + census.cr - census.crlf);
    qsizetype w = 0;
    for (qsizetype r = 0; r < n; ++r) {
        const Unit c = s[r];
        if (c == '\r') {
            if (r + 1 < n && s[r + 1] == '\n') {
                ++r;
                endings += kMixedCRLF;
            } else {
                endings += kMixedCR;
            }
            s[w++] = '\n';
        } else {
            if (c == '\n') endings += kMixedLF;
            s[w++] = c;
        }
    }
    text.truncate(w);

    // The most frequent style; on a tie, the one seen first.
    const char codes[3] = {kMixedLF, kMixedCRLF, kMixedCR};
    int best = -1;
    for (int k = 0; k < 3; ++k) {
        if (counts[k] == 0) continue;
        if (best < 0 || counts[k] > counts[best] ||
            (counts[k] == counts[best] &&
             endings.indexOf(codes[k]) < endings.indexOf(codes[best]))) {
            best = k;
        }
    }
    static constexpr LineEnding kStyles[3] = {LineEnding::LF, LineEnding::CRLF, LineEnding::CR};
    format.lineEnding = kStyles[best];
    format.mixedLineEndings = endings;
}

// --- encoding ----------------------------------------------------------------------------------

qsizetype countLineBreaks(const char16_t* s, qsizetype n) {
    qsizetype breaks = 0;
    for (qsizetype i = 0; i < n; ++i) {
        if (s[i] == '\n') {
            ++breaks;
        } else if (s[i] == '\r') {
            ++breaks;
            if (i + 1 < n && s[i + 1] == '\n') ++i;
        }
    }
    return breaks;
}

template <Encoding E>
inline char* putUnit(char* o, char16_t c) {
    if constexpr (E == Encoding::Utf16LE) {
        o[0] = char(c & 0xFF);
        o[1] = char(c >> 8);
        return o + 2;
    } else if constexpr (E == Encoding::Utf16BE) {
        o[0] = char(c >> 8);
        o[1] = char(c & 0xFF);
        return o + 2;
    } else {
        *o = char(c);
        return o + 1;
    }
}

// Encodes the text with its line breaks in the format's style. Returns false, at the first
// character Windows-1252 lacks, when encoding to Windows-1252.
template <Encoding E>
bool encodeAs(const QString& text, const TextFileFormat& format, QByteArray& bytes) {
    const char16_t* s = reinterpret_cast<const char16_t*>(text.constData());
    const qsizetype n = text.size();
    const bool perBreak = !format.mixedLineEndings.isEmpty();
    const char* endings = format.mixedLineEndings.constData();

    // Room for the worst case: three bytes per unit in UTF-8, a line break of one unit turning
    // into CR LF elsewhere. Untouched room costs no memory and is given back at the end.
    constexpr qsizetype kPerUnit = E == Encoding::Utf8 ? 3 : E == Encoding::Windows1252 ? 2 : 4;
    bytes = QByteArray(kPerUnit * n + 4, Qt::Uninitialized);
    char* const begin = bytes.data();
    char* o = begin;
    if (format.bom) {
        if constexpr (E == Encoding::Utf8) {
            *o++ = '\xEF', *o++ = '\xBB', *o++ = '\xBF';
        } else if constexpr (E != Encoding::Windows1252) {
            o = putUnit<E>(o, 0xFEFF);
        }
    }
    qsizetype breakIndex = 0;
    for (qsizetype i = 0; i < n; ++i) {
        const char16_t c = s[i];
        if (c < 0x80 && c != '\n' && c != '\r') {
            o = putUnit<E>(o, c);
            continue;
        }
        if (c == '\n' || c == '\r') {
            if (c == '\r' && i + 1 < n && s[i + 1] == '\n') ++i;
            LineEnding ending = format.lineEnding;
            if (perBreak) {
                const char e = endings[breakIndex++];
                ending = e == kMixedCRLF ? LineEnding::CRLF
                         : e == kMixedCR ? LineEnding::CR
                                         : LineEnding::LF;
            }
            if (ending != LineEnding::LF) o = putUnit<E>(o, '\r');
            if (ending != LineEnding::CR) o = putUnit<E>(o, '\n');
            continue;
        }
        if constexpr (E == Encoding::Windows1252) {
            const int b = Windows1252::fromUnicode(c);
            if (b < 0) return false;
            *o++ = char(b);
        } else if constexpr (E == Encoding::Utf8) {
            char32_t u = c;
            if (QChar::isHighSurrogate(c) && i + 1 < n && QChar::isLowSurrogate(s[i + 1])) {
                u = QChar::surrogateToUcs4(c, s[++i]);
            } else if (QChar::isSurrogate(c)) {
                u = 0xFFFD;  // a lone surrogate cannot be written as UTF-8
            }
            if (u < 0x800) {
                *o++ = char(0xC0 | (u >> 6));
                *o++ = char(0x80 | (u & 0x3F));
            } else if (u < 0x10000) {
                *o++ = char(0xE0 | (u >> 12));
                *o++ = char(0x80 | ((u >> 6) & 0x3F));
                *o++ = char(0x80 | (u & 0x3F));
            } else {
                *o++ = char(0xF0 | (u >> 18));
                *o++ = char(0x80 | ((u >> 12) & 0x3F));
                *o++ = char(0x80 | ((u >> 6) & 0x3F));
                *o++ = char(0x80 | (u & 0x3F));
            }
        } else {
            o = putUnit<E>(o, c);
        }
    }
    bytes.truncate(o - begin);
    bytes.squeeze();
    return true;
}

}  // namespace

QString TextFileFormat::encodingName() const {
    switch (encoding) {
        case Encoding::Utf8:
            return bom ? QStringLiteral("UTF-8 with BOM") : QStringLiteral("UTF-8");
        case Encoding::Utf16LE:
            return QStringLiteral("UTF-16 LE");
        case Encoding::Utf16BE:
            return QStringLiteral("UTF-16 BE");
        case Encoding::Windows1252:
            return QStringLiteral("Windows-1252");
    }
    return QString();
}

namespace TextFileCodec {

DecodedText decode(const QByteArray& bytes) {
    DecodedText result;
    const auto* s = reinterpret_cast<const uchar*>(bytes.constData());
    const qsizetype n = bytes.size();

    if (n >= 2 && ((s[0] == 0xFF && s[1] == 0xFE) || (s[0] == 0xFE && s[1] == 0xFF))) {
        const bool bigEndian = s[0] == 0xFE;
        bool truncated = false;
        result.text = decodeUtf16(s + 2, n - 2, bigEndian, &truncated);
        result.format.encoding = bigEndian ? Encoding::Utf16BE : Encoding::Utf16LE;
        result.format.bom = true;
        if (truncated) {
            result.lossy = true;
            result.changes = QStringLiteral(
                "its last byte, one too many for UTF-16's pairs of bytes, becomes the "
                "replacement character U+FFFD");
        }
    } else {
        const bool bom = n >= 3 && s[0] == 0xEF && s[1] == 0xBB && s[2] == 0xBF;
        if (!bom) {
            // Qt's converter decodes runs of ASCII with vector instructions; it only tells that
            // the bytes are not UTF-8, so then they are read again as UTF-8 or Windows-1252.
            QStringDecoder utf8(
                QStringConverter::Utf8,
                QStringConverter::Flag::Stateless | QStringConverter::Flag::ConvertInitialBom);
            result.text = utf8.decode(bytes);
            result.format.encoding = Encoding::Utf8;
            if (utf8.hasError()) {
                bool wasUtf8 = false;
                result.text = QString();  // not held beside the second reading
                result.text = TextDecoding::utf8OrWindows1252(bytes, &wasUtf8);
                result.format.encoding = wasUtf8 ? Encoding::Utf8 : Encoding::Windows1252;
            }
        } else {
            const QByteArrayView body(bytes.constData() + 3, n - 3);
            result.format.encoding = Encoding::Utf8;
            result.format.bom = true;
            if (!TextDecoding::decodeUtf8(body, &result.text)) {
                // Marked as UTF-8 but damaged: keep it readable; the bad bytes become U+FFFD.
                QStringDecoder decoder(QStringConverter::Utf8,
                                       QStringConverter::Flag::ConvertInitialBom);
                result.text = decoder.decode(body);
                result.lossy = true;
                const auto* start = reinterpret_cast<const unsigned char*>(body.data());
                const std::size_t first =
                    3 + TextDecoding::validUtf8Prefix(start, std::size_t(body.size()));
                result.changes =
                    QStringLiteral(
                        "it is marked as UTF-8 but holds bytes that are not (the first at byte "
                        "%L1); they become the replacement character U+FFFD")
                        .arg(first);
            }
        }
    }

    const Census census = takeCensus(result.text);
    // NUL, or over 2 % control characters.
    result.looksBinary = census.nuls > 0 || census.controls * 50 > result.text.size();
    normalizeLineEndings(result.text, census, result.format);
    return result;
}

DecodedText decodeCompact(QByteArray bytes) {
    const auto* s = reinterpret_cast<const uchar*>(bytes.constData());
    const bool bom = bytes.size() >= 3 && s[0] == 0xEF && s[1] == 0xBB && s[2] == 0xBF;
    qsizetype pairs = 0;
    const CompactForm form = compactForm(bytes, &pairs);
    if (form == CompactForm::None) return decode(bytes);
    DecodedText result;
    if (form == CompactForm::Utf8) {
        result.format.bom = bom;
        if (pairs > 0 || bom) utf8ToLatin1InPlace(bytes, bom ? 3 : 0);
    } else {
        result.format.encoding = Encoding::Windows1252;  // the bytes are the characters
    }
    const Census census = takeCensus(bytes);
    result.looksBinary = census.nuls > 0 || census.controls * 50 > bytes.size();
    normalizeLineEndings(bytes, census, result.format);
    result.latin1 = std::move(bytes);
    return result;
}

bool decodesCompact(QByteArrayView bytes) {
    qsizetype pairs = 0;
    return compactForm(bytes, &pairs) != CompactForm::None;
}

EncodedText encode(const QString& text, const TextFileFormat& requested) {
    EncodedText result;
    result.format = requested;
    // The recorded endings fit only a text with as many line breaks; otherwise the text was
    // edited and every break gets the dominant style, which is then what the file holds.
    if (!requested.mixedLineEndings.isEmpty() &&
        requested.mixedLineEndings.size() !=
            countLineBreaks(reinterpret_cast<const char16_t*>(text.constData()), text.size())) {
        result.format.mixedLineEndings.clear();
    }
    const TextFileFormat& format = result.format;
    if (format.encoding == Encoding::Utf8 && format.lineEnding == LineEnding::LF &&
        format.mixedLineEndings.isEmpty() && !text.contains(u'\r')) {
        // No line break to rewrite: Qt's converter encodes runs of ASCII with vector instructions.
        // It reports a lone surrogate, which the encoder below writes as U+FFFD.
        QStringEncoder utf8(QStringConverter::Utf8, QStringConverter::Flag::Stateless);
        QByteArray bytes = utf8.encode(text);
        if (!utf8.hasError()) {
            result.bytes = format.bom ? QByteArray("\xEF\xBB\xBF") + bytes : std::move(bytes);
            return result;
        }
    }
    bool encoded = false;
    switch (format.encoding) {
        case Encoding::Utf8:
            encoded = encodeAs<Encoding::Utf8>(text, format, result.bytes);
            break;
        case Encoding::Utf16LE:
            encoded = encodeAs<Encoding::Utf16LE>(text, format, result.bytes);
            break;
        case Encoding::Utf16BE:
            encoded = encodeAs<Encoding::Utf16BE>(text, format, result.bytes);
            break;
        case Encoding::Windows1252:
            encoded = encodeAs<Encoding::Windows1252>(text, format, result.bytes);
            break;
    }
    if (!encoded) {
        result.format.encoding = Encoding::Utf8;
        result.format.bom = false;
        result.fellBackToUtf8 = true;
        encodeAs<Encoding::Utf8>(text, result.format, result.bytes);
    }
    return result;
}

namespace {

// How many bytes from the start of `s` UTF-8 with LF line breaks holds as they are: ASCII other
// than CR.
qsizetype plainAsciiPrefix(const char* s, qsizetype n) {
    qsizetype i = 0;
#if defined(__SSE2__)
    const __m128i cr = _mm_set1_epi8('\r');
    for (; i + 16 <= n; i += 16) {
        const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(s + i));
        // A CR compares as 0xFF, whose top bit marks it like a byte beyond ASCII.
        if (_mm_movemask_epi8(_mm_or_si128(v, _mm_cmpeq_epi8(v, cr))) != 0) break;
    }
#endif
    while (i < n && uchar(s[i]) < 0x80 && s[i] != '\r') ++i;
    return i;
}

// Latin-1 characters as UTF-8 into `out` (room for twice as many bytes); returns the end, or
// nullptr at a CR, whose line break the caller writes in the file's own style.
char* latin1ToUtf8(const char* s, qsizetype n, char* out) {
    const auto put = [](uchar c, char* o) {
        if (c < 0x80) {
            *o = char(c);
            return o + 1;
        }
        o[0] = char(0xC0 | (c >> 6));
        o[1] = char(0x80 | (c & 0x3F));
        return o + 2;
    };
    qsizetype i = 0;
#if defined(__SSE2__)
    // Sixteen bytes are copied at a time, and the output moves on by as many as are ASCII before
    // the first wider character, which then gets its two bytes: a text with an accented letter
    // now and then costs little more than a copy. The output never runs ahead of twice the input,
    // so each store has its room.
    const __m128i cr = _mm_set1_epi8('\r');
    while (i + 16 <= n) {
        const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(s + i));
        if (_mm_movemask_epi8(_mm_cmpeq_epi8(v, cr)) != 0) return nullptr;
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out), v);
        const unsigned wide = unsigned(_mm_movemask_epi8(v));
        if (wide == 0) {
            out += 16;
            i += 16;
            continue;
        }
        const int ascii = qCountTrailingZeroBits(wide);
        out = put(uchar(s[i + ascii]), out + ascii);
        i += ascii + 1;
    }
#endif
    for (; i < n; ++i) {
        if (s[i] == '\r') return nullptr;
        out = put(uchar(s[i]), out);
    }
    return out;
}
}  // namespace

bool PieceEncoder::inPieces(const TextFileFormat& format) {
    return format.encoding != Encoding::Windows1252 && format.mixedLineEndings.isEmpty();
}

PieceEncoder::PieceEncoder(Read read, qsizetype length, const TextFileFormat& format,
                           qsizetype pieceSize, ReadLatin1 readLatin1)
    : read_(std::move(read)),
      readLatin1_(std::move(readLatin1)),
      length_(length),
      format_(format),
      pieceSize_(std::max<qsizetype>(pieceSize, 2)) {}

QByteArrayView PieceEncoder::next() {
    if (started_ && position_ >= length_) return {};
    qsizetype count = std::min(pieceSize_, length_ - position_);
    if (readLatin1_ && format_.encoding == Encoding::Utf8 && format_.lineEnding == LineEnding::LF &&
        (started_ || !format_.bom)) {
        const QByteArrayView run = readLatin1_(position_, count);
        if (!run.isEmpty()) {
            const qsizetype plain = plainAsciiPrefix(run.data(), run.size());
            const char* end = nullptr;
            if (plain < run.size()) {
                bytes_.resize(2 * run.size());
                std::memcpy(bytes_.data(), run.data(), size_t(plain));
                end = latin1ToUtf8(run.data() + plain, run.size() - plain, bytes_.data() + plain);
                if (end) bytes_.truncate(end - bytes_.constData());
            }
            if (plain == run.size() || end) {
                started_ = true;
                position_ += run.size();
                return end ? QByteArrayView(bytes_) : run;
            }
        }
    }
    QString piece = read_(position_, count);
    // A surrogate pair or a CR LF is never cut in two: the next piece takes it whole.
    if (position_ + count < length_ && count > 1 &&
        (piece.back().isHighSurrogate() || piece.back() == u'\r')) {
        piece.chop(1);
        --count;
    }
    TextFileFormat format = format_;
    format.bom = format_.bom && !started_;  // the mark starts the file only
    bytes_ = encode(piece, format).bytes;
    started_ = true;
    position_ += count;
    return bytes_;
}

}  // namespace TextFileCodec
