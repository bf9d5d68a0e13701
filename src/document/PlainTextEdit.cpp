// SPDX-License-Identifier: GPL-3.0-or-later
// The plain-text editor: input (keys, mouse, input methods, drags) and painting over a
// TextBuffer and its PlainTextLayout. A little over the usual file length: caret, selection,
// scrolling and the edits they drive all act on the same few positions.
#include "document/PlainTextEdit.h"

#include <QAccessible>
#include <QApplication>
#include <QClipboard>
#include <QDrag>
#include <QFontMetricsF>
#include <QInputMethodEvent>
#include <QMenu>
#include <QMimeData>
#include <QPainter>
#include <QPrinter>
#include <QScrollBar>
#include <QTextDocument>
#include <climits>

#include "document/PlainTextAccessible.h"
#include "document/RichTextBox.h"

namespace {
constexpr int kMargin = 4;

bool isWordChar(QChar c) {
    return c.isLetterOrNumber() || c.isMark() || c == u'_';
}
bool isBlank(QChar c) {
    return c.isSpace() && c != u'\n';
}

// The keys the editor acts on itself, before any shortcut of the window takes them.
bool isEditorKey(QKeyEvent* event) {
    using K = QKeySequence;
    static const K::StandardKey keys[] = {K::Copy,
                                          K::Cut,
                                          K::Paste,
                                          K::Undo,
                                          K::Redo,
                                          K::SelectAll,
                                          K::Delete,
                                          K::Backspace,
                                          K::DeleteStartOfWord,
                                          K::DeleteEndOfWord,
                                          K::MoveToNextChar,
                                          K::MoveToPreviousChar,
                                          K::MoveToNextWord,
                                          K::MoveToPreviousWord,
                                          K::MoveToNextLine,
                                          K::MoveToPreviousLine,
                                          K::MoveToNextPage,
                                          K::MoveToPreviousPage,
                                          K::MoveToStartOfLine,
                                          K::MoveToEndOfLine,
                                          K::MoveToStartOfDocument,
                                          K::MoveToEndOfDocument,
                                          K::SelectNextChar,
                                          K::SelectPreviousChar,
                                          K::SelectNextWord,
                                          K::SelectPreviousWord,
                                          K::SelectNextLine,
                                          K::SelectPreviousLine,
                                          K::SelectNextPage,
                                          K::SelectPreviousPage,
                                          K::SelectStartOfLine,
                                          K::SelectEndOfLine,
                                          K::SelectStartOfDocument,
                                          K::SelectEndOfDocument};
    for (K::StandardKey key : keys)
        if (event->matches(key)) return true;
    return false;
}

// Text typed with no modifier but Shift (or AltGr, a key of its own on X11): with Alt, Ctrl or
// Meta a key belongs to the menus and shortcuts.
bool isTypedText(QKeyEvent* event) {
    const QString text = event->text();
    if (text.isEmpty() ||
        (event->modifiers() & (Qt::ControlModifier | Qt::MetaModifier | Qt::AltModifier)))
        return false;
    const QChar c = text.front();
    return c.isPrint() || c.isSurrogate() || c == u'\t';
}
}  // namespace

PlainTextEdit::PlainTextEdit(QWidget* parent) : QAbstractScrollArea(parent) {
    static const bool accessible = (QAccessible::installFactory(PlainTextAccessible::create), true);
    Q_UNUSED(accessible);
    setFocusPolicy(Qt::StrongFocus);
    setAttribute(Qt::WA_InputMethodEnabled);
    setAcceptDrops(true);
    viewport()->setAcceptDrops(true);
    viewport()->setCursor(Qt::IBeamCursor);
    viewport()->setBackgroundRole(QPalette::Base);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    connect(verticalScrollBar(), &QScrollBar::valueChanged, this, &PlainTextEdit::scrollBarMoved);
    connect(verticalScrollBar(), &QScrollBar::actionTriggered, this,
            &PlainTextEdit::scrollBarAction);
    layout_.setFont(font());
    layout_.setWidth(viewport()->width() - 2 * kMargin);
}

void PlainTextEdit::load(QString text) {
    text_.setText(std::move(text));
    history_.clear();
    layout_.invalidateAll();
    caret_ = anchor_ = top_ = 0;
    caretX_ = -1;
    syncScrollBar();
    viewport()->update();
    emit textChanged();
}

QString PlainTextEdit::selectedText() const {
    return text_.mid(selectionStart(), selectionEnd() - selectionStart());
}

