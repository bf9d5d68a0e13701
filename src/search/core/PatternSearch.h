// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QRegularExpression>
#include <QString>
#include <vector>

#include "document/core/TextReplacement.h"

// Searching a text for a regular expression, as Find and Replace do with "Regular expression"
// ticked: "^" and "$" match at every line, letter case is ignored unless asked for, and with
// whole words a match must not continue a word on either side. A match of nothing never makes
// a search stand still: repeated searches move on, and Replace All takes each place once.
class PatternSearch {
  public:
    PatternSearch(const QString& pattern, bool matchCase, bool wholeWord);

    // Empty when the pattern is sound, else a message for the user.
    QString problem() const;
    // Empty when `replacement` is sound for this pattern, else a message for the user. In a
    // replacement \0 to \9 stand for the match and its groups, \n for a line break, \t for a
    // tab and \\ for a backslash.
    QString replacementProblem(const QString& replacement) const;

    struct Match {
        qsizetype start = -1;  // -1: none
        qsizetype length = 0;
    };
    // The first match starting at or after `from`; with `emptyAtFrom` false, a match of
    // nothing right at `from` is passed over.
    Match find(const QString& text, qsizetype from, bool emptyAtFrom) const;
    // Every match from `from` to the end, each search going on where the last match ended,
    // with what `replacement` makes of it.
    std::vector<TextReplacement> replaceAll(const QString& text, qsizetype from,
                                            const QString& replacement) const;

  private:
    QRegularExpressionMatch matchFrom(const QString& text, qsizetype from, bool emptyAtFrom) const;
    QString expand(const QString& replacement, const QRegularExpressionMatch& match) const;

    QRegularExpression expression_;
    QString pattern_;
    bool wholeWord_;
};
