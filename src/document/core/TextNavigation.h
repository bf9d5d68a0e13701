// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QtGlobal>
#include <utility>

class TextBuffer;

// Where the caret goes in a plain text when it moves by a character or a word, and what the
// deleting keys remove: the boundaries of common/core/TextBoundaries, a line break ending every
// character and word.
namespace TextNavigation {

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
