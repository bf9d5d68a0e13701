// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QtGlobal>
#include <vector>

// The heights of a column of entries (the paragraphs of a document, top to bottom), with the
// offset of any entry and the entry at any offset found in logarithmic time, so that a change
// to one entry costs the same however many follow it. Inserting or removing entries costs time
// linear in their number once, on the next query.
class HeightIndex {
  public:
    int size() const { return int(heights_.size()); }
    qreal at(int i) const { return heights_[size_t(i)]; }
    void set(int i, qreal height);
    // Replaces `removed` entries from `first` with `inserted` entries of height 0.
    void replace(int first, int removed, int inserted);
    void clear() { replace(0, size(), 0); }
    // The sum of the heights of the entries before `i` (0 <= i <= size()).
    qreal before(int i) const;
    qreal total() const { return before(size()); }
    // The entry that covers `offset`; the first for offsets above the column and the last for
    // offsets below it. -1 when there are no entries.
    int indexAt(qreal offset) const;

  private:
    void rebuild() const;

    std::vector<qreal> heights_;
    mutable std::vector<qreal> tree_;  // partial sums (a Fenwick tree), 1-based
    mutable bool stale_ = true;
};
