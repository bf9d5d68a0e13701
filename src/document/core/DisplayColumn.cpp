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
    // A piece cut inside a surrogate pair would show the finder half a character, which ends
    // the character before it too early: that half waits for the next piece.
    QStringView seen = text;
    if (!last && !seen.isEmpty() && seen.back().isHighSurrogate()) seen.chop(1);
    QTextBoundaryFinder graphemes(QTextBoundaryFinder::Grapheme, seen.data(), seen.size());
    qsizetype from = 0;
    for (qsizetype to; (to = graphemes.toNextBoundary()) > 0; from = to) {
        if (!last && to == seen.size()) break;
        column_ = after(column_, text[from]);
    }
    if (last) return text.size();
    // 0 when one character fills the whole piece: where it ends is not known yet.
    return from;
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