void PlainTextEdit::select(qsizetype anchor, qsizetype caret) {
    anchor_ = std::clamp<qsizetype>(anchor, 0, text_.length());
    moveCaret(caret, true);
}

void PlainTextEdit::moveCaret(qsizetype position, bool keepAnchor) {
    caret_ = std::clamp<qsizetype>(position, 0, text_.length());
    if (!keepAnchor) anchor_ = caret_;
    caretX_ = -1;
    history_.breakRun();
    ensureCaretVisible();
    restartBlink();
    selectionMoved();
}

// ---- Edits

void PlainTextEdit::replace(qsizetype position, qsizetype count, const QString& with, int type) {
    position = std::clamp<qsizetype>(position, 0, text_.length());
    count = std::clamp<qsizetype>(count, 0, text_.length() - position);
    if (count == 0 && with.isEmpty()) return;
    QString removed = text_.mid(position, count);
    const bool oneLine = !removed.contains(u'\n') && !with.contains(u'\n');
    text_.replace(position, count, with);
    if (QAccessible::isActive()) {
        if (count == 0) {
            QAccessibleTextInsertEvent inserted(this, int(position), with);
            QAccessible::updateAccessibility(&inserted);
        } else if (with.isEmpty()) {
            QAccessibleTextRemoveEvent gone(this, int(position), removed);
            QAccessible::updateAccessibility(&gone);
        } else {
            QAccessibleTextUpdateEvent updated(this, int(position), removed, with);
            QAccessible::updateAccessibility(&updated);
        }
    }
    const bool run = type == RichTextBox::UndoTyping || type == RichTextBox::UndoDelete;
    history_.record(TextChange::single(position, std::move(removed), with), type, run);
    caret_ = anchor_ = position + with.size();
    textEdited(position, count, with.size(), oneLine);
}

void PlainTextEdit::replaceSelection(const QString& with, int type) {
    replace(selectionStart(), selectionEnd() - selectionStart(), with, type);
}

void PlainTextEdit::replaceAll(const std::vector<qsizetype>& positions, qsizetype count,
                               const QString& with, int type) {
    if (positions.empty()) return;
    TextChange change;
    change.positions = positions;
    change.removedLength = count;
    change.removed.reserve(qsizetype(positions.size()) * count);
    for (qsizetype at : positions) change.removed += text_.mid(at, count);
    change.inserted = with;
    caret_ = anchor_ = change.apply(text_);
    history_.record(std::move(change), type, false);
    textEdited(-1, 0, 0, false);
}

void PlainTextEdit::undo() {
    const qsizetype caret = history_.undo(text_);
    if (caret < 0) return;
    caret_ = anchor_ = caret;
    textEdited(-1, 0, 0, false);
}

void PlainTextEdit::redo() {
    const qsizetype caret = history_.redo(text_);
    if (caret < 0) return;
    caret_ = anchor_ = caret;
    textEdited(-1, 0, 0, false);
}

void PlainTextEdit::textEdited(qsizetype position, qsizetype removed, qsizetype inserted,
                               bool oneLine) {
    if (oneLine) {
        layout_.invalidateLine(text_.lineOf(position));
    } else {
        layout_.invalidateAll();
    }
    if (position < 0 && QAccessible::isActive()) {  // many changes at once: read it all again
        QAccessibleValueChangeEvent changed(this, QString());
        QAccessible::updateAccessibility(&changed);
    }
    // The first row on screen keeps its text in view; an unknown edit (-1) keeps the place.
    if (position >= 0 && top_ > position)
        top_ = top_ >= position + removed ? top_ + inserted - removed : position;
    top_ = layout_.rowStart(layout_.rowAt(std::min(top_, text_.length())));
    caretX_ = -1;
    ensureCaretVisible();
    syncScrollBar();
    restartBlink();
    emit textChanged();
    selectionMoved();
}

void PlainTextEdit::selectionMoved() {
    if (QAccessible::isActive()) {
        QAccessibleTextCursorEvent moved(this, int(caret_));
        QAccessible::updateAccessibility(&moved);
        QAccessibleTextSelectionEvent selected(this, int(selectionStart()), int(selectionEnd()));
        QAccessible::updateAccessibility(&selected);
    }
    emit selectionChanged();
}

void PlainTextEdit::typeText(const QString& text) {
    if (overwrite_ && caret_ == anchor_ && caret_ < text_.length() && text_.at(caret_) != u'\n') {
        replace(caret_, nextCharacter(caret_) - caret_, text, RichTextBox::UndoTyping);
    } else {
        replaceSelection(text, RichTextBox::UndoTyping);
    }
}

