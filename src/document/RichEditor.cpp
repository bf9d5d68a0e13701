// SPDX-License-Identifier: GPL-3.0-or-later
#include "document/RichEditor.h"

#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QMimeData>
#include <QPrinter>
#include <QScopedValueRollback>
#include <QScrollBar>
#include <QTextBlock>
#include <QTextDocumentFragment>

#include "document/RichDocumentLayout.h"
#include "document/RichTextBox.h"

namespace {
// Qt's line breaker looks ahead to the next place a line may break for every line it makes, so
// wrapping a paragraph at word boundaries costs time quadratic in the length of its longest
// word (a 400 KB word took half a minute). A document with a paragraph longer than this is
// wrapped anywhere instead, which costs time linear in its length.
constexpr qsizetype kLongParagraph = 10000;

bool hasLongParagraph(QStringView text) {
    qsizetype start = 0;
    while (start + kLongParagraph < text.size()) {
        const qsizetype end = text.indexOf(QLatin1Char('\n'), start);
        if (end < 0 || end - start > kLongParagraph) return true;
        start = end + 1;
    }
    return false;
}

bool isModifierKey(int key) {
    return (key >= Qt::Key_Shift && key <= Qt::Key_ScrollLock) || key == Qt::Key_AltGr ||
           key == Qt::Key_Super_L || key == Qt::Key_Super_R || key == Qt::Key_Hyper_L ||
           key == Qt::Key_Hyper_R;
}

int actionTypeOf(QKeyEvent* event) {
    if (event->key() == Qt::Key_Delete || event->key() == Qt::Key_Backspace ||
        event->matches(QKeySequence::DeleteEndOfWord) ||
        event->matches(QKeySequence::DeleteStartOfWord) ||
        event->matches(QKeySequence::DeleteEndOfLine) ||
        event->matches(QKeySequence::DeleteCompleteLine)) {
        return RichTextBox::UndoDelete;
    }
    if (!event->text().isEmpty() && !(event->modifiers() & Qt::ControlModifier)) {
        return RichTextBox::UndoTyping;
    }
    return RichTextBox::UndoUnknown;
}
}  // namespace

RichEditor::RichEditor(QTextDocument* document, QWidget* parent) : QTextEdit(parent) {
    setAcceptRichText(false);
    // The editor imposes its wrap mode on the document it takes: set before it lays out.
    for (QTextBlock block = document->begin(); block.isValid(); block = block.next()) {
        if (block.length() > kLongParagraph) {
            setWordWrapMode(QTextOption::WrapAnywhere);
            break;
        }
    }
    document->setDocumentLayout(new RichDocumentLayout(document));
    setDocument(document);
    document->setParent(this);
    connect(document, &QTextDocument::undoCommandAdded, this, &RichEditor::onUndoCommandAdded);
    spellingTimer_.setSingleShot(true);
    spellingTimer_.setInterval(100);
    connect(&spellingTimer_, &QTimer::timeout, this, &RichEditor::markMisspelt);
    connect(document, &QTextDocument::contentsChanged, &spellingTimer_,
            qOverload<>(&QTimer::start));
    connect(verticalScrollBar(), &QScrollBar::valueChanged, &spellingTimer_,
            qOverload<>(&QTimer::start));
    connect(horizontalScrollBar(), &QScrollBar::valueChanged, &spellingTimer_,
            qOverload<>(&QTimer::start));
}

void RichEditor::resizeEvent(QResizeEvent* event) {
    QTextEdit::resizeEvent(event);
    spellingTimer_.start();
}

void RichEditor::markMisspelt() {
    QList<ExtraSelection> marks;
    if (spellCheck()) {
        const int top = cursorForPosition(QPoint(0, 0)).position();
        const int bottom =
            cursorForPosition(QPoint(viewport()->width(), viewport()->height())).position();
        QTextCharFormat wavy;
        wavy.setUnderlineStyle(QTextCharFormat::WaveUnderline);
        wavy.setUnderlineColor(Qt::red);
        for (QTextBlock block = document()->findBlock(top);
             block.isValid() && block.position() <= bottom; block = block.next()) {
            const QString text = block.text();
            const qsizetype from = std::max(0, top - block.position());
            const qsizetype to = std::min<qsizetype>(text.size(), bottom - block.position() + 1);
            for (const SpellingWords::Span& word : misspeltWords(text, from, to)) {
                ExtraSelection mark{QTextCursor(document()), wavy};
                mark.cursor.setPosition(int(block.position() + word.start));
                mark.cursor.setPosition(int(block.position() + word.start + word.length),
                                        QTextCursor::KeepAnchor);
                marks.append(mark);
            }
        }
    }
    if (!marks.isEmpty() || !extraSelections().isEmpty()) setExtraSelections(marks);
}

