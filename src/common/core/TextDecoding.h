// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArrayView>
#include <QString>
#include <cstddef>

// Bytes of unknown encoding are read as UTF-8 when they are valid UTF-8, else as Windows-1252,
// where every byte string is valid: the one rule for text files, HTML input and web pages that
// declare no charset.
namespace TextDecoding {

constexpr std::ptrdiff_t kInvalid = -1;  // the bytes are not valid UTF-8
constexpr std::ptrdiff_t kTooWide = -2;  // a character does not fit the output

// Strict UTF-8 (no overlong forms, no surrogates, nothing above U+10FFFF) into `out`, which must
// have room for `size` characters. char32_t output holds every character; char16_t output holds
// those beyond U+FFFF as surrogate pairs, or with `bmpOnly` stops there with kTooWide. Returns
// the number of characters written, or kInvalid.
template <class Char>
std::ptrdiff_t decodeUtf8(const unsigned char* s, std::size_t size, Char* out,
                          bool bmpOnly = false);

// The length of the longest start of `s` made of whole characters that decodeUtf8 accepts.
std::size_t validUtf8Prefix(const unsigned char* s, std::size_t size);

// UTF-8 without its byte order mark when valid, else Windows-1252 of all the bytes, into `out`
// (room for bytes.size() characters). Returns the number of characters, or kTooWide.
template <class Char>
std::ptrdiff_t utf8OrWindows1252(QByteArrayView bytes, Char* out, bool bmpOnly = false,
                                 bool* wasUtf8 = nullptr);

// The same as a string; `wasUtf8` tells which of the two was read.
QString utf8OrWindows1252(QByteArrayView bytes, bool* wasUtf8 = nullptr);

// Strict UTF-8 into `text` (a byte order mark is kept as a character); false, leaving `text`
// alone, when the bytes are not valid UTF-8.
bool decodeUtf8(QByteArrayView bytes, QString* text);

}  // namespace TextDecoding
