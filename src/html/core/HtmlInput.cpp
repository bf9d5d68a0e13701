#include "html/core/HtmlInput.h"

#include <cstdint>
#include <cstring>

#include "common/core/Windows1252.h"

namespace HtmlTools {
namespace {

constexpr std::uint64_t kHighBits = 0x8080808080808080ull;

inline bool isContinuation(unsigned char b) {
    return (b & 0xC0) == 0x80;
}

// Strict UTF-8 (no overlong forms, no surrogates, nothing above U+10FFFF) into `out`, which
// must have room for `size` characters. Returns the number written, kInvalid when the bytes
// are not valid UTF-8, or kTooWide when a character does not fit a Char.
constexpr std::ptrdiff_t kInvalid = -1;
constexpr std::ptrdiff_t kTooWide = -2;

template <class Char>
std::ptrdiff_t decodeUtf8(const unsigned char* s, std::size_t size, Char* out) {
    const unsigned char* const end = s + size;
    Char* o = out;
    while (s < end) {
        // Pages are mostly ASCII: take eight bytes at a time while no high bit is set.
        while (end - s >= 8) {
            std::uint64_t word;
            std::memcpy(&word, s, 8);
            if (word & kHighBits) break;
            for (int k = 0; k < 8; ++k) o[k] = s[k];
            s += 8;
            o += 8;
        }
        if (s == end) break;
        const unsigned char b = *s;
        if (b < 0x80) {
            *o++ = b;
            ++s;
            continue;
        }
        if (b >= 0xC2 && b <= 0xDF) {
            if (end - s < 2 || !isContinuation(s[1])) return kInvalid;
            *o++ = Char(char32_t(b & 0x1F) << 6 | (s[1] & 0x3F));
            s += 2;
        } else if (b >= 0xE0 && b <= 0xEF) {
            if (end - s < 3 || !isContinuation(s[1]) || !isContinuation(s[2])) return kInvalid;
            if (b == 0xE0 && s[1] < 0xA0) return kInvalid;   // overlong
            if (b == 0xED && s[1] >= 0xA0) return kInvalid;  // surrogate
            *o++ = Char(char32_t(b & 0x0F) << 12 | char32_t(s[1] & 0x3F) << 6 | (s[2] & 0x3F));
            s += 3;
        } else if (b >= 0xF0 && b <= 0xF4) {
            if (end - s < 4 || !isContinuation(s[1]) || !isContinuation(s[2]) ||
                !isContinuation(s[3]))
                return kInvalid;
            if (b == 0xF0 && s[1] < 0x90) return kInvalid;   // overlong
            if (b == 0xF4 && s[1] >= 0x90) return kInvalid;  // above U+10FFFF
            if (sizeof(Char) < 4) return kTooWide;
            *o++ = Char(char32_t(b & 0x07) << 18 | char32_t(s[1] & 0x3F) << 12 |
                        char32_t(s[2] & 0x3F) << 6 | (s[3] & 0x3F));
            s += 4;
        } else {
            return kInvalid;
        }
    }
    return o - out;
}

}  // namespace

namespace {

// Decodes into `out` (room for bytes.size() characters): UTF-8 without its byte order mark when
// valid, else Windows-1252. Returns the number of characters, or kTooWide.
template <class Char>
std::ptrdiff_t decodeInto(QByteArrayView bytes, Char* out) {
    auto data = reinterpret_cast<const unsigned char*>(bytes.data());
    const std::size_t size = std::size_t(bytes.size());
    const bool bom = size >= 3 && data[0] == 0xEF && data[1] == 0xBB && data[2] == 0xBF;
    const std::size_t skip = bom ? 3 : 0;
    const std::ptrdiff_t n = decodeUtf8(data + skip, size - skip, out);
    if (n != kInvalid) return n;
    for (std::size_t k = 0; k < size; ++k) out[k] = Windows1252::toUnicode(data[k]);
    return std::ptrdiff_t(size);
}

}  // namespace

std::u32string decodeHtmlBytes(QByteArrayView bytes) {
    std::u32string text(std::size_t(bytes.size()), U'\0');
    text.resize(std::size_t(decodeInto(bytes, text.data())));
    return text;
}

bool decodeHtmlBytesToBmp(QByteArrayView bytes, QString& out) {
    out = QString(bytes.size(), Qt::Uninitialized);
    const std::ptrdiff_t n = decodeInto(bytes, reinterpret_cast<char16_t*>(out.data()));
    if (n == kTooWide) return false;
    out.resize(n);
    return true;
}

QString decodeHtmlBytesToString(QByteArrayView bytes) {
    QString text;
    if (decodeHtmlBytesToBmp(bytes, text)) return text;
    return fromUcs4(decodeHtmlBytes(bytes));
}

bool hasSurrogatePair(std::u16string_view text) {
    for (std::size_t k = 0; k + 1 < text.size(); ++k)
        if (text[k] >= 0xD800 && text[k] <= 0xDBFF && text[k + 1] >= 0xDC00 &&
            text[k + 1] <= 0xDFFF)
            return true;
    return false;
}

std::u32string toUcs4(QStringView text) {
    const char16_t* s = text.utf16();
    const std::size_t size = std::size_t(text.size());
    std::u32string out(size, U'\0');
    std::size_t o = 0;
    for (std::size_t k = 0; k < size; ++k) {
        const char16_t c = s[k];
        if (c >= 0xD800 && c <= 0xDBFF && k + 1 < size && s[k + 1] >= 0xDC00 &&
            s[k + 1] <= 0xDFFF) {
            out[o++] = 0x10000 + (char32_t(c - 0xD800) << 10) + (s[k + 1] - 0xDC00);
            ++k;
        } else {
            out[o++] = c;
        }
    }
    out.resize(o);
    return out;
}

QString fromUcs4(std::u32string_view text) {
    std::size_t units = text.size();
    for (char32_t c : text) units += c > 0xFFFF && c <= 0x10FFFF;
    QString out(qsizetype(units), Qt::Uninitialized);
    auto o = reinterpret_cast<char16_t*>(out.data());
    for (char32_t c : text) {
        if (c > 0x10FFFF) {
            *o++ = 0xFFFD;
        } else if (c > 0xFFFF) {
            *o++ = char16_t(0xD7C0 + (c >> 10));
            *o++ = char16_t(0xDC00 | (c & 0x3FF));
        } else {
            *o++ = char16_t(c);
        }
    }
    return out;
}

QByteArray toUtf8(std::u32string_view text) {
    std::size_t bytes = 0;
    for (char32_t c : text)
        bytes += c < 0x80 ? 1 : c < 0x800 ? 2 : c < 0x10000 || c > 0x10FFFF ? 3 : 4;
    QByteArray out(qsizetype(bytes), Qt::Uninitialized);
    auto o = reinterpret_cast<unsigned char*>(out.data());
    for (char32_t c : text) {
        if (c < 0x80) {
            *o++ = static_cast<unsigned char>(c);
        } else if (c < 0x800) {
            *o++ = static_cast<unsigned char>(0xC0 | (c >> 6));
            *o++ = static_cast<unsigned char>(0x80 | (c & 0x3F));
        } else if (c < 0x10000 || c > 0x10FFFF) {
            if ((c >= 0xD800 && c <= 0xDFFF) || c > 0x10FFFF) c = 0xFFFD;
            *o++ = static_cast<unsigned char>(0xE0 | (c >> 12));
            *o++ = static_cast<unsigned char>(0x80 | ((c >> 6) & 0x3F));
            *o++ = static_cast<unsigned char>(0x80 | (c & 0x3F));
        } else {
            *o++ = static_cast<unsigned char>(0xF0 | (c >> 18));
            *o++ = static_cast<unsigned char>(0x80 | ((c >> 12) & 0x3F));
            *o++ = static_cast<unsigned char>(0x80 | ((c >> 6) & 0x3F));
            *o++ = static_cast<unsigned char>(0x80 | (c & 0x3F));
        }
    }
    return out;
}

}  // namespace HtmlTools
