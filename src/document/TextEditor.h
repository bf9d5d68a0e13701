// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QChar>
#include <QPointer>
#include <QString>
#include <vector>

#include "document/core/SpellCheck.h"
#include "document/core/SpellingWords.h"
#include "document/core/TextReplacement.h"

class QAbstractScrollArea;
class QPoint;
class QFont;
class QMenu;
class QPrinter;

// What RichTextBox asks of the widget that shows and edits its text, plain or formatted.
// Positions are 0-based, "\n" between lines; every edit is an undo step with an action type
// (RichTextBox::UndoType).
class TextEditor {
  public:
    virtual ~TextEditor() = default;
    virtual QAbstractScrollArea* widget() = 0;

    virtual QString text() const = 0;
    virtual qsizetype length() const = 0;
    virtual QChar charAt(qsizetype position) const = 0;

    virtual qsizetype caret() const = 0;
    virtual qsizetype anchor() const = 0;
    virtual QString selectedText() const = 0;
    virtual void select(qsizetype anchor, qsizetype caret) = 0;

    // Replaces `count` characters at `position`; the caret goes after the new text.
    virtual void replace(qsizetype position, qsizetype count, const QString& with, int type) = 0;
    // Replaces `count` characters at each of `positions` (ascending) with `with`, as one step.
    virtual void replaceAll(const std::vector<qsizetype>& positions, qsizetype count,
                            const QString& with, int type) = 0;
    void replaceSelection(const QString& with, int type);
    // Replaces each of `pieces` (ascending, not overlapping) as one step.
    virtual void replacePieces(const std::vector<TextReplacement>& pieces, int type) = 0;

    // The clipboard, plain text only, the same for both editors and their keys. Cut with
    // nothing selected empties the clipboard and changes nothing else.
    void copyToClipboard();
    void cutToClipboard();
    void pasteFromClipboard();
    // The right-click menu at a point of the screen: Undo, Redo, Cut, Copy, Paste, Delete and
    // Select All, each recorded as the edit it is; when the text position it is about is on a
    // misspelt word, the corrections, "Add to dictionary" and "Ignore" come first.
    void execContextMenu(const QPoint& globalPosition, qsizetype textPosition);

    // Underlines misspelt words on screen and offers corrections; null: no checking.
    void setSpellCheck(SpellCheck* check);
    SpellCheck* spellCheck() const { return spellCheck_; }

    virtual bool canUndo() const = 0;
    virtual bool canRedo() const = 0;
    virtual int undoType() const = 0;
    virtual int redoType() const = 0;
    virtual void undo() = 0;
    virtual void redo() = 0;
    virtual void clearUndo() = 0;
    // The next edit starts an undo step of its own (after a save, say), whatever it is.
    virtual void endUndoStep() = 0;

    virtual bool overwriteMode() const = 0;
    virtual void setOverwriteMode(bool on) = 0;
    virtual void setTextFont(const QFont& font) = 0;
    // Prints the selection, or everything when nothing is selected.
    virtual void print(QPrinter* printer) = 0;

  protected:
    // The misspelt words of `text` reaching into `from` to `to`; none while nothing checks.
    std::vector<SpellingWords::Span> misspeltWords(QStringView text, qsizetype from,
                                                   qsizetype to) const;
    // The spell check's answers changed, or another one took over: check the screen again.
    virtual void spellingChanged() = 0;

  private:
    void addSpellingEntries(QMenu& menu, qsizetype position);

    QPointer<SpellCheck> spellCheck_;
};
