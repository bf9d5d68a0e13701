// SPDX-License-Identifier: GPL-3.0-or-later
#include "document/core/TextNavigation.h"

#include <algorithm>

#include "common/core/TextBoundaries.h"
#include "document/core/TextBuffer.h"

namespace {
using TextBoundaries::codePointAt;
using TextBoundaries::codePointBefore;
using TextBoundaries::isWordCharacter;

// Boundaries are looked for within the line of `position`: its break ends every character and
// word.
TextBoundaries::Stretch lineAround(const TextBuffer& text, qsizetype position) {
    const qsizetype line = text.lineOf(position);
    return {[&text](qsizetype from, qsizetype to) { return text.mid(from, to - from); },
            text.lineStart(line), text.lineEnd(line)};
}

qsizetype nextBoundary(const TextBuffer& text, qsizetype position, TextBoundaries::Type type) {
    return TextBoundaries::next(lineAround(text, position), position, type);
}

qsizetype previousBoundary(const TextBuffer& text, qsizetype position, TextBoundaries::Type type) {
    return TextBoundaries::previous(lineAround(text, position), position, type);
}

bool isBlank(char32_t c) {
    return c != u'\n' && QChar::isSpace(c);
}

bool isVariationSelector(char32_t c) {
    return (c >= 0xFE00 && c <= 0xFE0F) || (c >= 0xE0100 && c <= 0xE01EF);
}
}  // namespace

qsizetype TextNavigation::nextCharacter(const TextBuffer& text, qsizetype position) {
    if (position >= text.length()) return text.length();
    if (text.at(position) == u'\n') return position + 1;
    return nextBoundary(text, position, QTextBoundaryFinder::Grapheme);
}

bool TextNavigation::isCharacterBoundary(const TextBuffer& text, qsizetype position) {
    return position >= text.length() ||
           previousCharacter(text, nextCharacter(text, position)) == position;
}

qsizetype TextNavigation::previousCharacter(const TextBuffer& text, qsizetype position) {
    if (position <= 0) return 0;
    if (text.at(position - 1) == u'\n') return position - 1;
    return previousBoundary(text, position, QTextBoundaryFinder::Grapheme);
}

qsizetype TextNavigation::previousDeletion(const TextBuffer& text, qsizetype position) {
    const qsizetype start = previousCharacter(text, position);
    if (position - start < 2) return start;
    const char32_t last = codePointBefore(text, position);
    const QChar::Category category = QChar::category(last);
    const bool mark =
        category == QChar::Mark_NonSpacing || category == QChar::Mark_SpacingCombining;
    if (!mark || isVariationSelector(last)) return start;
    return position - (QChar::requiresSurrogates(last) ? 2 : 1);
}

qsizetype TextNavigation::nextWord(const TextBuffer& text, qsizetype position) {
    const qsizetype end = text.length();
    if (position >= end) return end;
    if (text.at(position) == u'\n') return position + 1;
    if (!isBlank(codePointAt(text, position)))
        position = nextBoundary(text, position, QTextBoundaryFinder::Word);
    while (position < end && isBlank(codePointAt(text, position)))
        position = nextBoundary(text, position, QTextBoundaryFinder::Word);
    return position;
}

qsizetype TextNavigation::previousWord(const TextBuffer& text, qsizetype position) {
    qsizetype at = position;
    while (at > 0 && isBlank(codePointBefore(text, at)))
        at = previousBoundary(text, at, QTextBoundaryFinder::Word);
    if (at == 0) return 0;
    if (text.at(at - 1) == u'\n') return at == position ? at - 1 : at;
    return previousBoundary(text, at, QTextBoundaryFinder::Word);
}

std::pair<qsizetype, qsizetype> TextNavigation::wordAt(const TextBuffer& text, qsizetype position) {
    position = std::clamp<qsizetype>(position, 0, text.length());
    // The word that starts at or holds `position`, else the one that ends there, else whatever
    // stands between the word boundaries around `position`.
    std::pair<qsizetype, qsizetype> around{position, nextCharacter(text, position)};
    for (qsizetype inside : {position, position - 1}) {
        if (inside < 0 || inside >= text.length() || text.at(inside) == u'\n') continue;
        const qsizetype end = nextBoundary(text, inside, QTextBoundaryFinder::Word);
        const qsizetype start = previousBoundary(text, end, QTextBoundaryFinder::Word);
        if (isWordCharacter(codePointAt(text, start))) return {start, end};
        if (inside == position || around.first == around.second) around = {start, end};
    }
    return around;
}
