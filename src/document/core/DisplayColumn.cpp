// SPDX-License-Identifier: GPL-3.0-or-later
#include "document/core/DisplayColumn.h"

#include <QTextBoundaryFinder>

qsizetype displayColumn(QStringView line, int tabWidth) {
    qsizetype column = 0;
    const auto advance = [&](QChar c) {
        column = c == u'\t' ? (column / tabWidth + 1) * tabWidth : column + 1;
    };
    // Below U+0300 every character stands alone (the combining marks begin there), so a long
    // line of Latin text is counted without asking for boundaries. The last such character may
    // take the marks that follow it: the boundaries are asked for from there on.
    qsizetype simple = 0;
    while (simple < line.size() && line[simple].unicode() < 0x300) ++simple;
    if (simple < line.size() && simple > 0) --simple;
    for (qsizetype i = 0; i < simple; ++i) advance(line[i]);
    const QStringView rest = line.mid(simple);
    if (rest.isEmpty()) return column + 1;
    QTextBoundaryFinder graphemes(QTextBoundaryFinder::Grapheme, rest.data(), rest.size());
    for (qsizetype from = 0, to; (to = graphemes.toNextBoundary()) > 0; from = to)
        advance(rest[from]);
    return column + 1;
}
