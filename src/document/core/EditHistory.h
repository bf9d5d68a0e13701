// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>
#include <vector>

#include "document/core/TextFormats.h"

class TextBuffer;

// One change of a text: the same number of characters replaced at one or more places (several
// for Replace All), with what was there kept so that it can be put back.
struct TextChange {
    std::vector<qsizetype> positions;  // ascending, in the text before the change
    qsizetype removedLength = 0;       // characters replaced at each position
    QString removed;                   // those characters, position after position
    QString inserted;                  // what each position gets instead
    // In a formatted text, the formats of what was removed and of what was inserted, to put
    // back on undo and redo; empty (and free) in a plain text.
    TextFormats::Slice removedFormats;
    TextFormats::Slice insertedFormats;

    static TextChange single(qsizetype position, QString removed, QString inserted);
    // Takes the formats the change removes and those it inserts from `formats`, which cover
    // `text` before the change.
    void takeFormats(const TextFormats& formats, const TextBuffer& text);
    // Makes the change / takes it back, in `formats` too where the text is formatted; returns
    // where the caret goes.
    qsizetype apply(TextBuffer& text, TextFormats* formats = nullptr) const;
    qsizetype revert(TextBuffer& text, TextFormats* formats = nullptr) const;
    // From the first place changed to the end of the last, before and after the change.
    qsizetype spanStart() const { return positions.front(); }
    qsizetype spanEndBefore() const { return positions.back() + removedLength; }
    qsizetype spanEndAfter() const {
        const qsizetype grown = inserted.size() - removedLength;
        return positions.back() + qsizetype(positions.size() - 1) * grown + inserted.size();
    }
};

// The undo and redo steps of a plain-text document, each with the action type that made it.
// A run of typing, or of deleting, stays one step while each change continues where the
// previous one ended.
class EditHistory {
  public:
    // Adds a change already made to the text, with the action type of the edit. With
    // `continueRun` it joins the last step when that has the same type and the change follows
    // on from it; otherwise it starts a step. Anything that could be redone is dropped.
    void record(TextChange change, int type, bool continueRun);
    // The next change starts a step of its own.
    void breakRun() { runOpen_ = false; }
    void clear();

    bool canUndo() const { return done_ > 0; }
    bool canRedo() const { return done_ < steps_.size(); }
    int undoType() const { return canUndo() ? steps_[done_ - 1].type : 0; }
    int redoType() const { return canRedo() ? steps_[done_].type : 0; }
    // The change Undo / Redo would take back or make again; null when there is none.
    const TextChange* undoChange() const { return canUndo() ? &steps_[done_ - 1].change : nullptr; }
    const TextChange* redoChange() const { return canRedo() ? &steps_[done_].change : nullptr; }
    // Take back the last step / make the next one again; return where the caret goes, or -1.
    qsizetype undo(TextBuffer& text, TextFormats* formats = nullptr);
    qsizetype redo(TextBuffer& text, TextFormats* formats = nullptr);

  private:
    struct Step {
        int type = 0;
        TextChange change;
    };
    static bool joins(TextChange& last, const TextChange& next);

    std::vector<Step> steps_;
    size_t done_ = 0;  // steps_[0, done_) can be undone, the rest redone
    bool runOpen_ = false;
};
