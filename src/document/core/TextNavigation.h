// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QChar>
#include <utility>

class TextBuffer;

// Where the caret goes in a plain text when it moves by a character or a word, and what the
// deleting keys remove. A character is what a reader sees as one (a grapheme cluster: a letter
// with its accents, a flag, an emoji with its modifiers); words are those of Unicode's word
// boundaries, a line break ending one. Nothing here ever splits a surrogate pair.
namespace TextNavigation {

// Whether a code point belongs to a word: a letter, digit or mark in any script, the connector
// "_", or a joiner inside a word. The one rule behind word moves, double-clicks and whole-word
// search.
bool isWordCharacter(char32_t c);

// The whole code point that starts / ends at `at` in a text (a TextBuffer or a QStringView);
// 0 outside it.
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

qsizetype nextCharacter(const TextBuffer& text, qsizetype position);
bool isCharacterBoundary(const TextBuffer& text, qsizetype position);
qsizetype previousCharacter(const TextBuffer& text, qsizetype position);
// Where Backspace deletes back to: the previous character, except that an accent or vowel sign
// ending it goes alone, so a mistyped mark can be typed again.
qsizetype previousDeletion(const TextBuffer& text, qsizetype position);
// The start of the next word, or the end of the line break at `position`.
qsizetype nextWord(const TextBuffer& text, qsizetype position);
qsizetype previousWord(const TextBuffer& text, qsizetype position);
// The word around `position`, or the character there when it is no word's.
std::pair<qsizetype, qsizetype> wordAt(const TextBuffer& text, qsizetype position);

}  // namespace TextNavigation
