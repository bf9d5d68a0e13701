// SPDX-License-Identifier: GPL-3.0-or-later
#include "document/LinePosition.h"

#include "document/PlainTextEdit.h"
#include "document/RichTextBox.h"
#include "document/core/DisplayColumn.h"

namespace LinePosition {
namespace {

const PlainTextEdit* editorOf(const RichTextBox* box) {
    return static_cast<const PlainTextEdit*>(box->editor());
}

// The column at `at` in the line starting at `start`, read in pieces: a line of megabytes is
// not copied whole.
qsizetype columnIn(const TextBuffer& text, qsizetype start, qsizetype at) {
    constexpr qsizetype kPiece = 64 * 1024;
    ColumnCounter counter;
    qsizetype from = start;
    while (from < at) {
        const qsizetype size = qMin(kPiece, at - from);
        const qsizetype taken = counter.simple(text.mid(from, size));
        from += taken;
        if (taken < size) break;
    }
    if (from < at) {
        if (from > start) {
            --from;
            counter.dropLast();
        }
        for (qsizetype piece = kPiece; from < at;) {
            const qsizetype size = qMin(piece, at - from);
            const qsizetype taken = counter.rest(text.mid(from, size), size == at - from);
            from += taken;
            piece = taken > 0 ? kPiece : piece * 2;  // one character longer than the piece
        }
    }
    return counter.column();
}

}  // namespace

Place caretPlace(const RichTextBox* box) {
    const PlainTextEdit* editor = editorOf(box);
    const TextBuffer& text = editor->buffer();
    const qsizetype line = text.lineOf(editor->caret());
    return {line + 1, columnIn(text, text.lineStart(line), editor->caret())};
}

qsizetype lineCount(const RichTextBox* box) {
    return editorOf(box)->buffer().lineCount();
}

void goToLine(RichTextBox* box, qsizetype line) {
    line = qBound<qsizetype>(1, line, lineCount(box)) - 1;
    box->setSelStart(int(editorOf(box)->buffer().lineStart(line)));
}

}  // namespace LinePosition
