#include "document/core/TextFileCodec.h"

#include <QTextDocument>
#include <cstring>

#include "document/core/Windows1252.h"

namespace {

using Encoding = TextFileFormat::Encoding;
using LineEnding = TextFileFormat::LineEnding;

constexpr char kMixedLF = 'n';
constexpr char kMixedCRLF = 'w';
constexpr char kMixedCR = 'r';

bool isValidUtf8(const uchar* s, qsizetype n) {
    qsizetype i = 0;
    while (i < n) {
        while (i + 8 <= n) {
            quint64 word;
            std::memcpy(&word, s + i, 8);
            if (word & 0x8080808080808080ULL) break;
            i += 8;
        }
        if (i >= n) break;
        const uchar c = s[i];
        if (c < 0x80) {
            ++i;
            continue;
        }
        int length;
        char32_t code;
        char32_t minimum;
        if ((c & 0xE0) == 0xC0) {
            length = 2, code = c & 0x1F, minimum = 0x80;
        } else if ((c & 0xF0) == 0xE0) {
            length = 3, code = c & 0x0F, minimum = 0x800;
        } else if ((c & 0xF8) == 0xF0) {
            length = 4, code = c & 0x07, minimum = 0x10000;
        } else {
            return false;
        }
        if (n - i < length) return false;
        for (int k = 1; k < length; ++k) {
            const uchar d = s[i + k];
            if ((d & 0xC0) != 0x80) return false;
            code = (code << 6) | (d & 0x3F);
        }
        if (code < minimum || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF)) return false;
        i += length;
    }
    return true;
}

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

// Counts characters that text files do not hold: C0 controls other than tab, line feed, form
// feed and carriage return.
template <typename Unit>
qsizetype countControls(const Unit* s, qsizetype n, bool* hasNul) {
    qsizetype controls = 0;
    qsizetype nuls = 0;
    for (qsizetype i = 0; i < n; ++i) {
        const unsigned c = s[i];
        controls += (c < 0x20) & (c != '\t') & (c != '\n') & (c != '\f') & (c != '\r');
        nuls += c == 0;
    }
    *hasNul = nuls > 0;
    return controls;
}

// Turns CR LF and CR into LF and records the file's line-ending style.
void normalizeLineEndings(QString& text, TextFileFormat& format) {
    if (!text.contains(QLatin1Char('\r'))) {
        format.lineEnding = LineEnding::LF;
        return;
    }
    QByteArray endings;
    qsizetype counts[3] = {0, 0, 0};  // LF, CRLF, CR
    char16_t* s = reinterpret_cast<char16_t*>(text.data());
    const qsizetype n = text.size();
    qsizetype w = 0;
    for (qsizetype r = 0; r < n; ++r) {
        const char16_t c = s[r];
        if (c == '\r') {
            if (r + 1 < n && s[r + 1] == '\n') {
                ++r;
                ++counts[1];
                endings += kMixedCRLF;
            } else {
                ++counts[2];
                endings += kMixedCR;
            }
            s[w++] = '\n';
        } else {
            if (c == '\n') {
                ++counts[0];
                endings += kMixedLF;
            }
            s[w++] = c;
        }
    }
    text.truncate(w);

    int kinds = 0;
    for (qsizetype c : counts) kinds += c > 0;
    // The most frequent style; on a tie, the one seen first.
    const auto firstSeen = [&](char code) { return endings.indexOf(code); };
    const char codes[3] = {kMixedLF, kMixedCRLF, kMixedCR};
    int best = -1;
    for (int k = 0; k < 3; ++k) {
        if (counts[k] == 0) continue;
        if (best < 0 || counts[k] > counts[best] ||
            (counts[k] == counts[best] && firstSeen(codes[k]) < firstSeen(codes[best]))) {
            best = k;
        }
    }
    static constexpr LineEnding kStyles[3] = {LineEnding::LF, LineEnding::CRLF, LineEnding::CR};
    format.lineEnding = kStyles[best];
    if (kinds > 1) format.mixedLineEndings = endings;
}

bool holdsEditorBreaks(const QString& text) {
    for (QChar c : text) {
        const char16_t u = c.unicode();
        if (u == QChar::LineSeparator || u == QChar::ParagraphSeparator || u == 0xFDD0 ||
            u == 0xFDD1) {
            return true;
        }
    }
    return false;
}

// --- encoding ----------------------------------------------------------------------------------

template <Encoding E>
struct Encoder;