QString RichEditor::text() const {
    return document()->toPlainText();
}

qsizetype RichEditor::length() const {
    return document()->characterCount() - 1;
}

namespace {
// The text as Text() gives it: a line break for a paragraph or line separator, a space for a
// no-break space.
QChar plainCharacter(QChar c) {
    if (c == QChar::ParagraphSeparator || c == QChar::LineSeparator) return QLatin1Char('\n');
    return c == QChar::Nbsp ? QChar(QLatin1Char(' ')) : c;
}
}  // namespace

QChar RichEditor::charAt(qsizetype position) const {
    return plainCharacter(document()->characterAt(int(position)));
}

qsizetype RichEditor::caret() const {
    return textCursor().position();
}

qsizetype RichEditor::anchor() const {
    return textCursor().anchor();
}

QString RichEditor::selectedText() const {
    QString text = textCursor().selectedText();
    for (QChar& c : text) c = plainCharacter(c);
    return text;
}

void RichEditor::select(qsizetype anchor, qsizetype caret) {
    QTextCursor cursor(document());
    cursor.setPosition(int(anchor));
    cursor.setPosition(int(caret), QTextCursor::KeepAnchor);
    setTextCursor(cursor);
}

void RichEditor::replace(qsizetype position, qsizetype count, const QString& with, int type) {
    prepareFor(with);
    startStep(type);
    QScopedValueRollback<int> pending(pendingType_, type);
    QTextCursor cursor(document());
    cursor.setPosition(int(position));
    cursor.setPosition(int(position + count), QTextCursor::KeepAnchor);
    cursor.insertText(with);
    setTextCursor(cursor);
}

void RichEditor::replaceAll(const std::vector<qsizetype>& positions, qsizetype count,
                            const QString& with, int type) {
    startStep(type);
    QScopedValueRollback<int> pending(pendingType_, type);
    // One edit block: one undo step, one change notification and one re-layout. Working from
    // the end keeps the earlier positions valid.
    QTextCursor cursor(document());
    cursor.beginEditBlock();
    for (auto it = positions.crbegin(); it != positions.crend(); ++it) {
        cursor.setPosition(int(*it));
        cursor.setPosition(int(*it + count), QTextCursor::KeepAnchor);
        cursor.insertText(with);
    }
    cursor.endEditBlock();
}

void RichEditor::replacePieces(const std::vector<TextReplacement>& pieces, int type) {
    if (pieces.empty()) return;
    startStep(type);
    QScopedValueRollback<int> pending(pendingType_, type);
    QTextCursor cursor(document());
    cursor.beginEditBlock();
    for (auto it = pieces.crbegin(); it != pieces.crend(); ++it) {
        cursor.setPosition(int(it->position));
        cursor.setPosition(int(it->position + it->length), QTextCursor::KeepAnchor);
        cursor.insertText(it->with);
    }
    cursor.endEditBlock();
}

bool RichEditor::canUndo() const {
    return document()->isUndoAvailable();
}

bool RichEditor::canRedo() const {
    return document()->isRedoAvailable();
}

int RichEditor::undoType() const {
    const int index = document()->availableUndoSteps() - 1;
    return index >= 0 && index < undoTypes_.size() ? undoTypes_[index] : RichTextBox::UndoUnknown;
}

int RichEditor::redoType() const {
    return canRedo() && !redoTypes_.isEmpty() ? redoTypes_.back() : RichTextBox::UndoUnknown;
}

void RichEditor::undo() {
    if (!canUndo()) return;
    const int type = undoType();
    QTextEdit::undo();
    redoTypes_.push_back(type);
}

void RichEditor::redo() {
    if (!canRedo()) return;
    QTextEdit::redo();
    if (!redoTypes_.isEmpty()) redoTypes_.pop_back();
}

void RichEditor::clearUndo() {
    document()->clearUndoRedoStacks();
    undoTypes_.clear();
    redoTypes_.clear();
}

void RichEditor::endUndoStep() {
    document()->setModified(false);  // see startStep
}

void RichEditor::onUndoCommandAdded() {
    const int index = document()->availableUndoSteps() - 1;
    if (index < 0) return;
    undoTypes_.resize(index + 1);
    undoTypes_[index] = pendingType_;
    redoTypes_.clear();
}

void RichEditor::startStep(int type) {
    if (!canUndo()) return;
    const int last = undoType();
    if (type == last && (type == RichTextBox::UndoTyping || type == RichTextBox::UndoDelete))
        return;
    // QTextDocument merges an insertion into the step before it when the two touch (so a
    // paste followed by typing would undo as one "Paste"), but never across the point where the
    // document was last marked unmodified. Nothing else here reads that mark.
    document()->setModified(false);
}

