// SPDX-License-Identifier: GPL-3.0-or-later
#include "document/LinePosition.h"

#include <QTextBlock>
#include <QTextDocument>
#include <QTextEdit>

#include "document/PlainTextEdit.h"
#include "document/RichTextBox.h"
#include "document/core/DisplayColumn.h"

namespace LinePosition {
namespace {

const TextBuffer* plainBuffer(const RichTextBox* box) {
    const auto* plain = qobject_cast<const PlainTextEdit*>(box->editor());
    return plain ? &plain->buffer() : nullptr;
}

// Where the caret is, at either end of a selection.
qsizetype caret(const RichTextBox* box) {
    if (const auto* plain = qobject_cast<const PlainTextEdit*>(box->editor()))
        return plain->caret();
    if (const auto* rich = qobject_cast<const QTextEdit*>(box->editor()))
        return rich->textCursor().position();
    return box->SelStart();
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
    const qsizetype at = caret(box);
    if (const TextBuffer* text = plainBuffer(box)) {
        const qsizetype line = text->lineOf(at);
        return {line + 1, columnIn(*text, text->lineStart(line), at)};
    }
    const QTextBlock block = box->document()->findBlock(int(at));
    return {block.blockNumber() + 1, displayColumn(block.text().left(int(at) - block.position()))};
}

qsizetype lineCount(const RichTextBox* box) {
    if (const TextBuffer* text = plainBuffer(box)) return text->lineCount();
    return box->document()->blockCount();
}

void goToLine(RichTextBox* box, qsizetype line) {
    line = qBound<qsizetype>(1, line, lineCount(box)) - 1;
    if (const TextBuffer* text = plainBuffer(box)) {
        box->setSelStart(int(text->lineStart(line)));
    } else {
        box->setSelStart(box->document()->findBlockByNumber(int(line)).position());
    }
}

}  // namespace LinePosition
