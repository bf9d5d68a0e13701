// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

class RichTextBox;

// The search of the Find and Replace dialogs over a text control: the text as it is typed, or
// a regular expression.
struct TextSearch {
    QString text;
    int options = 0;  // RichTextBox::FindOption values added together
    bool pattern = false;

    // Empty when the search can run, else a message for the user (a pattern that is not valid).
    QString problem(const QString* replacement = nullptr) const;
    // Selects the next match after the selection; nothing found leaves the selection as it is.
    void findNext(RichTextBox* box) const;
    // Replaces every match from the end of the selection to the end of the text, as one undo
    // step; returns how many.
    int replaceAll(RichTextBox* box, const QString& replacement) const;
};