void PlainTextEdit::deleteTo(qsizetype position) {
    if (caret_ != anchor_) {
        replaceSelection(QString(), RichTextBox::UndoDelete);
    } else {
        const qsizetype from = std::min(caret_, position);
        replace(from, std::max(caret_, position) - from, QString(), RichTextBox::UndoDelete);
    }
}

void PlainTextEdit::copy() {
    QGuiApplication::clipboard()->setText(selectedText());
}

void PlainTextEdit::cut() {
    copy();
    replaceSelection(QString(), RichTextBox::UndoCut);
}

void PlainTextEdit::paste() {
    replaceSelection(QGuiApplication::clipboard()->text(), RichTextBox::UndoPaste);
}

void PlainTextEdit::print(QPrinter* printer) {
    QTextDocument document;
    document.setDefaultFont(font());
    document.setPlainText(caret_ != anchor_ ? selectedText() : text_.text());
    document.print(printer);
}

void PlainTextEdit::setOverwriteMode(bool on) {
    overwrite_ = on;
    viewport()->update();
}

// ---- Positions

qsizetype PlainTextEdit::nextCharacter(qsizetype position) const {
    if (position >= text_.length()) return text_.length();
    const bool pair = text_.at(position).isHighSurrogate() && position + 1 < text_.length() &&
                      text_.at(position + 1).isLowSurrogate();
    return position + (pair ? 2 : 1);
}

qsizetype PlainTextEdit::previousCharacter(qsizetype position) const {
    if (position <= 0) return 0;
    const bool pair = position >= 2 && text_.at(position - 1).isLowSurrogate() &&
                      text_.at(position - 2).isHighSurrogate();
    return position - (pair ? 2 : 1);
}

qsizetype PlainTextEdit::nextWord(qsizetype position) const {
    const qsizetype end = text_.length();
    if (position >= end) return end;
    const QChar c = text_.at(position);
    if (c == u'\n') return position + 1;
    if (isWordChar(c)) {
        while (position < end && isWordChar(text_.at(position))) ++position;
    } else if (!c.isSpace()) {
        ++position;
    }
    while (position < end && isBlank(text_.at(position))) ++position;
    return position;
}

qsizetype PlainTextEdit::previousWord(qsizetype position) const {
    qsizetype at = position;
    while (at > 0 && isBlank(text_.at(at - 1))) --at;
    if (at == 0) return 0;
    if (text_.at(at - 1) == u'\n') return at == position ? at - 1 : at;
    if (isWordChar(text_.at(at - 1))) {
        while (at > 0 && isWordChar(text_.at(at - 1))) --at;
    } else {
        --at;
    }
    return at;
}

qsizetype PlainTextEdit::positionAt(const QPoint& point) {
    TextRow row = layout_.rowAt(top_);
    qreal y = 0;
    const qreal bottom = viewport()->height();
    for (;;) {
        const qreal height = layout_.rowHeight(row);
        const TextRow after = layout_.next(row);
        if (point.y() < y + height || !after.isValid() || y + height > bottom) break;
        y += height;
        row = after;
    }
    const qsizetype at = layout_.pieceStart(row) + layout_.line(row).xToCursor(point.x() - kMargin);
    return std::min(at, layout_.rowEnd(row));
}

qsizetype PlainTextEdit::verticalMove(int rows) {
    TextRow row = layout_.rowAt(caret_);
    if (caretX_ < 0) caretX_ = layout_.line(row).cursorToX(int(caret_ - layout_.pieceStart(row)));
    for (int step = 0; step < std::abs(rows); ++step) {
        const TextRow to = rows > 0 ? layout_.next(row) : layout_.previous(row);
        if (!to.isValid()) break;
        row = to;
    }
    const qsizetype at = layout_.pieceStart(row) + layout_.line(row).xToCursor(caretX_);
    return std::min(at, layout_.rowEnd(row));
}

QRect PlainTextEdit::characterRect(qsizetype position) {
    position = std::clamp<qsizetype>(position, 0, text_.length());
    if (position < top_) return QRect();
    const TextRow row = layout_.rowAt(position);
    qreal y = 0;
    for (TextRow at = layout_.rowAt(top_); at.isValid() && at != row; at = layout_.next(at)) {
        y += layout_.rowHeight(at);
        if (y > viewport()->height()) return QRect();
    }
    const QTextLine line = layout_.line(row);
    const int offset = int(position - layout_.pieceStart(row));
    const qreal x = line.cursorToX(offset);
    const qreal width = position < text_.length() && text_.at(position) != u'\n'
                            ? line.cursorToX(offset + 1) - x
                            : 1;
    return QRectF(kMargin + x, y, std::max<qreal>(width, 1), line.height()).toRect();
}

