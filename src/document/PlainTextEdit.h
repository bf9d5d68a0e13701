// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QAbstractScrollArea>
#include <QBasicTimer>
#include <QPoint>
#include <memory>

#include "document/PlainTextLayout.h"
#include "document/TextEditor.h"
#include "document/core/EditHistory.h"
#include "document/core/TextBuffer.h"
#include "document/core/TextFormats.h"

// The editor of plain-text documents. It keeps the text in a TextBuffer and lays out only the
// rows on screen, so a file of any length opens in the time it takes to read it, and an edit in
// a line of megabytes costs no more than one in a short line. Lines wrap at the window's width.
//
// Positions are 0-based offsets into the text, "\n" between lines. Every edit is recorded in
// the undo history with the action type (RichTextBox::UndoType) that made it.
class PlainTextEdit : public QAbstractScrollArea, public TextEditor {
    Q_OBJECT
  public:
    explicit PlainTextEdit(QWidget* parent = nullptr);

    const TextBuffer& buffer() const { return text_; }
    // Replaces the whole text without an undo step; the caret goes to the top.
    void load(QString text);
    // The same with a text of Latin-1 characters, one byte each.
    void loadLatin1(QByteArray text);
    // The same with a formatted text: `formats` covers `text` and follows every edit from now on.
    void loadFormatted(QString text, TextFormats formats);
    // Replaces the whole text and its formatting with a formatted text, as one undo step of the
    // given action type.
    void replaceFormatted(QString text, TextFormats formats, int type);
    // The formatting of the text; null while it carries none (plain text).
    const TextFormats* formats() const { return formats_.get(); }
    // Shows the formatted text's sizes, indents and spaces `scale` times as large (zoom).
    void setFormatScale(qreal scale);

    QAbstractScrollArea* widget() override { return this; }
    QString text() const override { return text_.text(); }
    qsizetype length() const override { return text_.length(); }
    QChar charAt(qsizetype position) const override { return text_.at(position); }

    qsizetype caret() const override { return caret_; }
    qsizetype anchor() const override { return anchor_; }
    qsizetype selectionStart() const { return std::min(caret_, anchor_); }
    qsizetype selectionEnd() const { return std::max(caret_, anchor_); }
    QString selectedText() const override;
    // Selects from `anchor` to `caret` (a caret alone when equal) and scrolls the caret into view.
    void select(qsizetype anchor, qsizetype caret) override;

    void replace(qsizetype position, qsizetype count, const QString& with, int type) override;
    void replaceAll(const std::vector<qsizetype>& positions, qsizetype count, const QString& with,
                    int type) override;
    // One replacement of the stretch the pieces span; in a formatted text the text between the
    // pieces keeps its formats.
    void replacePieces(const std::vector<TextReplacement>& pieces, int type) override;

    bool canUndo() const override { return history_.canUndo(); }
    bool canRedo() const override { return history_.canRedo(); }
    int undoType() const override { return history_.undoType(); }
    int redoType() const override { return history_.redoType(); }
    void undo() override;
    void redo() override;
    void clearUndo() override { history_.clear(); }
    void endUndoStep() override { history_.breakRun(); }

    bool overwriteMode() const override { return overwrite_; }
    void setOverwriteMode(bool on) override;
    void setTextFont(const QFont& font) override { setFont(font); }
    void print(QPrinter* printer) override;

    // Where the character at `position` shows in the viewport; empty when it is off screen.
    QRect characterRect(qsizetype position);
    // The caret place nearest to a point of the viewport; `rowEnd` tells whether it is the end
    // of the row there, which a wrapped row shares with the start of the next.
    qsizetype positionAt(const QPoint& point, bool* rowEnd = nullptr);
    // Scrolls `position` into view, leaving the caret where it is.
    void scrollTo(qsizetype position);

    QVariant inputMethodQuery(Qt::InputMethodQuery query) const override;

  signals:
    // `removed` characters at `position` became `inserted`; textChanged follows.
    void edited(qsizetype position, qsizetype removed, qsizetype inserted);
    // Any change of the text, a whole new one included.
    void textChanged();
    void selectionChanged();
    // The Insert key asks for the other typing mode.
    void overwriteToggleRequested();