template <>
struct Encoder<Encoding::Utf8> {
    static constexpr int bom(char* out) {
        if (out) out[0] = '\xEF', out[1] = '\xBB', out[2] = '\xBF';
        return 3;
    }
    // Encodes one character (a surrogate pair counts as one); returns the units consumed.
    static int put(const char16_t* s, qsizetype left, char*& out) {
        char32_t c = s[0];
        int used = 1;
        if (QChar::isHighSurrogate(c) && left > 1 && QChar::isLowSurrogate(s[1])) {
            c = QChar::surrogateToUcs4(char16_t(c), s[1]);
            used = 2;
        } else if (QChar::isSurrogate(c)) {
            c = 0xFFFD;  // a lone surrogate cannot be written as UTF-8
        }
        if (c < 0x80) {
            *out++ = char(c);
        } else if (c < 0x800) {
            *out++ = char(0xC0 | (c >> 6));
            *out++ = char(0x80 | (c & 0x3F));
        } else if (c < 0x10000) {
            *out++ = char(0xE0 | (c >> 12));
            *out++ = char(0x80 | ((c >> 6) & 0x3F));
            *out++ = char(0x80 | (c & 0x3F));
        } else {
            *out++ = char(0xF0 | (c >> 18));
            *out++ = char(0x80 | ((c >> 12) & 0x3F));
            *out++ = char(0x80 | ((c >> 6) & 0x3F));
            *out++ = char(0x80 | (c & 0x3F));
        }
        return used;
    }
    static qsizetype size(const char16_t* s, qsizetype left, int* used) {
        const char16_t c = s[0];
        *used = 1;
        if (c < 0x80) return 1;
        if (c < 0x800) return 2;
        if (QChar::isHighSurrogate(c) && left > 1 && QChar::isLowSurrogate(s[1])) {
            *used = 2;
            return 4;
        }
        return 3;
    }
    static void newline(char ch, char*& out) { *out++ = ch; }
    static constexpr int kUnit = 1;
};

template <bool BigEndian>
struct Utf16Encoder {
    static constexpr int bom(char* out) {
        if (out) out[0] = BigEndian ? '\xFE' : '\xFF', out[1] = BigEndian ? '\xFF' : '\xFE';
        return 2;
    }
    static void unit(char16_t c, char*& out) {
        if (BigEndian) {
            *out++ = char(c >> 8);
            *out++ = char(c & 0xFF);
        } else {
            *out++ = char(c & 0xFF);
            *out++ = char(c >> 8);
        }
    }
    static int put(const char16_t* s, qsizetype, char*& out) {
        unit(s[0], out);
        return 1;
    }
    static qsizetype size(const char16_t*, qsizetype, int* used) {
        *used = 1;
        return 2;
    }
    static void newline(char ch, char*& out) { unit(char16_t(ch), out); }
    static constexpr int kUnit = 2;
};

template <>
struct Encoder<Encoding::Utf16LE> : Utf16Encoder<false> {};
template <>
struct Encoder<Encoding::Utf16BE> : Utf16Encoder<true> {};

template <>
struct Encoder<Encoding::Windows1252> {
    static constexpr int bom(char*) { return 0; }
    static int put(const char16_t* s, qsizetype, char*& out) {
        *out++ = char(Windows1252::fromUnicode(s[0]));
        return 1;
    }
    static qsizetype size(const char16_t*, qsizetype, int* used) {
        *used = 1;
        return 1;
    }
    static void newline(char ch, char*& out) { *out++ = ch; }
    static constexpr int kUnit = 1;
};

// Line breaks of the text and, for Windows-1252, whether every character fits.
struct TextScan {
    qsizetype breaks = 0;
    bool fitsWindows1252 = true;
};

TextScan scan(const QString& text) {
    TextScan result;
    const char16_t* s = reinterpret_cast<const char16_t*>(text.constData());
    const qsizetype n = text.size();
    for (qsizetype i = 0; i < n; ++i) {
        const char16_t c = s[i];
        if (c == '\n' || c == '\r') {
            if (c == '\r' && i + 1 < n && s[i + 1] == '\n') ++i;
            ++result.breaks;
            continue;
        }
        if (c >= 0x80 && result.fitsWindows1252 &&
            (c > 0xFF || c < 0xA0 || QChar::isSurrogate(c)) && Windows1252::fromUnicode(c) < 0) {
            result.fitsWindows1252 = false;
        }
    }
    return result;
}

