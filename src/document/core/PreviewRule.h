// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QChar>

// Whether a text starts like an HTML page: "<HTML>" (any letter case) occurs before the first
// character outside "<", ">", "H", "T", "M", "L", space, CR and LF. `charAt(i)` yields the i-th
// character (0-based) of a text of `length` characters; only the characters up to the decisive
// one are read, so the check costs nothing on ordinary text.
inline char16_t previewRuleUpper(QChar c) {
    const char16_t u = c.unicode();
    return u >= 'a' && u <= 'z' ? char16_t(u - 32) : u;
}

template <typename CharAt>
bool StartsLikeHtmlPage(CharAt charAt, int length) {
    static constexpr char kTag[] = "<HTML>";
    for (int i = 0; i < length; ++i) {
        if (i >= 5) {
            bool match = true;
            for (int k = 0; k < 6 && match; ++k) {
                match = previewRuleUpper(charAt(i - 5 + k)) == char16_t(kTag[k]);
            }
            if (match) return true;
        }
        switch (previewRuleUpper(charAt(i))) {
            case '<':
            case '>':
            case 'H':
            case 'T':
            case 'M':
            case 'L':
            case ' ':
            case '\r':
            case '\n':
                break;
            default:
                return false;
        }
    }
    return false;
}