void RichEditor::prepareFor(QStringView text) {
    if (text.size() > kLongParagraph && hasLongParagraph(text) &&
        wordWrapMode() != QTextOption::WrapAnywhere) {
        setWordWrapMode(QTextOption::WrapAnywhere);
    }
}

void RichEditor::setTextFont(const QFont& font) {
    // Every change of the default font lays the whole document out anew.
    if (document()->defaultFont() != font) document()->setDefaultFont(font);
}

void RichEditor::print(QPrinter* printer) {
    const QTextCursor cursor = textCursor();
    if (!cursor.hasSelection()) {
        document()->print(printer);
        return;
    }
    QTextDocument selection;
    selection.setDefaultFont(document()->defaultFont());
    QTextCursor(&selection).insertFragment(cursor.selection());
    selection.print(printer);
}

QMimeData* RichEditor::createMimeDataFromSelection() const {
    auto* data = new QMimeData;
    data->setText(selectedText());
    return data;
}

bool RichEditor::canInsertFromMimeData(const QMimeData* source) const {
    return source->hasText();
}

void RichEditor::insertFromMimeData(const QMimeData* source) {
    if (!source->hasText()) return;
    const QString text = source->text();
    prepareFor(text);
    // Dropped text comes here with its type set; anything else is a paste (the middle button's).
    const int type =
        pendingType_ == RichTextBox::UndoUnknown ? RichTextBox::UndoPaste : pendingType_;
    startStep(type);
    QScopedValueRollback<int> pending(pendingType_, type);
    textCursor().insertText(text);
}

void RichEditor::inputMethodEvent(QInputMethodEvent* event) {
    if (event->commitString().isEmpty()) return QTextEdit::inputMethodEvent(event);
    startStep(RichTextBox::UndoTyping);
    QScopedValueRollback<int> pending(pendingType_, RichTextBox::UndoTyping);
    QTextEdit::inputMethodEvent(event);
}

void RichEditor::contextMenuEvent(QContextMenuEvent* event) {
    // From the keyboard, the menu is about the caret's word and opens below the caret.
    if (event->reason() == QContextMenuEvent::Keyboard) {
        execContextMenu(viewport()->mapToGlobal(cursorRect().bottomLeft()), caret());
        return;
    }
    const QPoint at = viewport()->mapFromGlobal(event->globalPos());
    execContextMenu(event->globalPos(), cursorForPosition(at).position());
}

void RichEditor::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Insert && event->modifiers() == Qt::NoModifier) {
        emit overwriteToggleRequested();
        event->accept();
        return;
    }
    // The clipboard keys do what the Edit menu's commands do, whose shortcuts they are (Cut
    // with nothing selected empties the clipboard, for one).
    if (event->matches(QKeySequence::Copy)) {
        copyToClipboard();
    } else if (!isReadOnly() && event->matches(QKeySequence::Undo)) {
        undo();
    } else if (!isReadOnly() && event->matches(QKeySequence::Redo)) {
        redo();
    } else if (!isReadOnly() && event->matches(QKeySequence::Cut)) {
        cutToClipboard();
    } else if (!isReadOnly() && event->matches(QKeySequence::Paste)) {
        pasteFromClipboard();
    } else if (!isReadOnly() && event->matches(QKeySequence::InsertParagraphSeparator)) {
        // Qt's editor takes Enter in an empty paragraph that has a format of its own (as every
        // paragraph read from RTF has) for a request to drop that format, and makes no new
        // paragraph: the second of two Enters was lost. Enter always makes a paragraph here,
        // with the formats of the one it splits, as in word processors. A line break ends the
        // typing step, as in the plain-text editor.
        startStep(RichTextBox::UndoTyping);
        QScopedValueRollback<int> pending(pendingType_, RichTextBox::UndoTyping);
        QTextCursor cursor = textCursor();
        cursor.insertBlock();
        setTextCursor(cursor);
        endUndoStep();
    } else if (isModifierKey(event->key())) {
        QTextEdit::keyPressEvent(event);  // types nothing, so ends no step
        return;
    } else {
        const int type = actionTypeOf(event);
        startStep(type);
        QScopedValueRollback<int> pending(pendingType_, type);
        QTextEdit::keyPressEvent(event);
        // A line break (Shift+Enter) ends the typing step too.
        if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) endUndoStep();
        return;
    }
    event->accept();
}

void RichEditor::dropEvent(QDropEvent* event) {
    startStep(RichTextBox::UndoDragDrop);
    QScopedValueRollback<int> pending(pendingType_, RichTextBox::UndoDragDrop);
    QTextEdit::dropEvent(event);
}
