// SPDX-License-Identifier: GPL-3.0-or-later
#include "common/core/TextBoundaries.h"

#include <algorithm>

namespace {

// Characters read behind a position as context for the boundary rules, and ahead of it at
// first: a cluster or word is seldom longer, and a longer one only widens the read.
constexpr qsizetype kContext = 32;
constexpr qsizetype kReach = 64;

// A window of the stretch, neither end splitting a surrogate pair: `from` to `to` of the text,
// which is `read` at `offset`.
struct Window {
    qsizetype from, to;
    QString read;
    qsizetype offset;
    const QChar* text() const { return read.constData() + offset; }
    qsizetype size() const { return to - from; }
};

Window read(const TextBoundaries::Stretch& s, qsizetype position, qsizetype before,
            qsizetype after) {
    Window w;
    w.from = std::max(s.start, position - before);
    w.to = std::min(s.end, position + after);
    // One more on each side, to see whether an end falls inside a pair.
    const qsizetype first = std::max(s.start, w.from - 1);
    const qsizetype last = std::min(s.end, w.to + 1);
    w.read = s.read(first, last);
    if (first < w.from && w.read[w.from - first].isLowSurrogate()) w.from = first;
    if (w.to < last && w.read[w.to - first].isLowSurrogate()) w.to = last;
    w.offset = w.from - first;
    return w;
}

// Whether the finder stands between the halves of a surrogate pair, where Qt 6.4 sometimes
// puts a grapheme boundary (after a spacing mark, before a regional indicator).
bool insidePair(const QTextBoundaryFinder& finder, const Window& w) {
    const qsizetype at = finder.position();
    return at > 0 && at < w.size() && w.text()[at - 1].isHighSurrogate() &&
           w.text()[at].isLowSurrogate();
}

// The window read grows while the boundary found is only its edge.
qsizetype boundary(const TextBoundaries::Stretch& s, qsizetype position, TextBoundaries::Type type,
                   bool forward) {
    for (qsizetype reach = kReach;; reach *= 4) {
        const Window w = read(s, position, forward ? kContext : reach, forward ? reach : kContext);
        QTextBoundaryFinder finder(type, w.text(), w.size());
        finder.setPosition(int(position - w.from));
        const auto step = [&] {
            return forward ? finder.toNextBoundary() : finder.toPreviousBoundary();
        };
        qsizetype found = step();
        while (found > 0 && insidePair(finder, w)) found = step();
        if (found < 0) return forward ? w.to : w.from;
        const bool edge =
            forward ? w.from + found == w.to && w.to < s.end : found == 0 && w.from > s.start;
        if (!edge) return w.from + found;
    }
}

}  // namespace

bool TextBoundaries::isWordCharacter(char32_t c) {
    return QChar::isLetterOrNumber(c) || QChar::isMark(c) || c == U'_' || c == 0x200C ||
           c == 0x200D;
}

TextBoundaries::Stretch TextBoundaries::wholeOf(const QString& text) {
    // Windows of it without copies: they live no longer than a look for one boundary.
    return {[&text](qsizetype from, qsizetype to) {
                return QString::fromRawData(text.constData() + from, to - from);
            },
            0, text.size()};
}

qsizetype TextBoundaries::next(const Stretch& stretch, qsizetype position, Type type) {
    if (position >= stretch.end) return stretch.end;
    return boundary(stretch, position, type, true);
}

qsizetype TextBoundaries::previous(const Stretch& stretch, qsizetype position, Type type) {
    if (position <= stretch.start) return stretch.start;
    return boundary(stretch, position, type, false);
}

bool TextBoundaries::isBoundary(const Stretch& stretch, qsizetype position, Type type) {
    if (position <= stretch.start || position >= stretch.end) return true;
    const Window w = read(stretch, position, kContext, kContext);
    QTextBoundaryFinder finder(type, w.text(), w.size());
    finder.setPosition(int(position - w.from));
    return finder.isAtBoundary() && !insidePair(finder, w);
}