  protected:
    bool event(QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void changeEvent(QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void inputMethodEvent(QInputMethodEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    void timerEvent(QTimerEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dragLeaveEvent(QDragLeaveEvent* event) override;
    void dropEvent(QDropEvent* event) override;

    void spellingChanged() override { viewport()->update(); }

  private:
    static constexpr int kMargin = 4;  // between the text and the edges, as Qt's editors have it

    // After the text changed at `position` (`removed` characters gave way to `inserted`):
    // drops stale layouts, moves the view with the text, tells listeners.
    void textEdited(qsizetype position, qsizetype removed, qsizetype inserted, bool oneLine);
    // replace(), the inserted text taking `formats` where the text is formatted instead of the
    // format an insertion takes.
    void replace(qsizetype position, qsizetype count, const QString& with, int type,
                 const TextFormats::Slice* formats);
    // Makes a new change, the formats following the text where it is formatted (the inserted
    // text taking `formats` when given); returns where the caret goes. Every edit of the text
    // passes here, or through the history.
    qsizetype apply(TextChange& change, const TextFormats::Slice* formats = nullptr);
    // The formats of the text from `middle` to `end`, then of that from `from` to `middle`: what
    // a move of one past the other keeps. Empty in a plain text.
    TextFormats::Slice swappedFormats(qsizetype from, qsizetype middle, qsizetype end) const;
    // A new text is in the buffer: no history, the caret at the top.
    void loaded();
    // The text from `from` to `to` while assistive tools listen, else nothing.
    QString spanText(qsizetype from, qsizetype to) const;
    void announceChange(qsizetype position, const QString& was, const QString& now);
    // `rowEnd`: a caret where a row wraps shows at the end of that row, not at the next row's
    // start.
    void moveCaret(qsizetype position, bool keepAnchor, bool rowEnd = false);
    TextRow caretRow();
    // Tells listeners, and assistive tools, that the caret or the selection moved.
    void selectionMoved();
    void offerSelection();
    // Has the input method commit what it is composing, or drops it if it does not.
    void commitPreedit();
    bool moveByKey(QKeyEvent* event);
    qsizetype visualStep(bool right);
    bool editByKey(QKeyEvent* event);
    void typeText(const QString& text);
    void deleteTo(qsizetype position);
    // The caret's row moved up or down `rows`, keeping its column on screen.
    qsizetype verticalMove(int rows, bool* rowEnd);
    // The caret place in `row` nearest to `x`.
    qsizetype placeInRow(const TextRow& row, qreal x, bool* rowEnd);
    int visibleRows();

    void scrollRows(int rows);
    void setTop(qsizetype position);
    qsizetype bottomTop();
    void ensureCaretVisible();
    void syncScrollBar();
    void scrollBarMoved(int value);
    void scrollBarAction(int action);
    void restartBlink();
    // Settles the layout of long lines once the user has paused for `milliseconds`.
    void settleLater(int milliseconds = 200) { settle_.start(milliseconds, this); }
    void dragSelection();
    // Red wavy lines under the misspelt words in the rows of `piece` (drawn at `origin`) that
    // `area` shows.
    void drawMisspelt(QPainter& painter, QTextLayout* piece, const QPointF& origin,
                      const QRect& area);

    TextBuffer text_;
    std::unique_ptr<TextFormats> formats_;  // null: plain text
    qreal formatScale_ = 1;
    EditHistory history_;
    PlainTextLayout layout_{text_};
    qsizetype caret_ = 0;
    qsizetype anchor_ = 0;
    qsizetype top_ = 0;           // start of the first row on screen
    qreal caretX_ = -1;           // column kept while moving up and down; -1: take the caret's
    bool caretAtRowEnd_ = false;  // see moveCaret
    bool overwrite_ = false;
    bool syncing_ = false;
    bool caretShown_ = true;
    bool selecting_ = false;
    bool mayDrag_ = false;
    QPoint pressPoint_;
    QPoint doubleClickPoint_;
    ulong doubleClickTime_ = 0;
    qsizetype dropCaret_ = -1;  // where a drag over us would drop; -1: none
    bool movedWithin_ = false;  // our own drag ended in a move within the text
    int wheelRest_ = 0;
    QString preedit_;
    qsizetype preeditCursor_ = 0;  // the caret within preedit_; -1: hidden
    QBasicTimer blink_;
    QBasicTimer settle_;  // joins the rows of long lines while nothing else happens
};
