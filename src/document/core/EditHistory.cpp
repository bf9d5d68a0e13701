// SPDX-License-Identifier: GPL-3.0-or-later
#include "document/core/EditHistory.h"

#include "document/core/TextBuffer.h"

TextChange TextChange::single(qsizetype position, QString removed, QString inserted) {
    TextChange change;
    change.positions = {position};
    change.removedLength = removed.size();
    change.removed = std::move(removed);
    change.inserted = std::move(inserted);
    return change;
}

void TextChange::takeFormats(const TextFormats& formats, const TextBuffer& text) {
    removedFormats = formats.cut(text, positions, removedLength);
    insertedFormats = formats.insertion(text, positions, removedLength, inserted);
}

qsizetype TextChange::apply(TextBuffer& text, TextFormats* formats) const {
    const auto piece = [this](size_t) { return QStringView(inserted); };
    if (formats) formats->replace(text, positions, removedLength, piece, insertedFormats);
    text.replaceMany(positions, removedLength, piece);
    return spanEndAfter();
}

qsizetype TextChange::revert(TextBuffer& text, TextFormats* formats) const {
    // Where each replacement now stands, the earlier ones having moved it.
    const qsizetype grown = inserted.size() - removedLength;
    std::vector<qsizetype> now(positions.size());
    for (size_t i = 0; i < positions.size(); ++i) now[i] = positions[i] + qsizetype(i) * grown;
    const auto piece = [this](size_t i) {
        return QStringView(removed).mid(qsizetype(i) * removedLength, removedLength);
    };
    if (formats) formats->replace(text, now, inserted.size(), piece, removedFormats);
    text.replaceMany(now, inserted.size(), piece);
    return spanEndBefore();
}

bool EditHistory::joins(TextChange& last, const TextChange& next) {
    if (last.positions.size() != 1 || next.positions.size() != 1) return false;
    const qsizetype at = last.positions.front();
    const qsizetype nextAt = next.positions.front();
    if (nextAt == at + last.inserted.size()) {  // typing on, or Delete pressed again
        last.removed += next.removed;
        last.inserted += next.inserted;
        last.removedFormats.append(next.removedFormats);
        last.insertedFormats.append(next.insertedFormats);
    } else if (next.inserted.isEmpty() && last.inserted.isEmpty() &&
               nextAt + next.removed.size() == at) {  // Backspace pressed again
        last.removed.prepend(next.removed);
        last.positions.front() = nextAt;
        TextFormats::Slice removedFormats = next.removedFormats;
        removedFormats.append(last.removedFormats);
        last.removedFormats = std::move(removedFormats);
    } else {
        return false;
    }
    last.removedLength = last.removed.size();
    return true;
}

void EditHistory::record(TextChange change, int type, bool continueRun) {
    steps_.resize(done_);
    if (continueRun && runOpen_ && !steps_.empty() && steps_.back().type == type &&
        joins(steps_.back().change, change)) {
        return;
    }
    steps_.push_back(Step{type, std::move(change)});
    done_ = steps_.size();
    runOpen_ = continueRun;
}

void EditHistory::clear() {
    steps_.clear();
    done_ = 0;
    runOpen_ = false;
}

qsizetype EditHistory::undo(TextBuffer& text, TextFormats* formats) {
    if (!canUndo()) return -1;
    runOpen_ = false;
    return steps_[--done_].change.revert(text, formats);
}

qsizetype EditHistory::redo(TextBuffer& text, TextFormats* formats) {
    if (!canRedo()) return -1;
    runOpen_ = false;
    return steps_[done_++].change.apply(text, formats);
}
