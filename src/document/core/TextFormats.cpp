// SPDX-License-Identifier: GPL-3.0-or-later
#include "document/core/TextFormats.h"

#include <QBrush>
#include <QColor>
#include <QStringList>
#include <algorithm>
#include <functional>

#include "document/core/TextBuffer.h"

namespace {

// Equal formats hash alike: only what equal formats must share goes in, collisions are resolved
// by comparing the formats themselves.
size_t formatHash(const QTextFormat& format) {
    size_t hash = size_t(format.propertyCount());
    const auto mix = [&hash](size_t value) { hash ^= value + 0x9e3779b97f4a7c15ULL + (hash << 6); };
    const QMap<int, QVariant> properties = format.properties();
    for (auto it = properties.cbegin(); it != properties.cend(); ++it) {
        mix(size_t(it.key()));
        const QVariant& value = it.value();
        switch (value.typeId()) {
            case QMetaType::Bool:
            case QMetaType::Int:
                mix(size_t(value.toInt()));
                break;
            case QMetaType::Double:
                mix(std::hash<double>()(value.toDouble()));
                break;
            case QMetaType::QString:
                mix(qHash(value.toString()));
                break;
            case QMetaType::QStringList:
                mix(qHash(value.toStringList()));
                break;
            case QMetaType::QBrush:
                mix(size_t(value.value<QBrush>().color().rgba()));
                break;
            case QMetaType::QColor:
                mix(size_t(value.value<QColor>().rgba()));
                break;
            default:
                break;
        }
    }
    return hash;
}

template <typename Format>
int intern(const Format& format, std::vector<Format>& table,
           std::unordered_multimap<size_t, int>& ids) {
    const size_t hash = formatHash(format);
    const auto [first, last] = ids.equal_range(hash);
    for (auto it = first; it != last; ++it) {
        if (table[size_t(it->second)] == format) return it->second;
    }
    const int id = int(table.size());
    table.push_back(format);
    ids.emplace(hash, id);
    return id;
}

}  // namespace

TextFormats::TextFormats() {
    internChar(QTextCharFormat());
    internBlock(QTextBlockFormat());
}

int TextFormats::internChar(const QTextCharFormat& format) {
    return intern(format, charTable_, charIds_);
}

int TextFormats::internBlock(const QTextBlockFormat& format) {
    return intern(format, blockTable_, blockIds_);
}

void TextFormats::reset(qsizetype length, qsizetype lines) {
    length_ = length;
    endMark_ = 0;
    starts_.clear();
    if (length > 0) starts_.push_back({0, 0});
    lines_.assign(size_t(std::max<qsizetype>(lines, 1)), 0);
}

size_t TextFormats::runIndex(qsizetype position) const {
    const auto after =
        std::upper_bound(starts_.begin(), starts_.end(), position,
                         [](qsizetype at, const Start& start) { return at < start.position; });
    return after == starts_.begin() ? 0 : size_t(after - starts_.begin() - 1);
}

int TextFormats::charFormatAt(qsizetype position) const {
    return starts_.empty() ? 0 : starts_[runIndex(position)].format;
}

bool TextFormats::sameAs(const TextFormats& other) const {
    if (length_ != other.length_ || lines_.size() != other.lines_.size() ||
        charFormat(endMark_) != other.charFormat(other.endMark_)) {
        return false;
    }
    for (size_t line = 0; line < lines_.size(); ++line) {
        if (blockFormat(lines_[line]) != other.blockFormat(other.lines_[line])) return false;
    }
    // Stretch by stretch between the run starts of either.
    for (qsizetype at = 0; at < length_;) {
        const size_t mine = runIndex(at);
        const size_t theirs = other.runIndex(at);
        if (charFormat(starts_[mine].format) != other.charFormat(other.starts_[theirs].format))
            return false;
        const auto endOf = [at](const std::vector<Start>& starts, size_t i, qsizetype length) {
            return i + 1 < starts.size() ? std::max(at + 1, starts[i + 1].position) : length;
        };
        at = std::min(endOf(starts_, mine, length_), endOf(other.starts_, theirs, length_));
    }
    return true;
}

