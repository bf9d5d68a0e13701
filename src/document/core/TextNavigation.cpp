// SPDX-License-Identifier: GPL-3.0-or-later
#include "document/core/TextNavigation.h"

#include "document/core/TextBuffer.h"

namespace {
bool isWordChar(QChar c) {
    return c.isLetterOrNumber() || c.isMark() || c == u'_';
}
bool isBlank(QChar c) {
    return c.isSpace() && c != u'\n';
}
}  // namespace

qsizetype TextNavigation::nextCharacter(const TextBuffer& text, qsizetype position) {
    if (position >= text.length()) return text.length();
    const bool pair = text.at(position).isHighSurrogate() && position + 1 < text.length() &&
                      text.at(position + 1).isLowSurrogate();
    return position + (pair ? 2 : 1);
}

qsizetype TextNavigation::previousCharacter(const TextBuffer& text, qsizetype position) {
    if (position <= 0) return 0;
    const bool pair = position >= 2 && text.at(position - 1).isLowSurrogate() &&
                      text.at(position - 2).isHighSurrogate();
    return position - (pair ? 2 : 1);
}

qsizetype TextNavigation::nextWord(const TextBuffer& text, qsizetype position) {
    const qsizetype end = text.length();
    if (position >= end) return end;
    const QChar c = text.at(position);
    if (c == u'\n') return position + 1;
    if (isWordChar(c)) {
        while (position < end && isWordChar(text.at(position))) ++position;
    } else if (!c.isSpace()) {
        ++position;
    }
    while (position < end && isBlank(text.at(position))) ++position;
    return position;
}

qsizetype TextNavigation::previousWord(const TextBuffer& text, qsizetype position) {
    qsizetype at = position;
    while (at > 0 && isBlank(text.at(at - 1))) --at;
    if (at == 0) return 0;
    if (text.at(at - 1) == u'\n') return at == position ? at - 1 : at;
    if (isWordChar(text.at(at - 1))) {
        while (at > 0 && isWordChar(text.at(at - 1))) --at;
    } else {
        --at;
    }
    return at;
}

std::pair<qsizetype, qsizetype> TextNavigation::wordAt(const TextBuffer& text, qsizetype position) {
    qsizetype from = position, to = position;
    while (from > 0 && isWordChar(text.at(from - 1))) --from;
    while (to < text.length() && isWordChar(text.at(to))) ++to;
    if (from == to) to = nextCharacter(text, position);
    return {from, to};
}