void PlainTextEdit::scrollTo(qsizetype position) {
    const qsizetype caret = caret_;
    caret_ = std::clamp<qsizetype>(position, 0, text_.length());
    ensureCaretVisible();
    caret_ = caret;
    viewport()->update();
}

int PlainTextEdit::visibleRows() {
    int rows = 0;
    qreal y = 0;
    for (TextRow row = layout_.rowAt(top_); row.isValid(); row = layout_.next(row)) {
        y += layout_.rowHeight(row);
        if (y > viewport()->height()) break;
        ++rows;
    }
    return std::max(rows, 1);
}

// ---- Keys

bool PlainTextEdit::event(QEvent* event) {
    if (event->type() == QEvent::ShortcutOverride) {
        auto* key = static_cast<QKeyEvent*>(event);
        if (isEditorKey(key) || isTypedText(key)) {
            event->accept();
            return true;
        }
    }
    // Tab types a tab rather than moving the focus on.
    if (event->type() == QEvent::KeyPress) {
        auto* key = static_cast<QKeyEvent*>(event);
        if (key->key() == Qt::Key_Tab && !(key->modifiers() & ~Qt::KeypadModifier)) {
            keyPressEvent(key);
            return true;
        }
    }
    return QAbstractScrollArea::event(event);
}

void PlainTextEdit::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Insert && event->modifiers() == Qt::NoModifier) {
        emit overwriteToggleRequested();
    } else if (event->matches(QKeySequence::Copy)) {
        copy();
    } else if (event->matches(QKeySequence::Cut)) {
        cut();
    } else if (event->matches(QKeySequence::Paste)) {
        paste();
    } else if (event->matches(QKeySequence::Undo)) {
        undo();
    } else if (event->matches(QKeySequence::Redo)) {
        redo();
    } else if (event->matches(QKeySequence::SelectAll)) {
        select(0, text_.length());
        offerSelection();
    } else if (!moveByKey(event) && !editByKey(event)) {
        QAbstractScrollArea::keyPressEvent(event);
        return;
    }
    event->accept();
}

bool PlainTextEdit::moveByKey(QKeyEvent* event) {
    using K = QKeySequence;
    const bool hasSelection = caret_ != anchor_;
    struct Move {
        K::StandardKey move, extend;
    };
    enum What {
        Char,
        PrevChar,
        Word,
        PrevWord,
        Line,
        PrevLine,
        Page,
        PrevPage,
        Home,
        End,
        Top,
        Bottom
    };
    static const Move moves[] = {{K::MoveToNextChar, K::SelectNextChar},
                                 {K::MoveToPreviousChar, K::SelectPreviousChar},
                                 {K::MoveToNextWord, K::SelectNextWord},
                                 {K::MoveToPreviousWord, K::SelectPreviousWord},
                                 {K::MoveToNextLine, K::SelectNextLine},
                                 {K::MoveToPreviousLine, K::SelectPreviousLine},
                                 {K::MoveToNextPage, K::SelectNextPage},
                                 {K::MoveToPreviousPage, K::SelectPreviousPage},
                                 {K::MoveToStartOfLine, K::SelectStartOfLine},
                                 {K::MoveToEndOfLine, K::SelectEndOfLine},
                                 {K::MoveToStartOfDocument, K::SelectStartOfDocument},
                                 {K::MoveToEndOfDocument, K::SelectEndOfDocument}};
    int what = -1;
    bool extend = false;
    for (int i = 0; i < int(std::size(moves)) && what < 0; ++i) {
        if (event->matches(moves[i].move)) what = i;
        if (event->matches(moves[i].extend)) what = i, extend = true;
    }
    if (what < 0) return false;

    const qreal keptX = caretX_;
    qsizetype to = caret_;
    switch (what) {
        case Char:
            to = hasSelection && !extend ? selectionEnd() : nextCharacter(caret_);
            break;
        case PrevChar:
            to = hasSelection && !extend ? selectionStart() : previousCharacter(caret_);
            break;
        case Word:
            to = nextWord(caret_);
            break;
        case PrevWord:
            to = previousWord(caret_);
            break;
        case Line:
            to = verticalMove(1);
            break;
        case PrevLine:
            to = verticalMove(-1);
            break;
        case Page:
        case PrevPage: {
            const int rows = (what == Page ? 1 : -1) * std::max(1, visibleRows() - 1);
            to = verticalMove(rows);
            scrollRows(rows);
            break;
        }
        case Home:
            to = layout_.rowStart(layout_.rowAt(caret_));
            break;
        case End:
            to = layout_.rowEnd(layout_.rowAt(caret_));
            break;
        case Top:
            to = 0;
            break;
        case Bottom:
            to = text_.length();
            break;
    }
    const bool vertical = what == Line || what == PrevLine || what == Page || what == PrevPage;
    const qreal x = caretX_;
    moveCaret(to, extend);
    if (vertical) caretX_ = keptX >= 0 ? keptX : x;
    if (extend) offerSelection();
    return true;
}