std::vector<TextFormats::Run> TextFormats::runs(qsizetype from, qsizetype to) const {
    std::vector<Run> result;
    forEachRun(from, to, [&result](const Run& run) { result.push_back(run); });
    return result;
}

void TextFormats::appendCharFormat(qsizetype from, qsizetype to, int id) {
    from = std::clamp<qsizetype>(from, 0, length_);
    to = std::clamp<qsizetype>(to, from, length_);
    if (from == to) return;
    // What follows the stretches given so far is still in format 0, from the last start on or
    // from the start that ended the previous stretch.
    while (!starts_.empty() && starts_.back().position >= from) starts_.pop_back();
    if (starts_.empty() || starts_.back().format != id) starts_.push_back({from, id});
    if (to < length_ && id != 0) starts_.push_back({to, 0});
}

// ---- Following the edits of the text

namespace {

// Line breaks from `from` to `to`: a short stretch is read, a long one found in the line index.
qsizetype breaksIn(const TextBuffer& text, qsizetype from, qsizetype to) {
    if (to - from > 64) return text.lineOf(to) - text.lineOf(from);
    qsizetype breaks = 0;
    for (qsizetype at = from; at < to; ++at) breaks += text.at(at) == u'\n';
    return breaks;
}

// Adds a run start after those in `starts`: an empty run before it goes, and it joins the run
// before when that has its format.
template <typename Start>
void pushStart(std::vector<Start>& starts, Start start) {
    if (!starts.empty() && starts.back().position == start.position) starts.pop_back();
    if (starts.empty() || starts.back().format != start.format) starts.push_back(start);
}

// `with` takes the place of the items from `first` to `last`; returns where the items after
// them now start.
template <typename T>
size_t splice(std::vector<T>& items, size_t first, size_t last, const std::vector<T>& with) {
    const auto at = items.erase(items.begin() + qsizetype(first), items.begin() + qsizetype(last));
    items.insert(at, with.begin(), with.end());
    return first + with.size();
}

}  // namespace

void TextFormats::Slice::appendRun(qsizetype count, int format) {
    if (count <= 0) return;
    if (runs.empty() || runs.back().format != format) runs.push_back({length, format});
    length += count;
}

void TextFormats::Slice::append(const Slice& next) {
    for (size_t i = 0; i < next.runs.size(); ++i) {
        const qsizetype end = i + 1 < next.runs.size() ? next.runs[i + 1].position : next.length;
        appendRun(end - next.runs[i].position, next.runs[i].format);
    }
    lines.insert(lines.end(), next.lines.begin(), next.lines.end());
}

int TextFormats::chooseFormat(const TextBuffer& text, qsizetype position, qsizetype removed,
                              Neighbour before) const {
    if (removed > 0 && text.at(position) != u'\n') return charFormatAt(position);
    if (before.format >= 0 && !before.lineBreak) return before.format;
    if (position < length_) return charFormatAt(position);
    return std::max(before.format, 0);
}

int TextFormats::insertionFormat(const TextBuffer& text, qsizetype position,
                                 qsizetype removed) const {
    position = std::clamp<qsizetype>(position, 0, length_);
    removed = std::clamp<qsizetype>(removed, 0, length_ - position);
    Neighbour before;
    if (position > 0) before = {charFormatAt(position - 1), text.at(position - 1) == u'\n'};
    return chooseFormat(text, position, removed, before);
}

TextFormats::Slice TextFormats::cut(const TextBuffer& text, const std::vector<qsizetype>& positions,
                                    qsizetype count) const {
    Slice slice;
    if (starts_.empty()) return slice;
    for (const qsizetype at : positions) {
        forEachRun(at, at + count,
                   [&slice](const Run& run) { slice.appendRun(run.end - run.start, run.format); });
        if (const qsizetype breaks = breaksIn(text, at, at + count)) {
            const auto first = lines_.begin() + text.lineOf(at) + 1;
            slice.lines.insert(slice.lines.end(), first, first + breaks);
        }
    }
    return slice;
}

