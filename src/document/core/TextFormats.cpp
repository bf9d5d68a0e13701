// SPDX-License-Identifier: GPL-3.0-or-later
#include "document/core/TextFormats.h"

#include <QBrush>
#include <QColor>
#include <QStringList>
#include <algorithm>
#include <functional>

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

void TextFormats::setCharFormat(qsizetype from, qsizetype to, int id) {
    from = std::clamp<qsizetype>(from, 0, length_);
    to = std::clamp<qsizetype>(to, from, length_);
    if (from == to) return;
    // The format that goes on after the stretch, then the stretch itself replacing every start
    // inside it; neighbours of the same format merge.
    const int after = to < length_ ? charFormatAt(to) : -1;
    const auto first =
        std::lower_bound(starts_.begin(), starts_.end(), from,
                         [](const Start& start, qsizetype at) { return start.position < at; });
    const auto last =
        std::lower_bound(first, starts_.end(), to,
                         [](const Start& start, qsizetype at) { return start.position < at; });
    std::vector<Start> middle;
    const bool joinsBefore = first != starts_.begin() && (first - 1)->format == id;
    if (!joinsBefore) middle.push_back({from, id});
    const bool startsAfter = last != starts_.end() && last->position == to;
    if (after >= 0 && after != id && !startsAfter) middle.push_back({to, after});
    auto at = starts_.erase(first, last);
    at = starts_.insert(at, middle.begin(), middle.end()) + qsizetype(middle.size());
    if (at != starts_.end() && at->position == to && at->format == id) starts_.erase(at);
}

std::vector<TextFormats::Run> TextFormats::runs(qsizetype from, qsizetype to) const {
    std::vector<Run> result;
    from = std::clamp<qsizetype>(from, 0, length_);
    to = std::clamp<qsizetype>(to, from, length_);
    if (from == to || starts_.empty()) return result;
    for (size_t i = runIndex(from); i < starts_.size() && starts_[i].position < to; ++i) {
        const qsizetype end = i + 1 < starts_.size() ? starts_[i + 1].position : length_;
        result.push_back(
            {std::max(from, starts_[i].position), std::min(to, end), starts_[i].format});
    }
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
