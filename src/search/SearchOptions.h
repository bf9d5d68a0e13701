// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QCheckBox>

#include "document/RichTextBox.h"

// The options value the search dialogs pass to RichTextBox::Find: 4 when the "Case sensitive"
// box is ticked, plus 2 when "Match whole word only" is (0, 2, 4 or 6). A box in the third state
// counts as ticked.
inline int SearchOptions(const QCheckBox* matchCase, const QCheckBox* wholeWord) {
    int options = RichTextBox::rtfNone;
    if (matchCase->checkState() != Qt::Unchecked) options += RichTextBox::rtfMatchCase;
    if (wholeWord->checkState() != Qt::Unchecked) options += RichTextBox::rtfWholeWord;
    return options;
}
