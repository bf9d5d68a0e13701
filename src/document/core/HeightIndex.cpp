// SPDX-License-Identifier: GPL-3.0-or-later
#include "document/core/HeightIndex.h"

void HeightIndex::set(int i, qreal height) {
    const qreal delta = height - heights_[size_t(i)];
    heights_[size_t(i)] = height;
    if (stale_ || delta == 0) return;
    for (size_t at = size_t(i) + 1; at < tree_.size(); at += at & (~at + 1)) tree_[at] += delta;
}

void HeightIndex::replace(int first, int removed, int inserted) {
    const auto at = heights_.begin() + first;
    if (removed == inserted) {
        for (int i = first; i < first + removed; ++i) set(i, 0);
        return;
    }
    heights_.insert(heights_.erase(at, at + removed), size_t(inserted), 0.0);
    stale_ = true;
}

void HeightIndex::rebuild() const {
    tree_.assign(heights_.size() + 1, 0.0);
    for (size_t i = 1; i < tree_.size(); ++i) {
        tree_[i] += heights_[i - 1];
        const size_t parent = i + (i & (~i + 1));
        if (parent < tree_.size()) tree_[parent] += tree_[i];
    }
    stale_ = false;
}

qreal HeightIndex::before(int i) const {
    if (stale_) rebuild();
    qreal sum = 0;
    for (size_t at = size_t(i); at > 0; at -= at & (~at + 1)) sum += tree_[at];
    return sum;
}

int HeightIndex::indexAt(qreal offset) const {
    if (heights_.empty()) return -1;
    if (stale_) rebuild();
    // The most entries whose heights add up to no more than `offset`: the next one covers it.
    size_t count = 0;
    size_t step = 1;
    while (step * 2 < tree_.size()) step *= 2;
    for (; step > 0; step /= 2) {
        if (count + step < tree_.size() && tree_[count + step] <= offset) {
            count += step;
            offset -= tree_[count];
        }
    }
    return int(qMin(count, heights_.size() - 1));
}