bool PlainTextEdit::editByKey(QKeyEvent* event) {
    if (event->matches(QKeySequence::DeleteEndOfWord)) {
        deleteTo(nextWord(caret_));
    } else if (event->matches(QKeySequence::DeleteStartOfWord)) {
        deleteTo(previousWord(caret_));
    } else if (event->matches(QKeySequence::DeleteEndOfLine)) {
        const qsizetype end = text_.lineEnd(text_.lineOf(caret_));
        deleteTo(end > caret_ ? end : nextCharacter(caret_));
    } else if (event->matches(QKeySequence::Delete)) {
        deleteTo(nextCharacter(caret_));
    } else if (event->matches(QKeySequence::Backspace) || event->key() == Qt::Key_Backspace) {
        deleteTo(previousCharacter(caret_));
    } else if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        replaceSelection(QStringLiteral("\n"), RichTextBox::UndoTyping);
    } else if (isTypedText(event)) {
        typeText(event->text());
    } else {
        return false;
    }
    return true;
}

void PlainTextEdit::inputMethodEvent(QInputMethodEvent* event) {
    if (event->replacementLength() > 0) {
        const qsizetype from = caret_ + event->replacementStart();
        replace(from, event->replacementLength(), event->commitString(), RichTextBox::UndoTyping);
    } else if (!event->commitString().isEmpty()) {
        typeText(event->commitString());
    }
    preedit_ = event->preeditString();
    layout_.setPreedit(caret_, preedit_);
    viewport()->update();
    event->accept();
}

QVariant PlainTextEdit::inputMethodQuery(Qt::InputMethodQuery query) const {
    auto* self = const_cast<PlainTextEdit*>(this);
    PlainTextLayout& layout = self->layout_;
    const TextRow row = layout.rowAt(caret_);
    const qsizetype pieceStart = layout.pieceStart(row);
    switch (query) {
        case Qt::ImEnabled:
            return true;
        case Qt::ImHints:
            return int(Qt::ImhMultiLine);
        case Qt::ImFont:
            return font();
        case Qt::ImCursorRectangle:
            return self->characterRect(caret_).translated(viewport()->pos());
        // The surrounding text is the piece of the line around the caret.
        case Qt::ImSurroundingText:
            return layout.layout(row)->text();
        case Qt::ImCursorPosition:
            return int(caret_ - pieceStart);
        case Qt::ImAnchorPosition:
            return int(
                std::clamp<qsizetype>(anchor_ - pieceStart, 0, layout.layout(row)->text().size()));
        case Qt::ImCurrentSelection:
            return selectedText();
        default:
            return QAbstractScrollArea::inputMethodQuery(query);
    }
}

// ---- Mouse

void PlainTextEdit::mousePressEvent(QMouseEvent* event) {
    const qsizetype at = positionAt(event->position().toPoint());
    QClipboard* clipboard = QGuiApplication::clipboard();
    if (event->button() == Qt::MiddleButton && clipboard->supportsSelection()) {
        const QString text = clipboard->text(QClipboard::Selection);
        moveCaret(at, false);
        if (!text.isEmpty()) replace(at, 0, text, RichTextBox::UndoPaste);
        return;
    }
    if (event->button() != Qt::LeftButton) return;
    const bool shift = event->modifiers() & Qt::ShiftModifier;
    if (!shift && caret_ != anchor_ && at >= selectionStart() && at < selectionEnd()) {
        mayDrag_ = true;
        pressPoint_ = event->position().toPoint();
        return;
    }
    selecting_ = true;
    moveCaret(at, shift);
}

