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

}  // namespace

Place caretPlace(const RichTextBox* box) {
    const qsizetype at = caret(box);
    if (const TextBuffer* text = plainBuffer(box)) {
        const qsizetype line = text->lineOf(at);
        const qsizetype start = text->lineStart(line);
        return {line + 1, displayColumn(text->mid(start, at - start))};
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
