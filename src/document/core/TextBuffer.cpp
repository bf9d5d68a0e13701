// SPDX-License-Identifier: GPL-3.0-or-later
#include "document/core/TextBuffer.h"

#include <algorithm>
#include <cstring>

namespace {

// Moves the gap [start, end) of `data` so that it starts at `to`.
template <typename Unit>
void shiftGap(Unit* data, qsizetype& start, qsizetype& end, qsizetype to) {
    if (to < start) {
        const qsizetype moved = start - to;
        std::memmove(data + end - moved, data + to, size_t(moved) * sizeof(Unit));
        start -= moved;
        end -= moved;
    } else {
        const qsizetype moved = to - start;
        std::memmove(data + start, data + end, size_t(moved) * sizeof(Unit));
        start += moved;
        end += moved;
    }
}

// Makes room for `grow` more units after the gap [start, end) of `store`, which grows.
template <typename Store>
void growGap(Store& store, qsizetype& end, qsizetype grow) {
    const qsizetype oldSize = store.size();
    store.resize(oldSize + grow);
    auto* data = store.data();
    std::memmove(data + end + grow, data + end, size_t(oldSize - end) * sizeof(*data));
    end += grow;
}

// Replaces `count` units at each of `positions` of a store without a gap by piece(i), all of one
// length, in place: the text between the replacements moves once, front to back where the text
// shrinks and back to front where it grows, and no second copy of the text is made.
template <typename Store>
void replaceInPlace(Store& store, const std::vector<qsizetype>& positions, qsizetype count,
                    const std::function<QStringView(size_t)>& piece) {
    using Unit = std::remove_reference_t<decltype(*store.data())>;
    const qsizetype oldSize = store.size();
    const qsizetype pieceSize = piece(0).size();
    const qsizetype n = qsizetype(positions.size());
    const auto put = [&](Unit* out, qsizetype i) {
        const QStringView with = piece(size_t(i));
        Q_ASSERT(with.size() == pieceSize);
        for (qsizetype k = 0; k < pieceSize; ++k) out[k] = Unit(with[k].unicode());
    };
    // The text between replacement i and the next one (or the end).
    const auto keptFrom = [&](qsizetype i) { return positions[size_t(i)] + count; };
    const auto keptTo = [&](qsizetype i) { return i + 1 < n ? positions[size_t(i + 1)] : oldSize; };
    if (pieceSize <= count) {
        Unit* data = store.data();
        Unit* out = data + positions.front();
        for (qsizetype i = 0; i < n; ++i) {
            put(out, i);
            out += pieceSize;
            std::memmove(out, data + keptFrom(i), size_t(keptTo(i) - keptFrom(i)) * sizeof(Unit));
            out += keptTo(i) - keptFrom(i);
        }
        store.truncate(out - data);
        return;
    }
    store.resize(oldSize + n * (pieceSize - count));
    Unit* data = store.data();
    Unit* out = data + store.size();
    for (qsizetype i = n - 1; i >= 0; --i) {
        out -= keptTo(i) - keptFrom(i);
        std::memmove(out, data + keptFrom(i), size_t(keptTo(i) - keptFrom(i)) * sizeof(Unit));
        out -= pieceSize;
        put(out, i);
    }
}

}  // namespace

void TextBuffer::setText(QString text) {
    if (QtPrivate::isLatin1(text)) {
        setLatin1(text.toLatin1());
        return;
    }
    wide_ = true;
    wideStore_ = std::move(text);
    narrowStore_ = QByteArray();
    gapStart_ = gapEnd_ = wideStore_.size();
    indexLines();
}

void TextBuffer::setLatin1(QByteArray text) {
    wide_ = false;
    narrowStore_ = std::move(text);
    wideStore_ = QString();
    gapStart_ = gapEnd_ = narrowStore_.size();
    indexLines();
}

QString TextBuffer::text() const {
    if (!wide_) return mid(0, length());
    closeGap();
    return wideStore_;
}

QString TextBuffer::mid(qsizetype position, qsizetype count) const {
    position = std::clamp<qsizetype>(position, 0, length());
    count = std::clamp<qsizetype>(count, 0, length() - position);
    // The characters before the gap, then those after it.
    const qsizetype before = std::clamp<qsizetype>(gapStart_ - position, 0, count);
    const qsizetype after = position + before + (count > before ? gapSize() : 0);
    if (wide_) {
        const QChar* data = wideStore_.constData();
        if (before == count) return QString(data + position, count);
        if (before == 0) return QString(data + after, count);
        QString result;
        result.reserve(count);
        result.append(data + position, before);
        result.append(data + after, count - before);
        return result;
    }
    const char* data = narrowStore_.constData();
    if (before == count) return QString::fromLatin1(data + position, count);
    if (before == 0) return QString::fromLatin1(data + after, count);
    QString result;
    result.reserve(count);
    result.append(QLatin1String(data + position, before));
    result.append(QLatin1String(data + after, count - before));
    return result;
}

