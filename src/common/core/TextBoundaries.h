// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QChar>
#include <QString>
#include <QTextBoundaryFinder>
#include <functional>

// Where characters and words begin and end in a text, for the caret keys and for the search
// alike, so that both stop at the same places. A character is what a reader sees as one (a
// grapheme cluster: a letter with its accents, a flag, an emoji with its modifiers); words are
// those of Unicode's word boundaries. Nothing here ever splits a surrogate pair.
namespace TextBoundaries {

// Whether a code point belongs to a word: a letter, digit or mark in any script, the connector
// "_", or a joiner inside a word. The one rule behind word moves, double-clicks and whole-word
// search.
bool isWordCharacter(char32_t c);

// The whole code point that starts / ends at `at` in a text (anything with `length()` and
// `at()`: a QStringView, the editor's buffer); 0 outside it.
template <class Text>
char32_t codePointAt(const Text& text, qsizetype at) {
    if (at < 0 || at >= text.length()) return 0;
    const QChar c = text.at(at);
    if (c.isHighSurrogate() && at + 1 < text.length() && text.at(at + 1).isLowSurrogate())
        return QChar::surrogateToUcs4(c, text.at(at + 1));
    return c.unicode();
}
template <class Text>
char32_t codePointBefore(const Text& text, qsizetype at) {
    if (at <= 0 || at > text.length()) return 0;
    const QChar c = text.at(at - 1);
    if (c.isLowSurrogate() && at >= 2 && text.at(at - 2).isHighSurrogate())
        return QChar::surrogateToUcs4(text.at(at - 2), c);
    return c.unicode();
}

// The stretch `start` to `end` of a text that boundaries are looked for in, read a window at a
// time through `read(from, to)`, so that a long text costs no more than a short one. Its ends
// are boundaries: the editor gives a line, whose break ends every character and word.
struct Stretch {
    std::function<QString(qsizetype from, qsizetype to)> read;
    qsizetype start = 0;
    qsizetype end = 0;
};
// The whole of `text`, which must outlive the stretch.
Stretch wholeOf(const QString& text);

using Type = QTextBoundaryFinder::BoundaryType;
// The next boundary after `position` (the end at the end), and the last before it (the start at
// the start).
qsizetype next(const Stretch& stretch, qsizetype position, Type type);
qsizetype previous(const Stretch& stretch, qsizetype position, Type type);
bool isBoundary(const Stretch& stretch, qsizetype position, Type type);

}  // namespace TextBoundaries
