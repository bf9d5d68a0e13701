// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <QStringView>
#include <string>
#include <string_view>

// Moving page text between bytes, UTF-16 and code points. The stripper works on text held one
// element per character (code points, or UTF-16 without surrogate pairs), which these helpers
// make and carry its result out of, or on a page's bytes as they stand (StripHtml.h, pageBytes).
namespace HtmlTools {

// A page read from bytes: UTF-8 when the bytes are valid UTF-8 (a leading byte order mark is
// dropped), otherwise Windows-1252 (its five undefined bytes giving the C1 controls of the
// same codes).
std::u32string decodeHtmlBytes(QByteArrayView bytes);
QString decodeHtmlBytesToString(QByteArrayView bytes);
// The same into UTF-16 when every character fits one unit; false (leaving `out` unusable) when
// the page has a character outside the Basic Multilingual Plane.
bool decodeHtmlBytesToBmp(QByteArrayView bytes, QString& out);

// Whether the text holds a surrogate pair (a character that takes two UTF-16 units).
bool hasSurrogatePair(std::u16string_view text);

// UTF-16 to code points: a surrogate pair gives one code point, a lone surrogate is kept as is.
std::u32string toUcs4(QStringView text);
// Code points to UTF-16; code points above U+FFFF become surrogate pairs, values above U+10FFFF
// become U+FFFD.
QString fromUcs4(std::u32string_view text);
// Code points to UTF-8; surrogate code points (which UTF-8 cannot carry) and values above
// U+10FFFF become U+FFFD.
QByteArray toUtf8(std::u32string_view text);

}  // namespace HtmlTools
