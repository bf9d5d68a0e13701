// SPDX-License-Identifier: GPL-3.0-or-later
#include "document/core/LineIndex.h"

#include <QStringView>
#include <algorithm>
#include <cstring>
#include <limits>

LineIndex::LineIndex(int linesPerBlock, quint32 narrowSpan)
    : linesPerBlock_(std::max(linesPerBlock, 2)),
      narrowSpan_(std::min<quint32>(narrowSpan, 0xFFFF)) {
    assign(static_cast<const char*>(nullptr), 0);
}

void LineIndex::encode(const std::vector<qsizetype>& starts, qsizetype firstLine,
                       std::vector<Block>& into) const {
    const size_t perBlock = size_t(linesPerBlock_);
    constexpr qsizetype kWideSpan = std::numeric_limits<quint32>::max();
    for (size_t from = 0; from < starts.size();) {
        Block block;
        block.base = starts[from];
        block.firstLine = firstLine + qsizetype(from);
        const size_t limit = std::min(starts.size(), from + perBlock);
        size_t end = from + 1;
        while (end < limit && starts[end] - block.base <= qsizetype(narrowSpan_)) ++end;
        // Too few short lines to fill a good share of a block: widen it rather than keep many
        // small blocks.
        if (end < limit && end - from < perBlock / 4) {
            while (end < limit && starts[end] - block.base <= kWideSpan) ++end;
            block.wide.reserve(end - from);
            for (size_t i = from; i < end; ++i)
                block.wide.push_back(quint32(starts[i] - block.base));
        } else {
            block.narrow.reserve(end - from);
            for (size_t i = from; i < end; ++i)
                block.narrow.push_back(quint16(starts[i] - block.base));
        }
        into.push_back(std::move(block));
        from = end;
    }
}

namespace {
// The next "\n" at or after `from`, or -1: the library's vector search.
qsizetype nextBreak(const char16_t* text, qsizetype from, qsizetype size) {
    const qsizetype at = QStringView(text + from, size - from).indexOf(u'\n');
    return at < 0 ? -1 : from + at;
}
qsizetype nextBreak(const char* text, qsizetype from, qsizetype size) {
    const void* at = std::memchr(text + from, '\n', size_t(size - from));
    return at ? static_cast<const char*>(at) - text : -1;
}
}  // namespace

void LineIndex::assign(const char16_t* text, qsizetype size) {
    assignUnits(text, size);
}

void LineIndex::assign(const char* text, qsizetype size) {
    assignUnits(text, size);
}

template <typename Unit>
void LineIndex::assignUnits(const Unit* text, qsizetype size) {
    blocks_.clear();
    // Found block by block, so that the transient list of absolute starts stays small.
    std::vector<qsizetype> starts{0};
    count_ = 1;
    const size_t perBlock = size_t(linesPerBlock_);
    starts.reserve(std::min(perBlock * 64, size_t(size) + 1));
    const auto flush = [&](bool all) {
        // Keep the last block's worth back until the end: the next break may still join it.
        if (!all && starts.size() < perBlock * 64) return;
        std::vector<Block> encoded;
        encode(starts, count_ - qsizetype(starts.size()), encoded);
        if (!all) {
            const Block& lastBlock = encoded.back();
            const size_t keep = size_t(lastBlock.size());
            encoded.pop_back();
            starts.erase(starts.begin(), starts.end() - qsizetype(keep));
        } else {
            starts.clear();
        }
        for (Block& block : encoded) blocks_.push_back(std::move(block));
    };
    for (qsizetype i = 0; i < size; ++i) {
        // The hot loop of opening a file: short lines are stepped over here, long ones by the
        // library's vector search.
        const qsizetype near = std::min(size, i + 16);
        while (i < near && text[i] != '\n') ++i;
        if (i == near) {
            i = nextBreak(text, i, size);
            if (i < 0) break;
        }
        starts.push_back(i + 1);
        ++count_;
        flush(false);
    }
    flush(true);
}

qsizetype LineIndex::blockOfLine(qsizetype line) const {
    const auto after = std::upper_bound(
        blocks_.begin(), blocks_.end(), line,
        [](qsizetype value, const Block& block) { return value < block.firstLine; });
    return qsizetype(after - blocks_.begin()) - 1;
}

qsizetype LineIndex::blockOfPosition(qsizetype position) const {
    const auto after =
        std::upper_bound(blocks_.begin(), blocks_.end(), position,
                         [](qsizetype value, const Block& block) { return value < block.base; });
    return std::max<qsizetype>(0, qsizetype(after - blocks_.begin()) - 1);
}

qsizetype LineIndex::start(qsizetype line) const {
    const Block& block = blocks_[size_t(blockOfLine(line))];
    return block.at(line - block.firstLine);
}

qsizetype LineIndex::lineOf(qsizetype position) const {
    const Block& block = blocks_[size_t(blockOfPosition(position))];
    const qsizetype relative = position - block.base;
    qsizetype inBlock;
    if (block.wide.empty()) {
        const quint16 key = quint16(std::min<qsizetype>(relative, 0xFFFF));
        inBlock =
            std::upper_bound(block.narrow.begin(), block.narrow.end(), key) - block.narrow.begin();
    } else {
        const quint32 key = quint32(std::min<qsizetype>(relative, 0xFFFFFFFF));
        inBlock = std::upper_bound(block.wide.begin(), block.wide.end(), key) - block.wide.begin();
    }
    return block.firstLine + inBlock - 1;
}

void LineIndex::replace(qsizetype position, qsizetype removed, qsizetype inserted,
                        const std::vector<qsizetype>& breaks) {
    // The blocks from the one holding `position` to the one holding the end of the removed
    // text hold every start the change touches: they are decoded, changed and encoded again,
    // and one left small takes its successors in. The blocks after them only shift.
    const size_t first = size_t(blockOfPosition(position));
    size_t last = size_t(blockOfPosition(position + removed));
    while (last + 1 < blocks_.size() &&
           blocks_[last + 1].firstLine - blocks_[first].firstLine < linesPerBlock_ / 2)
        ++last;
    std::vector<qsizetype> old;
    for (size_t b = first; b <= last; ++b)
        for (qsizetype i = 0; i < blocks_[b].size(); ++i) old.push_back(blocks_[b].at(i));

    const qsizetype delta = inserted - removed;
    std::vector<qsizetype> starts;
    starts.reserve(old.size() + breaks.size());
    auto it = old.begin();
    for (; it != old.end() && *it <= position; ++it) starts.push_back(*it);
    for (qsizetype at : breaks) starts.push_back(position + at + 1);
    for (; it != old.end(); ++it)
        if (*it > position + removed) starts.push_back(*it + delta);

    const qsizetype lineDelta = qsizetype(starts.size()) - qsizetype(old.size());
    std::vector<Block> encoded;
    encode(starts, blocks_[first].firstLine, encoded);
    const auto at =
        blocks_.erase(blocks_.begin() + qsizetype(first), blocks_.begin() + qsizetype(last) + 1);
    const auto after = blocks_.insert(at, std::make_move_iterator(encoded.begin()),
                                      std::make_move_iterator(encoded.end())) +
                       qsizetype(encoded.size());
    for (auto b = after; b != blocks_.end(); ++b) {
        b->base += delta;
        b->firstLine += lineDelta;
    }
    count_ += lineDelta;
}
