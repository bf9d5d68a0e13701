// SPDX-License-Identifier: GPL-3.0-or-later
#include "document/core/TextBuffer.h"

#include <algorithm>
#include <cstring>

void TextBuffer::setText(QString text) {
    store_ = std::move(text);
    gapStart_ = gapEnd_ = store_.size();
    indexLines();
}

QString TextBuffer::text() const {
    closeGap();
    return store_;
}

QString TextBuffer::mid(qsizetype position, qsizetype count) const {
    position = std::clamp<qsizetype>(position, 0, length());
    count = std::clamp<qsizetype>(count, 0, length() - position);
    const QChar* data = store_.constData();
    if (position + count <= gapStart_) return QString(data + position, count);
    if (position >= gapStart_) return QString(data + position + gapSize(), count);
    QString result;
    result.reserve(count);
    result.append(data + position, gapStart_ - position);
    result.append(data + gapEnd_, count - (gapStart_ - position));
    return result;
}

void TextBuffer::moveGap(qsizetype to) const {
    if (to == gapStart_) return;
    if (gapSize() == 0) {
        gapStart_ = gapEnd_ = to;
        return;
    }
    QChar* data = store_.data();
    if (to < gapStart_) {
        const qsizetype moved = gapStart_ - to;
        std::memmove(data + gapEnd_ - moved, data + to, size_t(moved) * sizeof(QChar));
        gapStart_ -= moved;
        gapEnd_ -= moved;
    } else {
        const qsizetype moved = to - gapStart_;
        std::memmove(data + gapStart_, data + gapEnd_, size_t(moved) * sizeof(QChar));
        gapStart_ += moved;
        gapEnd_ += moved;
    }
}

void TextBuffer::closeGap() const {
    if (gapSize() == 0) return;
    const qsizetype size = length();
    moveGap(size);
    store_.truncate(size);
    gapStart_ = gapEnd_ = size;
}

void TextBuffer::reserveGap(qsizetype size) {
    if (gapSize() >= size) return;
    // Grow by a share of the text, so that a run of insertions costs amortised constant time.
    const qsizetype grow = std::max(size - gapSize(), std::max<qsizetype>(4096, length() / 16));
    const qsizetype oldSize = store_.size();
    store_.resize(oldSize + grow);
    QChar* data = store_.data();
    std::memmove(data + gapEnd_ + grow, data + gapEnd_, size_t(oldSize - gapEnd_) * sizeof(QChar));
    gapEnd_ += grow;
}

void TextBuffer::replace(qsizetype position, qsizetype count, QStringView with) {
    position = std::clamp<qsizetype>(position, 0, length());
    count = std::clamp<qsizetype>(count, 0, length() - position);
    // Lines first+1 to last start inside the replaced characters: they go.
    moveGap(position);
    gapEnd_ += count;
    reserveGap(with.size());
    if (!with.isEmpty())
        std::memcpy(store_.data() + gapStart_, with.data(), size_t(with.size()) * sizeof(QChar));
    gapStart_ += with.size();

    std::vector<qsizetype> breaks;
    for (qsizetype i = with.indexOf(u'\n'); i >= 0; i = with.indexOf(u'\n', i + 1))
        breaks.push_back(i);
    lines_.replace(position, count, with.size(), breaks);
}

void TextBuffer::replaceMany(const std::vector<qsizetype>& positions, qsizetype count,
                             const std::function<QStringView(size_t)>& piece) {
    if (positions.size() == 1) {
        replace(positions.front(), count, piece(0));
        return;
    }
    closeGap();
    const QStringView old(store_);
    QString result;
    qsizetype size = old.size() - qsizetype(positions.size()) * count;
    for (size_t i = 0; i < positions.size(); ++i) size += piece(i).size();
    result.reserve(size);
    qsizetype from = 0;
    for (size_t i = 0; i < positions.size(); ++i) {
        result.append(old.mid(from, positions[i] - from));
        result.append(piece(i));
        from = positions[i] + count;
    }
    result.append(old.mid(from));
    setText(std::move(result));
}

void TextBuffer::indexLines() {  // with the gap closed
    lines_.assign(reinterpret_cast<const char16_t*>(store_.constData()), store_.size());
}