TextSnapshot TextBuffer::snapshot() const {
    TextSnapshot snapshot;
    TextBuffer& copy = snapshot.text_;
    copy.wide_ = wide_;
    copy.narrowStore_ = narrowStore_;
    copy.wideStore_ = wideStore_;
    copy.gapStart_ = gapStart_;
    copy.gapEnd_ = gapEnd_;
    return snapshot;
}

TextSnapshot::TextSnapshot(QString text) {
    text_.wide_ = true;
    text_.gapStart_ = text_.gapEnd_ = text.size();
    text_.wideStore_ = std::move(text);
}

TextSnapshot TextSnapshot::fromLatin1(QByteArray text) {
    TextSnapshot snapshot;
    snapshot.text_.gapStart_ = snapshot.text_.gapEnd_ = text.size();
    snapshot.text_.narrowStore_ = std::move(text);
    return snapshot;
}

QByteArrayView TextBuffer::latin1Run(qsizetype position, qsizetype count) const {
    if (wide_) return {};
    position = std::clamp<qsizetype>(position, 0, length());
    count = std::clamp<qsizetype>(count, 0, length() - position);
    const char* data = narrowStore_.constData();
    if (position < gapStart_)
        return QByteArrayView(data + position, std::min(count, gapStart_ - position));
    return QByteArrayView(data + position + gapSize(), count);
}

void TextBuffer::moveGap(qsizetype to) const {
    if (to == gapStart_) return;
    if (gapSize() == 0) {
        gapStart_ = gapEnd_ = to;
        return;
    }
    if (wide_) {
        shiftGap(wideStore_.data(), gapStart_, gapEnd_, to);
    } else {
        shiftGap(narrowStore_.data(), gapStart_, gapEnd_, to);
    }
}

void TextBuffer::closeGap() const {
    if (gapSize() == 0) return;
    const qsizetype size = length();
    moveGap(size);
    if (wide_) {
        wideStore_.truncate(size);
    } else {
        narrowStore_.truncate(size);
    }
    gapStart_ = gapEnd_ = size;
}

void TextBuffer::reserveGap(qsizetype size) {
    if (gapSize() >= size) return;
    // Grow by a share of the text, so that a run of insertions costs amortised constant time.
    const qsizetype grow = std::max(size - gapSize(), std::max<qsizetype>(4096, length() / 16));
    if (wide_) {
        growGap(wideStore_, gapEnd_, grow);
    } else {
        growGap(narrowStore_, gapEnd_, grow);
    }
}

void TextBuffer::widen() {
    closeGap();
    wideStore_ = QString::fromLatin1(narrowStore_);
    narrowStore_ = QByteArray();
    wide_ = true;
}

void TextBuffer::replace(qsizetype position, qsizetype count, QStringView with) {
    position = std::clamp<qsizetype>(position, 0, length());
    count = std::clamp<qsizetype>(count, 0, length() - position);
    if (!wide_ && !QtPrivate::isLatin1(with)) widen();
    moveGap(position);
    gapEnd_ += count;  // the replaced characters join the gap
    reserveGap(with.size());
    if (wide_) {
        if (!with.isEmpty())
            std::memcpy(wideStore_.data() + gapStart_, with.data(),
                        size_t(with.size()) * sizeof(QChar));
    } else {
        char* out = narrowStore_.data() + gapStart_;
        for (qsizetype i = 0; i < with.size(); ++i) out[i] = char(with[i].unicode());
    }
    gapStart_ += with.size();

    std::vector<qsizetype> breaks;
    for (qsizetype i = with.indexOf(u'\n'); i >= 0; i = with.indexOf(u'\n', i + 1))
        breaks.push_back(i);
    lines_.replace(position, count, with.size(), breaks);
}

void TextBuffer::replaceMany(const std::vector<qsizetype>& positions, qsizetype count,
                             const std::function<QStringView(size_t)>& piece) {
    if (positions.empty()) return;
    if (positions.size() == 1) {
        replace(positions.front(), count, piece(0));
        return;
    }
    bool latin1 = !wide_;
    for (size_t i = 0; latin1 && i < positions.size(); ++i) latin1 = QtPrivate::isLatin1(piece(i));
    if (!latin1 && !wide_) widen();
    closeGap();
    if (wide_) {
        replaceInPlace(wideStore_, positions, count, piece);
    } else {
        replaceInPlace(narrowStore_, positions, count, piece);
    }
    gapStart_ = gapEnd_ = size();
    indexLines();
}

void TextBuffer::indexLines() {  // with the gap closed
    if (wide_) {
        lines_.assign(reinterpret_cast<const char16_t*>(wideStore_.constData()), wideStore_.size());
    } else {
        lines_.assign(narrowStore_.constData(), narrowStore_.size());
    }
}
