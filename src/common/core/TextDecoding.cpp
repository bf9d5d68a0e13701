// SPDX-License-Identifier: GPL-3.0-or-later
#include "common/core/TextDecoding.h"

#include <cstdint>
#include <cstring>

#include "common/core/Windows1252.h"

namespace TextDecoding {
namespace {

inline bool isContinuation(unsigned char b) {
    return (b & 0xC0) == 0x80;
}

}  // namespace

template <class Char>
std::ptrdiff_t decodeUtf8(const unsigned char* s, std::size_t size, Char* out, bool bmpOnly) {
    constexpr std::uint64_t kHighBits = 0x8080808080808080ull;
    const unsigned char* const end = s + size;
    Char* o = out;
    while (s < end) {
        // Text is mostly ASCII: take eight bytes at a time while no high bit is set.
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
            const char32_t c = char32_t(b & 0x07) << 18 | char32_t(s[1] & 0x3F) << 12 |
                               char32_t(s[2] & 0x3F) << 6 | (s[3] & 0x3F);
            if constexpr (sizeof(Char) < 4) {
                if (bmpOnly) return kTooWide;
                // Four bytes make two units: the output never outgrows the input.
                *o++ = Char(0xD7C0 + (c >> 10));
                *o++ = Char(0xDC00 | (c & 0x3FF));
            } else {
                *o++ = Char(c);
            }
            s += 4;
        } else {
            return kInvalid;
        }
    }
    return o - out;
}

std::size_t validUtf8Prefix(const unsigned char* s, std::size_t size) {
    constexpr std::uint64_t kHighBits = 0x8080808080808080ull;
    const unsigned char* const start = s;
    const unsigned char* const end = s + size;
    while (s < end) {
        // Sixteen ASCII bytes at a time.
        while (end - s >= 16) {
            std::uint64_t a, b;
            std::memcpy(&a, s, 8);
            std::memcpy(&b, s + 8, 8);
            if ((a | b) & kHighBits) break;
            s += 16;
        }
        const unsigned char* const before = s;
        while (s < end && *s < 0x80) ++s;
        if (s == end) break;
        if (s != before) continue;
        const unsigned char b = *s;
        const std::ptrdiff_t left = end - s;
        if (b >= 0xC2 && b <= 0xDF) {
            if (left < 2 || !isContinuation(s[1])) break;
            s += 2;
        } else if (b >= 0xE0 && b <= 0xEF) {
            if (left < 3 || !isContinuation(s[1]) || !isContinuation(s[2])) break;
            if (b == 0xE0 && s[1] < 0xA0) break;   // overlong
            if (b == 0xED && s[1] >= 0xA0) break;  // surrogate
            s += 3;
        } else if (b >= 0xF0 && b <= 0xF4) {
            if (left < 4 || !isContinuation(s[1]) || !isContinuation(s[2]) || !isContinuation(s[3]))
                break;
            if (b == 0xF0 && s[1] < 0x90) break;   // overlong
            if (b == 0xF4 && s[1] >= 0x90) break;  // above U+10FFFF
            s += 4;
        } else {
            break;
        }
    }
    return std::size_t(s - start);
}

template <class Char>
std::ptrdiff_t utf8OrWindows1252(QByteArrayView bytes, Char* out, bool bmpOnly, bool* wasUtf8) {
    auto data = reinterpret_cast<const unsigned char*>(bytes.data());
    const std::size_t size = std::size_t(bytes.size());
    const bool bom = size >= 3 && data[0] == 0xEF && data[1] == 0xBB && data[2] == 0xBF;
    const std::size_t skip = bom ? 3 : 0;
    const std::ptrdiff_t n = decodeUtf8(data + skip, size - skip, out, bmpOnly);
    if (wasUtf8) *wasUtf8 = n != kInvalid;
    if (n != kInvalid) return n;
    for (std::size_t k = 0; k < size; ++k) out[k] = Windows1252::toUnicode(data[k]);
    return std::ptrdiff_t(size);
}

template std::ptrdiff_t decodeUtf8(const unsigned char*, std::size_t, char16_t*, bool);
template std::ptrdiff_t decodeUtf8(const unsigned char*, std::size_t, char32_t*, bool);
template std::ptrdiff_t utf8OrWindows1252(QByteArrayView, char16_t*, bool, bool*);
template std::ptrdiff_t utf8OrWindows1252(QByteArrayView, char32_t*, bool, bool*);

QString utf8OrWindows1252(QByteArrayView bytes, bool* wasUtf8) {
    QString text(bytes.size(), Qt::Uninitialized);
    const std::ptrdiff_t n =
        utf8OrWindows1252(bytes, reinterpret_cast<char16_t*>(text.data()), false, wasUtf8);
    text.truncate(n);
    return text;
}

bool decodeUtf8(QByteArrayView bytes, QString* text) {
    QString out(bytes.size(), Qt::Uninitialized);
    const std::ptrdiff_t n =
        decodeUtf8(reinterpret_cast<const unsigned char*>(bytes.data()), std::size_t(bytes.size()),
                   reinterpret_cast<char16_t*>(out.data()));
    if (n == kInvalid) return false;
    out.truncate(n);
    *text = std::move(out);
    return true;
}

}  // namespace TextDecoding