void PlainTextEdit::mouseMoveEvent(QMouseEvent* event) {
    const QPoint point = event->position().toPoint();
    if (mayDrag_ && (point - pressPoint_).manhattanLength() >= QApplication::startDragDistance()) {
        mayDrag_ = false;
        dragSelection();
        return;
    }
    if (!selecting_ || !(event->buttons() & Qt::LeftButton)) return;
    if (point.y() < 0) scrollRows(-1);
    if (point.y() > viewport()->height()) scrollRows(1);
    moveCaret(positionAt(point), true);
}

void PlainTextEdit::mouseReleaseEvent(QMouseEvent* event) {
    if (mayDrag_) moveCaret(positionAt(event->position().toPoint()), false);
    if (selecting_) offerSelection();
    mayDrag_ = false;
    selecting_ = false;
}

// What the user selects is offered to X11's primary selection, for the middle button to paste.
void PlainTextEdit::offerSelection() {
    QClipboard* clipboard = QGuiApplication::clipboard();
    if (caret_ != anchor_ && clipboard->supportsSelection())
        clipboard->setText(selectedText(), QClipboard::Selection);
}

void PlainTextEdit::mouseDoubleClickEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) return;
    const qsizetype at = positionAt(event->position().toPoint());
    qsizetype from = at, to = at;
    while (from > 0 && isWordChar(text_.at(from - 1))) --from;
    while (to < text_.length() && isWordChar(text_.at(to))) ++to;
    if (from == to) to = nextCharacter(at);
    select(from, to);
    offerSelection();
}

void PlainTextEdit::contextMenuEvent(QContextMenuEvent* event) {
    QMenu menu(this);
    const bool hasSelection = caret_ != anchor_;
    auto add = [&](const char* icon, const QString& label, bool enabled, auto action) {
        QAction* item = menu.addAction(QIcon::fromTheme(QLatin1String(icon)), label, this, action);
        item->setEnabled(enabled);
    };
    add("edit-undo", tr("&Undo"), history_.canUndo(), &PlainTextEdit::undo);
    add("edit-redo", tr("&Redo"), history_.canRedo(), &PlainTextEdit::redo);
    menu.addSeparator();
    add("edit-cut", tr("Cu&t"), hasSelection, &PlainTextEdit::cut);
    add("edit-copy", tr("&Copy"), hasSelection, &PlainTextEdit::copy);
    add("edit-paste", tr("&Paste"), !QGuiApplication::clipboard()->text().isEmpty(),
        &PlainTextEdit::paste);
    add("edit-delete", tr("Delete"), hasSelection,
        [this] { replaceSelection(QString(), RichTextBox::UndoDelete); });
    menu.addSeparator();
    add("edit-select-all", tr("Select All"), text_.length() > 0,
        [this] { select(0, text_.length()); });
    menu.exec(event->globalPos());
}

// ---- Drag and drop

void PlainTextEdit::dragSelection() {
    auto* data = new QMimeData;
    data->setText(selectedText());
    auto* drag = new QDrag(this);
    drag->setMimeData(data);
    dropCaret_ = -2;  // marks a drag of our own; a drop on ourselves moves the text
    const Qt::DropAction action = drag->exec(Qt::CopyAction | Qt::MoveAction, Qt::MoveAction);
    const bool droppedHere = dropCaret_ == -3;
    dropCaret_ = -1;
    if (action == Qt::MoveAction && !droppedHere)
        replaceSelection(QString(), RichTextBox::UndoDragDrop);
    viewport()->update();
}

void PlainTextEdit::dragEnterEvent(QDragEnterEvent* event) {
    if (!event->mimeData()->hasText()) return;
    event->acceptProposedAction();
    dragMoveEvent(event);
}

void PlainTextEdit::dragMoveEvent(QDragMoveEvent* event) {
    if (!event->mimeData()->hasText()) return;
    if (dropCaret_ != -2 || event->source() != this) {
        dropCaret_ = positionAt(event->position().toPoint());
        viewport()->update();
    }
    event->acceptProposedAction();
}

void PlainTextEdit::dragLeaveEvent(QDragLeaveEvent*) {
    if (dropCaret_ >= 0) dropCaret_ = -1;
    viewport()->update();
}

