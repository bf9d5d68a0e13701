// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QString>

// Windows-1252 with the five bytes it leaves undefined (81, 8D, 8F, 90, 9D) mapped to the C1
// control characters of the same code, so that every byte string decodes and encodes back
// unchanged.
namespace Windows1252 {

// The character a byte stands for.
char16_t toUnicode(unsigned char byte);

// The byte for a character, or -1 when the code page has none.
int fromUnicode(char16_t ch);

QString decode(const char* data, qsizetype size);
inline QString decode(const QByteArray& bytes) {
    return decode(bytes.constData(), bytes.size());
}

}  // namespace Windows1252