TextFormats::Slice TextFormats::insertion(const TextBuffer& text,
                                          const std::vector<qsizetype>& positions, qsizetype count,
                                          QStringView inserted) const {
    Slice slice;
    if (inserted.isEmpty()) return slice;
    const qsizetype breaks = inserted.count(u'\n');
    int format = 0, lineFormat = 0;
    for (size_t i = 0; i < positions.size(); ++i) {
        const qsizetype at = positions[i];
        // A place right after the one before stands after what that one inserted, in the line
        // that one ended in.
        const bool follows = i > 0 && positions[i - 1] + count == at;
        format = follows ? chooseFormat(text, at, count, {format, inserted.back() == u'\n'})
                         : insertionFormat(text, at, count);
        slice.appendRun(inserted.size(), format);
        if (breaks == 0) continue;
        const qsizetype line = text.lineOf(at);
        if (i == 0 || text.lineOf(positions[i - 1] + count) != line)
            lineFormat = lines_[size_t(line)];
        slice.lines.insert(slice.lines.end(), size_t(breaks), lineFormat);
    }
    return slice;
}

void TextFormats::replace(const TextBuffer& text, const std::vector<qsizetype>& positions,
                          qsizetype count, const std::function<QStringView(size_t)>& piece,
                          const Slice& formats) {
    if (positions.empty()) return;
    // The runs from the one before the first place to the last one the places reach are made
    // again; the runs after them only move.
    const qsizetype front = positions.front(), back = positions.back() + count;
    const size_t first = runIndex(front - 1);
    const size_t last = std::min(starts_.empty() ? 0 : runIndex(back) + 1, starts_.size());
    std::vector<Start> made;
    size_t next = first, sliceRun = 0;
    int current = 0;  // the format of the last run passed
    qsizetype moved = 0, sliceAt = 0;
    bool linesChange = false;
    for (size_t i = 0; i < positions.size(); ++i) {
        const qsizetype at = positions[i];
        const qsizetype size = piece(i).size();
        for (; next < last && starts_[next].position < at; ++next) {
            current = starts_[next].format;
            pushStart(made, Start{starts_[next].position + moved, current});
        }
        // What the slice leaves without a format goes on in the format before it.
        pushStart(made, Start{at + moved, current});
        while (sliceRun + 1 < formats.runs.size() && formats.runs[sliceRun + 1].position <= sliceAt)
            ++sliceRun;
        for (size_t r = sliceRun;
             r < formats.runs.size() && formats.runs[r].position < sliceAt + size; ++r) {
            const qsizetype offset = std::max<qsizetype>(formats.runs[r].position - sliceAt, 0);
            pushStart(made, Start{at + moved + offset, formats.runs[r].format});
        }
        for (; next < last && starts_[next].position <= at + count; ++next)
            current = starts_[next].format;
        if (at + count < length_) pushStart(made, Start{at + moved + size, current});
        moved += size - count;
        sliceAt += size;
        linesChange = linesChange || breaksIn(text, at, at + count) > 0 || piece(i).contains(u'\n');
    }
    for (size_t i = splice(starts_, first, last, made); i < starts_.size(); ++i)
        starts_[i].position += moved;
    length_ += moved;
    if (linesChange) replaceLines(text, positions, count, piece, formats);
}

void TextFormats::replaceLines(const TextBuffer& text, const std::vector<qsizetype>& positions,
                               qsizetype count, const std::function<QStringView(size_t)>& piece,
                               const Slice& formats) {
    const size_t first = size_t(text.lineOf(positions.front()));
    std::vector<int> made;
    size_t next = first, sliceLine = 0;
    for (size_t i = 0; i < positions.size(); ++i) {
        const qsizetype at = positions[i];
        const size_t line = size_t(text.lineOf(at));
        for (; next <= line; ++next) made.push_back(lines_[next]);
        // The lines that begin in the new text; a slice that falls short gives the line's format.
        for (qsizetype n = piece(i).count(u'\n'); n > 0; --n, ++sliceLine)
            made.push_back(sliceLine < formats.lines.size() ? formats.lines[sliceLine]
                                                            : lines_[line]);
        next = line + 1 + size_t(breaksIn(text, at, at + count));
    }
    splice(lines_, first, next, made);
}

TextFormats::Slice TextFormats::adopt(const TextFormats& other, Slice slice) {
    for (Start& run : slice.runs) run.format = internChar(other.charFormat(run.format));
    for (int& line : slice.lines) line = internBlock(other.blockFormat(line));
    return slice;
}
