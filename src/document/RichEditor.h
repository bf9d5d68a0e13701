// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QTextEdit>
#include <QTimer>
#include <QVector>

#include "document/TextEditor.h"

// The editor of documents that carry formatting (RTF files), on QTextEdit and its
// QTextDocument. The clipboard holds plain text only; every undo step keeps the action type
// that made it.
class RichEditor : public QTextEdit, public TextEditor {
    Q_OBJECT
  public:
    // Shows `document`, which it takes over. Lines break anywhere rather than at word
    // boundaries when a paragraph is too long to wrap at words quickly.
    explicit RichEditor(QTextDocument* document, QWidget* parent = nullptr);

    QAbstractScrollArea* widget() override { return this; }
    QString text() const override;
    qsizetype length() const override;
    QChar charAt(qsizetype position) const override;
    qsizetype caret() const override;
    qsizetype anchor() const override;
    QString selectedText() const override;
    void select(qsizetype anchor, qsizetype caret) override;
    void replace(qsizetype position, qsizetype count, const QString& with, int type) override;
    void replaceAll(const std::vector<qsizetype>& positions, qsizetype count, const QString& with,
                    int type) override;
    // Each piece on its own, so that the formatting between them stays.
    void replacePieces(const std::vector<TextReplacement>& pieces, int type) override;
    bool canUndo() const override;
    bool canRedo() const override;
    int undoType() const override;
    int redoType() const override;
    void undo() override;
    void redo() override;
    void clearUndo() override;
    void endUndoStep() override;
    bool overwriteMode() const override { return QTextEdit::overwriteMode(); }
    void setOverwriteMode(bool on) override { QTextEdit::setOverwriteMode(on); }
    void setTextFont(const QFont& font) override;
    void print(QPrinter* printer) override;

  signals:
    void overwriteToggleRequested();

  protected:
    QMimeData* createMimeDataFromSelection() const override;
    bool canInsertFromMimeData(const QMimeData* source) const override;
    void insertFromMimeData(const QMimeData* source) override;
    void keyPressEvent(QKeyEvent* event) override;
    void inputMethodEvent(QInputMethodEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    void dropEvent(QDropEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void spellingChanged() override { spellingTimer_.start(); }

  private:
    // Before an edit of the given action type: makes it a step of its own unless it continues
    // a run of typing or deleting.
    void startStep(int type);
    void onUndoCommandAdded();
    // A text with a paragraph too long to wrap at words quickly makes lines break anywhere.
    void prepareFor(QStringView text);
    // Marks the misspelt words of the paragraphs on screen, as extra selections: they take no
    // part in the document, its undo history or its file.
    void markMisspelt();

    QVector<int> undoTypes_;  // action type of each undo step, by its index in the undo stack
    // The types of the steps undone, the next to redo last: a user's step may be several
    // entries of the document's stack, so the index does not tell.
    QVector<int> redoTypes_;
    int pendingType_ = 0;
    QTimer spellingTimer_;  // checks the screen a moment after an edit or a scroll
};
