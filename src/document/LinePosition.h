// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QtGlobal>

class RichTextBox;

// Lines of a text control: a line ends at a line break (a paragraph in formatted text). Read
// from the plain-text editor's line index, so a text of any length answers at once.
namespace LinePosition {

// The caret's line and column, both 1-based; the column counts characters as a person sees
// them, a tab reaching the next multiple of eight.
struct Place {
    qsizetype line = 1;
    qsizetype column = 1;
};
Place caretPlace(const RichTextBox* box);
qsizetype lineCount(const RichTextBox* box);
// Puts the caret at the start of `line` (1-based, kept within the text) and shows it.
void goToLine(RichTextBox* box, qsizetype line);

}  // namespace LinePosition
