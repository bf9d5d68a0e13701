// SPDX-License-Identifier: GPL-3.0-or-later
#include "document/core/DisplayColumn.h"

#include <QTextBoundaryFinder>

qsizetype ColumnCounter::simple(QStringView text) {
    const char16_t* data = text.utf16();
    qsizetype at = 0;
    for (; at < text.size() && data[at] < 0x300; ++at) {
        beforeLast_ = column_;
        column_ = after(column_, QChar(data[at]));
    }
    return at;
}

qsizetype ColumnCounter::rest(QStringView text, bool last) {
    QTextBoundaryFinder graphemes(QTextBoundaryFinder::Grapheme, text.data(), text.size());
    qsizetype from = 0;
    for (qsizetype to; (to = graphemes.toNextBoundary()) > 0; from = to) {
        if (!last && to == text.size()) break;
        column_ = after(column_, text[from]);
    }
    if (last) return text.size();
    if (from > 0 || text.isEmpty()) return from;
    // One character fills the whole piece: counted as one, so the count goes on.
    column_ = after(column_, text[0]);
    return text.size();
}

qsizetype displayColumn(QStringView line, int tabWidth) {
    ColumnCounter counter(tabWidth);
    qsizetype at = counter.simple(line);
    if (at < line.size()) {
        if (at > 0) {
            --at;
            counter.dropLast();
        }
        counter.rest(line.mid(at), true);
    }
    return counter.column();
}
