// SPDX-License-Identifier: GPL-3.0-or-later
// Find and Replace patterns come from the user: any pattern, replacement and text must end,
// every match must lie in the text past the start, Replace All's pieces must be in order and
// apart, and repeated Find must move on. Input: an options byte, then the pattern, the
// replacement and the text, separated by NUL bytes.
#include <QByteArray>
#include <QList>
#include <QString>
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "document/core/DisplayColumn.h"
#include "search/core/PatternSearch.h"

// Qt tailors its character boundaries to the script run in South and South-East Asian scripts,
// so there a mark can belong to a character in the whole line and stand alone in a piece.
static bool hasTailoredScript(const QString& text) {
    for (const QChar c : text) {
        const char16_t u = c.unicode();
        if ((u >= 0x0900 && u <= 0x109F) || (u >= 0x1780 && u <= 0x17FF) ||
            (u >= 0xA9E0 && u <= 0xA9FF) || (u >= 0xAA60 && u <= 0xAA7F))
            return true;
    }
    return false;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 1 || size > 4096) return 0;
    const uint8_t options = data[0];
    const QList<QByteArray> parts =
        QByteArray(reinterpret_cast<const char*>(data + 1), qsizetype(size - 1)).split('\0');
    if (parts.size() < 3) return 0;
    const QString text = QString::fromUtf8(parts[2]);
    const PatternSearch search(QString::fromUtf8(parts[0]), options & 1, options & 2);
    const QString replacement = QString::fromUtf8(parts[1]);
    if (!search.problem().isEmpty()) return 0;

    qsizetype from = 0;
    bool selected = false;
    for (int round = 0; round <= text.size() + 1; ++round) {
        const PatternSearch::Match match = search.find(text, from, selected);
        if (match.start < 0) break;
        if (match.start < from || match.start + match.length > text.size()) abort();
        if (match.length == 0 && match.start == from && !selected) abort();  // stood still
        from = match.start + match.length;
        selected = match.length > 0;
    }
    if (search.replacementProblem(replacement).isEmpty()) {
        qsizetype end = 0;
        for (const TextReplacement& piece : search.replaceAll(text, 0, replacement)) {
            if (piece.position < end || piece.position + piece.length > text.size()) abort();
            end = piece.position + piece.length;
        }
    }
    // The column counted whole and piece by piece agree.
    ColumnCounter counter;
    qsizetype at = counter.simple(text);
    if (at < text.size()) {
        if (at > 0) {
            --at;
            counter.dropLast();
        }
        for (qsizetype length = 7; at < text.size();) {
            const qsizetype piece = qMin<qsizetype>(length, text.size() - at);
            const qsizetype taken =
                counter.rest(QStringView(text).mid(at, piece), at + piece == text.size());
            at += taken;
            length = taken > 0 ? 7 : length * 2;
        }
    }
    if (counter.column() != displayColumn(text) && !hasTailoredScript(text)) abort();
    return 0;
}
