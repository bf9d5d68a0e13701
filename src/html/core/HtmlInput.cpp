// SPDX-License-Identifier: GPL-3.0-or-later
#include "html/core/HtmlInput.h"

#include "common/core/TextDecoding.h"

namespace HtmlTools {
namespace {

// Decodes into `out` (room for bytes.size() characters): UTF-8 without its byte order mark when
// valid, else Windows-1252. Returns the number of characters, or kTooWide when a 16-bit output
// meets a character beyond U+FFFF.
template <class Char>
std::ptrdiff_t decodeInto(QByteArrayView bytes, Char* out) {
    return TextDecoding::utf8OrWindows1252(bytes, out, /*bmpOnly=*/sizeof(Char) < 4);
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
    if (n == TextDecoding::kTooWide) return false;
    out.resize(n);
    return true;
}

QString decodeHtmlBytesToString(QByteArrayView bytes) {
    return TextDecoding::utf8OrWindows1252(bytes);
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
