// SPDX-License-Identifier: GPL-3.0-or-later
#include "document/core/TextNavigation.h"

#include <QTextBoundaryFinder>
#include <algorithm>

#include "document/core/TextBuffer.h"

namespace {
using TextNavigation::codePointAt;
using TextNavigation::codePointBefore;
using Boundary = QTextBoundaryFinder::BoundaryType;

// Characters read behind a position as context for the boundary rules, and ahead of it at
// first: a cluster or word is seldom longer, and a longer one only widens the read.
constexpr qsizetype kContext = 32;
constexpr qsizetype kReach = 256;

// A stretch of one line read out of the buffer, neither end splitting a surrogate pair.
struct Stretch {
    qsizetype from, to;            // in the text
    qsizetype lineStart, lineEnd;  // of the line it lies in
    QString text;
};

Stretch read(const TextBuffer& text, qsizetype position, qsizetype before, qsizetype after) {
    const qsizetype line = text.lineOf(position);
    Stretch s;
    s.lineStart = text.lineStart(line);
    s.lineEnd = text.lineEnd(line);
    s.from = std::max(s.lineStart, position - before);
    s.to = std::min(s.lineEnd, position + after);
    if (s.from > s.lineStart && text.at(s.from).isLowSurrogate()) --s.from;
    if (s.to < s.lineEnd && text.at(s.to).isLowSurrogate()) ++s.to;
    s.text = text.mid(s.from, s.to - s.from);
    return s;
}

// Whether the finder stands between the halves of a surrogate pair, where Qt 6.4 sometimes
// puts a grapheme boundary (after a spacing mark, before a regional indicator).
bool insidePair(const QTextBoundaryFinder& finder, const QString& text) {
    const qsizetype at = finder.position();
    return at > 0 && at < text.size() && text[at - 1].isHighSurrogate() &&
           text[at].isLowSurrogate();
}

// The next (`forward`) or previous boundary of `type` within the line of `position`. The
// stretch read grows while the boundary found is only its edge.
qsizetype boundary(const TextBuffer& text, qsizetype position, Boundary type, bool forward) {
    for (qsizetype reach = kReach;; reach *= 4) {
        const Stretch s =
            read(text, position, forward ? kContext : reach, forward ? reach : kContext);
        QTextBoundaryFinder finder(type, s.text);
        finder.setPosition(int(position - s.from));
        const auto step = [&] {
            return forward ? finder.toNextBoundary() : finder.toPreviousBoundary();
        };
        qsizetype found = step();
        while (found > 0 && insidePair(finder, s.text)) found = step();
        if (found < 0) return forward ? s.to : s.from;
        const bool edge = forward ? s.from + found == s.to && s.to < s.lineEnd
                                  : found == 0 && s.from > s.lineStart;
        if (!edge) return s.from + found;
    }
}

qsizetype nextBoundary(const TextBuffer& text, qsizetype position, Boundary type) {
    return boundary(text, position, type, true);
}

qsizetype previousBoundary(const TextBuffer& text, qsizetype position, Boundary type) {
    return boundary(text, position, type, false);
}

bool isBlank(char32_t c) {
    return c != u'\n' && QChar::isSpace(c);
}

bool isVariationSelector(char32_t c) {
    return (c >= 0xFE00 && c <= 0xFE0F) || (c >= 0xE0100 && c <= 0xE01EF);
}
}  // namespace

bool TextNavigation::isWordCharacter(char32_t c) {
    return QChar::isLetterOrNumber(c) || QChar::isMark(c) || c == U'_' || c == 0x200C ||
           c == 0x200D;
}

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
