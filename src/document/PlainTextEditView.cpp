// SPDX-License-Identifier: GPL-3.0-or-later
// The plain-text editor's view: where things are on the screen, scrolling, painting, the mouse
// and drags. The text and its edits are in PlainTextEdit.cpp.
#include <QApplication>
#include <QClipboard>
#include <QDrag>
#include <QMimeData>
#include <QPainter>
#include <QScrollBar>
#include <algorithm>
#include <climits>

#include "document/PlainTextEdit.h"
#include "document/RichTextBox.h"
#include "document/core/TextNavigation.h"

// ---- Geometry

TextRow PlainTextEdit::caretRow() {
    const TextRow row = layout_.rowAt(caret_);
    if (!caretAtRowEnd_ || layout_.rowStart(row) != caret_) return row;
    const TextRow before = layout_.previous(row);
    return before.isValid() && before.line == row.line ? before : row;
}

qsizetype PlainTextEdit::positionAt(const QPoint& point, bool* rowEnd) {
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
    bool atEnd = false;
    const qsizetype at = placeInRow(row, point.x() - kMargin, &atEnd);
    if (rowEnd) *rowEnd = atEnd;
    return at;
}

qsizetype PlainTextEdit::placeInRow(const TextRow& row, qreal x, bool* rowEnd) {
    const QTextLine line = layout_.line(row);
    const qsizetype start = layout_.pieceStart(row);
    const qsizetype end = layout_.rowEnd(row);
    // Qt never answers the end of a row wrapped inside a word, which the next row shares.
    const qsizetype at = std::min(start + line.xToCursor(x), end);
    const qreal endX = line.cursorToX(int(end - start));
    *rowEnd = at == end || std::abs(x - endX) < std::abs(x - line.cursorToX(int(at - start)));
    return *rowEnd ? end : at;
}

qsizetype PlainTextEdit::verticalMove(int rows, bool* rowEnd) {
    const TextRow from = caretRow();
    if (caretX_ < 0) caretX_ = layout_.line(from).cursorToX(int(caret_ - layout_.pieceStart(from)));
    return placeInRow(layout_.advance(from, rows), caretX_, rowEnd);
}