void PlainTextEdit::dropEvent(QDropEvent* event) {
    if (!event->mimeData()->hasText()) return;
    const qsizetype at = positionAt(event->position().toPoint());
    const QString text = event->mimeData()->text();
    const qsizetype from = selectionStart(), to = selectionEnd();
    if (event->source() == this && event->dropAction() == Qt::MoveAction) {
        // Moving our own selection: one edit over the span from the selection to the drop.
        dropCaret_ = -3;
        if (at >= from && at <= to) {
            moveCaret(at, false);
        } else if (at < from) {
            replace(at, to - at, text + text_.mid(at, from - at), RichTextBox::UndoDragDrop);
            select(at, at + text.size());
        } else {
            replace(from, at - from, text_.mid(to, at - to) + text, RichTextBox::UndoDragDrop);
            select(at - text.size(), at);
        }
    } else {
        dropCaret_ = -1;
        replace(at, 0, text, RichTextBox::UndoDragDrop);
    }
    event->acceptProposedAction();
    setFocus();
}

// ---- Scrolling

void PlainTextEdit::wheelEvent(QWheelEvent* event) {
    wheelRest_ += event->angleDelta().y();
    const int notches = wheelRest_ / 120;
    wheelRest_ %= 120;
    if (notches != 0) scrollRows(-notches * QApplication::wheelScrollLines());
    event->accept();
}

void PlainTextEdit::scrollRows(int rows) {
    TextRow row = layout_.rowAt(top_);
    for (int step = 0; step < std::abs(rows); ++step) {
        const TextRow to = rows > 0 ? layout_.next(row) : layout_.previous(row);
        if (!to.isValid()) break;
        row = to;
    }
    setTop(layout_.rowStart(row));
}

void PlainTextEdit::setTop(qsizetype position) {
    position = std::clamp<qsizetype>(position, 0, bottomTop());
    top_ = layout_.rowStart(layout_.rowAt(position));
    syncScrollBar();
    viewport()->update();
}

// Where the first row on screen starts when the last row of the text is at the bottom.
qsizetype PlainTextEdit::bottomTop() {
    TextRow row = layout_.last();
    qreal height = layout_.rowHeight(row);
    for (TextRow before = layout_.previous(row); before.isValid();
         before = layout_.previous(before)) {
        height += layout_.rowHeight(before);
        if (height > viewport()->height()) break;
        row = before;
    }
    return layout_.rowStart(row);
}

void PlainTextEdit::ensureCaretVisible() {
    const TextRow caretRow = layout_.rowAt(caret_);
    if (layout_.rowStart(caretRow) < top_) {
        setTop(layout_.rowStart(caretRow));
        return;
    }
    const qreal height = viewport()->height();
    qreal y = 0;
    const TextRow topRow = layout_.rowAt(top_);
    for (TextRow row = topRow; row.isValid(); row = layout_.next(row)) {
        y += layout_.rowHeight(row);
        if (row == caretRow) {
            if (y <= height || row == topRow) return;
            break;
        }
        if (y > height) break;
    }
    // Below the window: the caret's row becomes the last one shown.
    TextRow first = caretRow;
    y = layout_.rowHeight(caretRow);
    for (TextRow row = layout_.previous(first); row.isValid(); row = layout_.previous(row)) {
        y += layout_.rowHeight(row);
        if (y > height) break;
        first = row;
    }
    setTop(layout_.rowStart(first));
}

// The scroll bar counts characters: its value is where the first row on screen starts.
void PlainTextEdit::syncScrollBar() {
    QScrollBar* bar = verticalScrollBar();
    syncing_ = true;
    const qsizetype last = bottomTop();
    bar->setRange(0, int(std::min<qsizetype>(last, INT_MAX)));
    qsizetype shown = 0;
    qreal y = 0;
    for (TextRow row = layout_.rowAt(top_); row.isValid() && y < viewport()->height();
         row = layout_.next(row)) {
        y += layout_.rowHeight(row);
        shown = layout_.rowEnd(row) - top_;
    }
    bar->setPageStep(int(std::clamp<qsizetype>(shown, 1, INT_MAX)));
    bar->setValue(int(std::min<qsizetype>(top_, INT_MAX)));
    syncing_ = false;
}

void PlainTextEdit::scrollBarMoved(int value) {
    if (syncing_) return;
    top_ = layout_.rowStart(layout_.rowAt(value));
    viewport()->update();
}

