// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QStringView>

// The column a caret shows at after `line` (the text from the start of its line to the caret):
// one for each character a person sees (a letter with its accents, an emoji sequence), and a
// tab to the next multiple of `tabWidth`. 1-based, as editors show it.
qsizetype displayColumn(QStringView line, int tabWidth = 8);

// The same counted piece by piece, so that a long line need not be copied whole. Characters
// below U+0300 stand alone (the combining marks begin there): Latin text is counted by simple()
// alone; at the first other character the rest of the line goes to rest(), from the character
// before it, which that one may combine with.
class ColumnCounter {
  public:
    explicit ColumnCounter(int tabWidth = 8) : tabWidth_(tabWidth) {}
    // Counts `text` while its characters are below U+0300; returns how many it took.
    qsizetype simple(QStringView text);
    // Takes back the last character simple() counted (which the next may combine with).
    void dropLast() { column_ = beforeLast_; }
    // Counts `text` by the characters a person sees; returns how much it took. Unless `last`,
    // the character at its end is left for the next piece, which may go on with it; when that
    // one character is the whole piece nothing is taken, and the caller gives a longer piece.
    qsizetype rest(QStringView text, bool last);
    // The 1-based column after what was counted.
    qsizetype column() const { return column_ + 1; }

  private:
    qsizetype after(qsizetype column, QChar c) const {
        return c == u'\t' ? (column / tabWidth_ + 1) * tabWidth_ : column + 1;
    }

    int tabWidth_;
    qsizetype column_ = 0;
    qsizetype beforeLast_ = 0;
};