QRect PlainTextEdit::characterRect(qsizetype position) {
    position = std::clamp<qsizetype>(position, 0, text_.length());
    if (position < top_) return QRect();
    const TextRow row = position == caret_ ? caretRow() : layout_.rowAt(position);
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
    return QRectF(kMargin + x, y + layout_.rowSpace(row), std::max<qreal>(width, 1), line.height())
        .toRect();
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

// ---- Mouse

void PlainTextEdit::commitPreedit() {
    if (preedit_.isEmpty()) return;
    QGuiApplication::inputMethod()->commit();
    if (preedit_.isEmpty()) return;
    preedit_.clear();
    layout_.setPreedit(caret_, preedit_, {});
    viewport()->update();
}

void PlainTextEdit::mousePressEvent(QMouseEvent* event) {
    commitPreedit();
    bool rowEnd = false;
    const qsizetype at = positionAt(event->position().toPoint(), &rowEnd);
    QClipboard* clipboard = QGuiApplication::clipboard();
    if (event->button() == Qt::MiddleButton && clipboard->supportsSelection()) {
        const QString text = clipboard->text(QClipboard::Selection);
        moveCaret(at, false);
        if (!text.isEmpty()) replace(at, 0, text, RichTextBox::UndoPaste);
        return;
    }
    if (event->button() != Qt::LeftButton) return;
    // A third click soon after a double-click, where it was, takes the whole line.
    if (event->timestamp() - doubleClickTime_ < ulong(QApplication::doubleClickInterval()) &&
        (event->position().toPoint() - doubleClickPoint_).manhattanLength() <
            QApplication::startDragDistance()) {
        const qsizetype line = text_.lineOf(at);
        select(text_.lineStart(line), std::min(text_.lineEnd(line) + 1, text_.length()));
        offerSelection();
        return;
    }
    const bool shift = event->modifiers() & Qt::ShiftModifier;
    if (!shift && caret_ != anchor_ && at >= selectionStart() && at < selectionEnd()) {
        mayDrag_ = true;
        pressPoint_ = event->position().toPoint();
        return;
    }
    selecting_ = true;
    moveCaret(at, shift, rowEnd);
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
    bool rowEnd = false;
    const qsizetype at = positionAt(point, &rowEnd);
    moveCaret(at, true, rowEnd);
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
    doubleClickTime_ = event->timestamp();
    doubleClickPoint_ = event->position().toPoint();
    const qsizetype at = positionAt(doubleClickPoint_);
    const auto [from, to] = TextNavigation::wordAt(text_, at);
    select(from, to);
    offerSelection();
}

void PlainTextEdit::contextMenuEvent(QContextMenuEvent* event) {
    // From the keyboard, the menu is about the caret's word and opens below the caret.
    if (event->reason() == QContextMenuEvent::Keyboard) {
        const QRect caret = characterRect(caret_);
        execContextMenu(viewport()->mapToGlobal(caret.isNull() ? QPoint() : caret.bottomLeft()),
                        caret_);
        return;
    }
    execContextMenu(event->globalPos(), positionAt(viewport()->mapFromGlobal(event->globalPos())));
}

// ---- Drag and drop

void PlainTextEdit::dragSelection() {
    auto* data = new QMimeData;
    data->setText(selectedText());
    auto* drag = new QDrag(this);
    drag->setMimeData(data);
    movedWithin_ = false;
    const Qt::DropAction action = drag->exec(Qt::CopyAction | Qt::MoveAction, Qt::MoveAction);
    // Moved elsewhere: the text leaves. Moved within, the drop has done it all.
    if (action == Qt::MoveAction && !movedWithin_)
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
    dropCaret_ = positionAt(event->position().toPoint());
    viewport()->update();
    event->acceptProposedAction();
}

void PlainTextEdit::dragLeaveEvent(QDragLeaveEvent*) {
    dropCaret_ = -1;
    viewport()->update();
}

void PlainTextEdit::dropEvent(QDropEvent* event) {
    dropCaret_ = -1;
    if (!event->mimeData()->hasText()) return;
    const qsizetype at = positionAt(event->position().toPoint());
    const qsizetype from = selectionStart(), to = selectionEnd();
    if (event->source() == this && event->dropAction() == Qt::MoveAction) {
        // Moving our own selection: one edit over the span from the selection to the drop, in
        // which the moved text and what it passes keep their formats. The text is the buffer's
        // own, not the clipboard form that turns a line separator into a line break.
        const QString text = text_.mid(from, to - from);
        movedWithin_ = true;
        if (at >= from && at <= to) {
            moveCaret(at, false);
        } else if (at < from) {
            const TextFormats::Slice kept = swappedFormats(at, from, to);
            replace(at, to - at, text + text_.mid(at, from - at), RichTextBox::UndoDragDrop, &kept);
            select(at, at + text.size());
        } else {
            const TextFormats::Slice kept = swappedFormats(from, to, at);
            replace(from, at - from, text_.mid(to, at - to) + text, RichTextBox::UndoDragDrop,
                    &kept);
            select(at - text.size(), at);
        }
    } else {
        replace(at, 0, event->mimeData()->text(), RichTextBox::UndoDragDrop);
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
    setTop(layout_.rowStart(layout_.advance(layout_.rowAt(top_), rows)));
}

void PlainTextEdit::setTop(qsizetype position) {
    position = std::clamp<qsizetype>(position, 0, bottomTop());
    top_ = layout_.rowStart(layout_.rowAt(position));
    syncScrollBar();
    viewport()->update();
    if (settle_.isActive()) settleLater();
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
    const TextRow caretRow = this->caretRow();
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
    const TextRow row = layout_.advance(layout_.rowAt(top_), rows);
    verticalScrollBar()->setSliderPosition(int(std::min(layout_.rowStart(row), bottomTop())));
}

// ---- Painting and state

void PlainTextEdit::paintEvent(QPaintEvent* event) {
    QPainter painter(viewport());
    const QRect area = event->rect();
    painter.fillRect(area, palette().color(QPalette::Base));
    painter.setPen(palette().color(QPalette::Text));
    const qsizetype from = selectionStart(), to = selectionEnd();
    const TextRow caretRow = this->caretRow();
    const TextRow dropRow = dropCaret_ >= 0 ? layout_.rowAt(dropCaret_) : TextRow{};

    TextRow row = layout_.rowAt(top_);
    // The top of the piece holding the first row, less the space above that row.
    qreal y = layout_.rowSpace(row) - layout_.line(row).y();
    while (row.isValid() && y < viewport()->height()) {
        const int lastRowShown = layout_.lastRow(row);
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
        // A row after the last shown belongs to the next piece.
        const QTextLine lastRow = piece->lineAt(lastRowShown);
        painter.setClipRect(QRectF(0, y, viewport()->width(), lastRow.y() + lastRow.height()));
        piece->draw(&painter, origin, selection, area);
        drawMisspelt(painter, piece, origin, area);
        const auto samePiece = [&](const TextRow& other) {
            return other.line == row.line && other.segment == row.segment;
        };
        if (caretShown_ && hasFocus() && samePiece(caretRow) && preeditCursor_ >= 0) {
            // On the caret's own row: where a row wraps, that may be the earlier one.
            const QTextLine line = piece->lineAt(caretRow.row);
            const int offset = int(caret_ - start + (preedit_.isEmpty() ? 0 : preeditCursor_));
            const qreal x = line.cursorToX(offset);
            QColor colour = palette().color(QPalette::Text);
            qreal width = 1;
            if (overwrite_ && caret_ == anchor_ && caret_ < text_.length() &&
                text_.at(caret_) != u'\n') {
                const qsizetype next = TextNavigation::nextCharacter(text_, caret_);
                width = std::max<qreal>(1, std::abs(line.cursorToX(int(next - start)) - x));
                colour.setAlpha(110);
            }
            painter.fillRect(QRectF(origin.x() + x, origin.y() + line.y(), width, line.height()),
                             colour);
        }
        if (dropRow.isValid() && samePiece(dropRow))
            piece->drawCursor(&painter, origin, int(dropCaret_ - start), 2);
        y += lastRow.y() + lastRow.height();
        row.row = lastRow.lineNumber();
        row = layout_.next(row);
    }
    if (!settle_.isActive() && !layout_.settled(top_)) settleLater();
}

namespace {

// A red wave from `left` to `right` with its crests at `top`.
void drawWave(QPainter& painter, qreal left, qreal right, qreal top) {
    constexpr qreal kStep = 2;  // half a wave
    QVector<QPointF> points;
    points.reserve(int((right - left) / kStep) + 2);
    for (qreal x = left; x < right + kStep; x += kStep)
        points.append(QPointF(std::min(x, right), top + (points.size() % 2 ? kStep : 0)));
    painter.drawPolyline(points.constData(), int(points.size()));
}

}  // namespace

// Drawn over the text rather than as formats of the layout: a screen of misspellings (a
// minified page) would make QTextLayout::draw go through every row once for each.
void PlainTextEdit::drawMisspelt(QPainter& painter, QTextLayout* piece, const QPointF& origin,
                                 const QRect& area) {
    // While an input method composes within the piece, its positions are not the text's.
    if (!spellCheck() || !piece->preeditAreaText().isEmpty()) return;
    qsizetype from = -1, to = -1;
    for (int i = 0; i < piece->lineCount(); ++i) {
        const QTextLine row = piece->lineAt(i);
        if (origin.y() + row.y() + row.height() < area.top()) continue;
        if (origin.y() + row.y() > area.bottom()) break;
        if (from < 0) from = row.textStart();
        to = row.textStart() + row.textLength();
    }
    if (from < 0) return;
    const std::vector<SpellingWords::Span> misspelt = misspeltWords(piece->text(), from, to);
    if (misspelt.empty()) return;
    painter.save();
    painter.setPen(QPen(Qt::red, 1));
    for (const SpellingWords::Span& word : misspelt) {
        const int start = int(word.start), end = int(word.start + word.length);
        // A word broken across rows (one too long for a row) has a wave on each.
        for (int i = piece->lineForTextPosition(start).lineNumber();
             i >= 0 && i < piece->lineCount(); ++i) {
            const QTextLine row = piece->lineAt(i);
            if (row.textStart() >= end) break;
            qreal left = row.cursorToX(std::max(start, row.textStart()));
            qreal right = row.cursorToX(std::min(end, row.textStart() + row.textLength()));
            if (left > right) std::swap(left, right);
            drawWave(painter, origin.x() + left, origin.x() + right,
                     origin.y() + row.y() + row.ascent() + 1);
        }
    }
    painter.restore();
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
    if (event->timerId() == settle_.timerId()) {
        // A few milliseconds at a time, so that keys and scrolling go on undisturbed.
        settle_.stop();
        if (layout_.settle(top_, 8)) {
            top_ = layout_.rowStart(layout_.rowAt(top_));
            syncScrollBar();
            viewport()->update();
        }
        if (!layout_.settled(top_)) settleLater(15);
        return;
    }
    if (event->timerId() != blink_.timerId()) return QAbstractScrollArea::timerEvent(event);
    caretShown_ = !caretShown_;
    viewport()->update();
}