// Arrows and clicks beside the handle scroll by rows and by screens, not by characters.
void PlainTextEdit::scrollBarAction(int action) {
    int rows = 0;
    switch (action) {
        case QAbstractSlider::SliderSingleStepAdd:
            rows = 1;
            break;
        case QAbstractSlider::SliderSingleStepSub:
            rows = -1;
            break;
        case QAbstractSlider::SliderPageStepAdd:
            rows = std::max(1, visibleRows() - 1);
            break;
        case QAbstractSlider::SliderPageStepSub:
            rows = -std::max(1, visibleRows() - 1);
            break;
        default:
            return;
    }
    TextRow row = layout_.rowAt(top_);
    for (int step = 0; step < std::abs(rows); ++step) {
        const TextRow to = rows > 0 ? layout_.next(row) : layout_.previous(row);
        if (!to.isValid()) break;
        row = to;
    }
    verticalScrollBar()->setSliderPosition(int(std::min(layout_.rowStart(row), bottomTop())));
}

// ---- Painting and state

void PlainTextEdit::paintEvent(QPaintEvent* event) {
    QPainter painter(viewport());
    const QRect area = event->rect();
    painter.fillRect(area, palette().color(QPalette::Base));
    painter.setPen(palette().color(QPalette::Text));
    const qsizetype from = selectionStart(), to = selectionEnd();
    const TextRow caretRow = layout_.rowAt(caret_);
    const TextRow dropRow = dropCaret_ >= 0 ? layout_.rowAt(dropCaret_) : TextRow{};

    TextRow row = layout_.rowAt(top_);
    qreal y = -layout_.line(row).y();  // top of the piece holding the first row
    while (row.isValid() && y < viewport()->height()) {
        QTextLayout* piece = layout_.layout(row);
        const qsizetype start = layout_.pieceStart(row);
        const qsizetype length = piece->text().size();
        QVector<QTextLayout::FormatRange> selection;
        if (from < to && from <= start + length && to > start) {
            QTextLayout::FormatRange range;
            range.start = int(std::max<qsizetype>(from - start, 0));
            range.length = int(std::min(to, start + length) - start - range.start);
            range.format.setBackground(palette().brush(QPalette::Highlight));
            range.format.setForeground(palette().brush(QPalette::HighlightedText));
            selection.append(range);
        }
        const QPointF origin(kMargin, y);
        piece->draw(&painter, origin, selection, area);
        const auto samePiece = [&](const TextRow& other) {
            return other.line == row.line && other.segment == row.segment;
        };
        if (caretShown_ && hasFocus() && samePiece(caretRow)) {
            int width = 1;
            if (overwrite_ && caret_ == anchor_ && caret_ < text_.length()) {
                width = qMax(1, QFontMetrics(font()).horizontalAdvance(text_.at(caret_)));
                QColor block = palette().color(QPalette::Text);
                block.setAlpha(110);
                painter.setPen(block);
            }
            piece->drawCursor(&painter, origin, int(caret_ - start + preedit_.size()), width);
            painter.setPen(palette().color(QPalette::Text));
        }
        if (dropRow.isValid() && samePiece(dropRow))
            piece->drawCursor(&painter, origin, int(dropCaret_ - start), 2);
        const QTextLine lastRow = piece->lineAt(piece->lineCount() - 1);
        y += lastRow.y() + lastRow.height();
        row.row = piece->lineCount() - 1;
        row = layout_.next(row);
    }
}

void PlainTextEdit::resizeEvent(QResizeEvent* event) {
    QAbstractScrollArea::resizeEvent(event);
    layout_.setWidth(viewport()->width() - 2 * kMargin);
    top_ = layout_.rowStart(layout_.rowAt(top_));
    syncScrollBar();
}

void PlainTextEdit::changeEvent(QEvent* event) {
    QAbstractScrollArea::changeEvent(event);
    if (event->type() == QEvent::FontChange) {
        layout_.setFont(font());
        top_ = layout_.rowStart(layout_.rowAt(top_));
        syncScrollBar();
    }
    viewport()->update();
}

void PlainTextEdit::focusInEvent(QFocusEvent* event) {
    QAbstractScrollArea::focusInEvent(event);
    restartBlink();
}

void PlainTextEdit::focusOutEvent(QFocusEvent* event) {
    QAbstractScrollArea::focusOutEvent(event);
    blink_.stop();
    viewport()->update();
}

void PlainTextEdit::restartBlink() {
    caretShown_ = true;
    const int period = QApplication::cursorFlashTime();
    if (period > 0 && hasFocus()) {
        blink_.start(period / 2, this);
    } else {
        blink_.stop();
    }
    viewport()->update();
}

void PlainTextEdit::timerEvent(QTimerEvent* event) {
    if (event->timerId() != blink_.timerId()) return QAbstractScrollArea::timerEvent(event);
    caretShown_ = !caretShown_;
    viewport()->update();
}