template <Encoding E>
QByteArray encodeAs(const QString& text, const TextFileFormat& format, const TextScan& scanned) {
    using Enc = Encoder<E>;
    const char16_t* s = reinterpret_cast<const char16_t*>(text.constData());
    const qsizetype n = text.size();
    const bool perBreak =
        !format.mixedLineEndings.isEmpty() && format.mixedLineEndings.size() == scanned.breaks;
    const auto endingLength = [](LineEnding e) { return e == LineEnding::CRLF ? 2 : 1; };

    // Exact size first, so the bytes are written once into a buffer of the right size.
    qsizetype size = format.bom ? Enc::bom(nullptr) : 0;
    for (qsizetype i = 0; i < n;) {
        const char16_t c = s[i];
        if (c == '\n' || c == '\r') {
            i += (c == '\r' && i + 1 < n && s[i + 1] == '\n') ? 2 : 1;
            continue;
        }
        int used;
        size += Enc::size(s + i, n - i, &used);
        i += used;
    }
    if (perBreak) {
        for (char e : format.mixedLineEndings) size += Enc::kUnit * (e == kMixedCRLF ? 2 : 1);
    } else {
        size += scanned.breaks * Enc::kUnit * endingLength(format.lineEnding);
    }

    QByteArray bytes(size, Qt::Uninitialized);
    char* out = bytes.data();
    if (format.bom) out += Enc::bom(out);
    qsizetype breakIndex = 0;
    for (qsizetype i = 0; i < n;) {
        const char16_t c = s[i];
        if (c != '\n' && c != '\r') {
            i += Enc::put(s + i, n - i, out);
            continue;
        }
        i += (c == '\r' && i + 1 < n && s[i + 1] == '\n') ? 2 : 1;
        LineEnding ending = format.lineEnding;
        if (perBreak) {
            const char e = format.mixedLineEndings[breakIndex++];
            ending = e == kMixedCRLF ? LineEnding::CRLF
                     : e == kMixedCR ? LineEnding::CR
                                     : LineEnding::LF;
        }
        if (ending != LineEnding::LF) Enc::newline('\r', out);
        if (ending != LineEnding::CR) Enc::newline('\n', out);
    }
    Q_ASSERT(out == bytes.data() + bytes.size());
    return bytes;
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
    bool hasNul = false;
    qsizetype controls = 0;
    qsizetype characters = n;

    if (n >= 2 && ((s[0] == 0xFF && s[1] == 0xFE) || (s[0] == 0xFE && s[1] == 0xFF))) {
        const bool bigEndian = s[0] == 0xFE;
        bool truncated = false;
        result.text = decodeUtf16(s + 2, n - 2, bigEndian, &truncated);
        result.format.encoding = bigEndian ? Encoding::Utf16BE : Encoding::Utf16LE;
        result.format.bom = true;
        result.lossy = truncated;
        characters = result.text.size();
        controls = countControls(reinterpret_cast<const char16_t*>(result.text.constData()),
                                 characters, &hasNul);
    } else {
        const bool bom = n >= 3 && s[0] == 0xEF && s[1] == 0xBB && s[2] == 0xBF;
        const uchar* body = bom ? s + 3 : s;
        const qsizetype size = bom ? n - 3 : n;
        if (isValidUtf8(body, size)) {
            result.text = QString::fromUtf8(reinterpret_cast<const char*>(body), size);
            result.format.encoding = Encoding::Utf8;
            result.format.bom = bom;
        } else if (bom) {
            // Marked as UTF-8 but damaged: keep it readable; the bad bytes become U+FFFD.
            result.text = QString::fromUtf8(reinterpret_cast<const char*>(body), size);
            result.format.encoding = Encoding::Utf8;
            result.format.bom = true;
            result.lossy = true;
        } else {
            result.text = Windows1252::decode(reinterpret_cast<const char*>(s), n);
            result.format.encoding = Encoding::Windows1252;
        }
        controls = countControls(s, n, &hasNul);
    }

    result.looksBinary = hasNul || controls * 50 > characters;  // over 2 % control characters
    if (holdsEditorBreaks(result.text)) result.lossy = true;
    normalizeLineEndings(result.text, result.format);
    return result;
}

EncodedText encode(const QString& text, const TextFileFormat& format) {
    EncodedText result;
    result.format = format;
    const TextScan scanned = scan(text);
    if (format.encoding == Encoding::Windows1252 && !scanned.fitsWindows1252) {
        result.format.encoding = Encoding::Utf8;
        result.format.bom = false;
        result.fellBackToUtf8 = true;
    }
    switch (result.format.encoding) {
        case Encoding::Utf8:
            result.bytes = encodeAs<Encoding::Utf8>(text, result.format, scanned);
            break;
        case Encoding::Utf16LE:
            result.bytes = encodeAs<Encoding::Utf16LE>(text, result.format, scanned);
            break;
        case Encoding::Utf16BE:
            result.bytes = encodeAs<Encoding::Utf16BE>(text, result.format, scanned);
            break;
        case Encoding::Windows1252:
            result.bytes = encodeAs<Encoding::Windows1252>(text, result.format, scanned);
            break;
    }
    return result;
}

QString plainText(const QTextDocument& document) {
    QString text = document.toRawText();
    char16_t* s = reinterpret_cast<char16_t*>(text.data());
    const qsizetype n = text.size();
    qsizetype w = 0;
    for (qsizetype r = 0; r < n; ++r) {
        const char16_t c = s[r];
        switch (c) {
            case QChar::ParagraphSeparator:
            case QChar::LineSeparator:
                s[w++] = '\n';
                break;
            case 0xFDD0:  // frame markers
            case 0xFDD1:
            case QChar::ObjectReplacementCharacter:
                break;
            default:
                s[w++] = c;
                break;
        }
    }
    text.truncate(w);
    return text;
}

}  // namespace TextFileCodec
