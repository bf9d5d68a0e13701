// SPDX-License-Identifier: GPL-3.0-or-later
#include "document/PlainTextLayout.h"

#include <QElapsedTimer>
#include <QStyle>
#include <QTextBoundaryFinder>
#include <QTextOption>
#include <algorithm>
#include <cmath>
#include <cstdlib>

#include "common/core/TextBoundaries.h"
#include "document/core/TextBuffer.h"
#include "document/core/TextFormats.h"
#include "document/core/TextNavigation.h"

namespace {
// How far back from the end of a piece of a long line to look for a place a row may wrap.
constexpr qsizetype kLookBack = 256;
// Characters after a piece's end that the line-break rules may look at.
constexpr qsizetype kLookAhead = 16;
// Runs of formats in a piece of a densely formatted long line.
constexpr size_t kPieceRuns = 128;
// Tab stops every 80 pixels, as Qt's text editors have them.
constexpr qreal kTabStop = 80;
// Layouts kept: enough for several screens of the shortest and of the longest lines. A layout
// keeps its glyphs, tens of bytes a character.
constexpr size_t kCachedLayouts = 1500;
constexpr qsizetype kCachedCharacters = 256 * 1024;

// A layout's positions count the text being composed where it shows; the text's do not.
qsizetype textOffset(const QTextLayout& layout, int offset) {
    const int preedit = int(layout.preeditAreaText().size());
    const int at = layout.preeditAreaPosition();
    return preedit > 0 && offset > at ? std::max(at, offset - preedit) : offset;
}

// Lengths of paragraph formats as Qt's text layout rounds them, to 1/64 pixel, so that rows
// land on the same fractions of a pixel as in Qt's own document layout.
qreal fixed(qreal length) {
    return std::round(length * 64) / 64;
}
}  // namespace

void PlainTextLayout::setFont(const QFont& font) {
    if (font == font_) return;
    font_ = font;
    shownFormats_.clear();
    invalidateAll();
}

void PlainTextLayout::setWidth(qreal width) {
    width = std::max<qreal>(width, 1);
    if (width == width_) return;
    width_ = width;
    invalidateAll();
}

void PlainTextLayout::setFormats(const TextFormats* formats, qreal scale) {
    formats_ = formats;
    formatScale_ = scale;
    shownFormats_.clear();
    invalidateAll();
}

void PlainTextLayout::setPreedit(qsizetype position, const QString& text,
                                 const QList<QTextLayout::FormatRange>& formats) {
    if (preeditAt_ >= 0) invalidateLine(text_.lineOf(preeditAt_));
    preeditAt_ = text.isEmpty() ? -1 : position;
    preedit_ = text;
    preeditFormats_ = formats;
    if (preeditAt_ >= 0) invalidateLine(text_.lineOf(preeditAt_));
}

// An edit inside one piece of a long line lays out that piece again and moves the later ones:
// a key costs the same anywhere in a line of any length. When the piece's last row still starts
// where it did, shifted by the edit, the rows after it stay as they are; else the rest of its
// run goes on from the new place, and the runs after it wait to be joined again.
void PlainTextLayout::lineEdited(qsizetype position, qsizetype removed, qsizetype inserted) {
    const qsizetype line = text_.lineOf(position);
    const auto found = longLines_.find(line);
    const qsizetype length = text_.lineLength(line);
    if (found == longLines_.end() || length <= kPiece) return invalidateLine(line);
    LongLine& pieces = found->second;
    std::vector<qsizetype>& starts = pieces.starts;
    const qsizetype at = position - text_.lineStart(line);
    const size_t segment =
        size_t(std::upper_bound(starts.begin(), starts.end(), at) - starts.begin()) - 1;
    const size_t count = starts.size();
    const bool last = segment + 1 == count;
    const qsizetype delta = inserted - removed;
    const qsizetype oldEnd = last ? length - delta : starts[segment + 1];
    const qsizetype pieceLength = oldEnd - starts[segment] + delta;
    // The last piece may be short (typing at the end of the line), one in between not.
    if (at == starts[segment] || (!last && at + removed >= oldEnd) || pieceLength > 2 * kPiece ||
        pieceLength < (last ? 1 : kLookBack))
        return invalidateLine(line);

    dropLayout(line, qsizetype(segment));
    if (!last && !pieces.anchored(segment + 1) && pieces.origins[segment + 1] != kUnknown &&
        at + removed > pieces.origins[segment + 1])
        forget(line, segment + 1);  // the edit is in the row the next piece starts with
    for (size_t later = segment + 1; later < count; ++later) {
        starts[later] += delta;
        if (pieces.origins[later] != kUnknown) pieces.origins[later] += delta;
    }
    longLineRightToLeft_.erase(line);
    if (last || pieces.anchored(segment + 1)) return;
    if (pieces.origins[segment] != kUnknown &&
        nextOrigin(line, qsizetype(segment)) == pieces.origins[segment + 1])
        return;
    // Every piece after this one is laid out again when needed: those of its run going on from
    // it, those further from the start of their run until the runs are joined again.
    const size_t nextRun = (segment / kRun + 1) * kRun;
    for (size_t later = segment + 1; later < count; ++later) forget(line, later);
    pieces.anchoredFrom = std::min(pieces.anchoredFrom, nextRun);
    for (size_t later = nextRun; later < count; later += kRun)
        pieces.origins[later] = starts[later];
}

// The piece's layout and where it starts go: found again from the piece before when needed.
void PlainTextLayout::forget(qsizetype line, size_t segment) {
    dropLayout(line, qsizetype(segment));
    longLines_.at(line).origins[segment] = kUnknown;
}

void PlainTextLayout::dropLayout(qsizetype line, qsizetype segment) {
    const auto cached = cache_.find(key(line, segment));
    if (cached == cache_.end()) return;
    cachedCharacters_ -= cached->second.characters;
    cache_.erase(cached);
}

void PlainTextLayout::invalidateLine(qsizetype line) {
    const auto found = longLines_.find(line);
    const qsizetype count = found == longLines_.end() ? 1 : qsizetype(found->second.starts.size());
    for (qsizetype segment = 0; segment < count; ++segment) dropLayout(line, segment);
    if (found != longLines_.end()) longLines_.erase(found);
    longLineRightToLeft_.erase(line);
}

void PlainTextLayout::invalidateAll() {
    cache_.clear();
    cachedCharacters_ = 0;
    longLines_.clear();
    longLineRightToLeft_.clear();
}

// Run by run, each run's first piece goes on from the rows of the run before instead of its own
// start. Scrolling down joins each run as it comes to it; this joins those up to a place a jump
// went to, and no further: the rest waits until it is shown.
bool PlainTextLayout::settle(qsizetype position, qint64 milliseconds) {
    QElapsedTimer clock;
    clock.start();
    const qsizetype line = text_.lineOf(position);
    bool moved = false;
    while (!settled(position) && (!moved || clock.elapsed() < milliseconds)) {
        joinRun(line, *longLine(line));
        moved = true;
    }
    return moved;
}

bool PlainTextLayout::settled(qsizetype position) {
    const qsizetype line = text_.lineOf(position);
    const LongLine* pieces = longLine(line);
    if (!pieces) return true;
    const qsizetype offset = position - text_.lineStart(line);
    const auto piece = std::upper_bound(pieces->starts.begin(), pieces->starts.end(), offset);
    return pieces->anchoredFrom >= size_t(piece - pieces->starts.begin());
}

void PlainTextLayout::joinRun(qsizetype line, LongLine& pieces) {
    const size_t first = pieces.anchoredFrom;
    const qsizetype from = nextOrigin(line, qsizetype(first) - 1);
    pieces.anchoredFrom += kRun;
    const size_t end = std::min(first + kRun, pieces.starts.size());
    for (size_t piece = first; piece < end; ++piece) forget(line, piece);
    pieces.origins[first] = from;
}

// The run after `segment`, when it is the first not joined yet, is joined before anyone looks at
// the end of `segment`: at no cost, as `segment` is laid out anyway.
void PlainTextLayout::joinAfter(qsizetype line, qsizetype segment) {
    LongLine* pieces = longLine(line);
    if (pieces && size_t(segment) + 1 == pieces->anchoredFrom &&
        pieces->anchoredFrom < pieces->starts.size())
        joinRun(line, *pieces);
}

bool PlainTextLayout::rightToLeft(qsizetype line) {
    const bool isLong = text_.lineLength(line) > kPiece;
    if (isLong) {
        const auto found = longLineRightToLeft_.find(line);
        if (found != longLineRightToLeft_.end()) return found->second;
    }
    bool rightToLeft = false;
    const qsizetype end = text_.lineEnd(line);
    for (qsizetype at = text_.lineStart(line); at < end; ++at) {
        const char32_t c = TextBoundaries::codePointAt(text_, at);
        const QChar::Direction direction = QChar::direction(c);
        if (direction == QChar::DirL || direction == QChar::DirR || direction == QChar::DirAL) {
            rightToLeft = direction != QChar::DirL;
            break;
        }
        if (QChar::requiresSurrogates(c)) ++at;
    }
    if (isLong) longLineRightToLeft_[line] = rightToLeft;
    return rightToLeft;
}

PlainTextLayout::LongLine* PlainTextLayout::longLine(qsizetype line) {
    const qsizetype length = text_.lineLength(line);
    if (length <= kPiece) return nullptr;
    auto found = longLines_.find(line);
    if (found != longLines_.end()) return &found->second;
    const qsizetype base = text_.lineStart(line);
    LongLine pieces;
    pieces.starts.push_back(0);
    for (qsizetype start = 0; length - start > kPiece;) {
        qsizetype near = start + kPiece;
        // Qt's layout spends time on every change of format: densely formatted text is laid out
        // in shorter pieces, of about kPieceRuns runs, a quarter of the usual length at least.
        if (formats_) {
            near = std::clamp(formats_->runStartAfter(base + start, kPieceRuns) - base,
                              start + kPiece / 4, near);
        }
        const qsizetype end = pieceEnd(base, near) - base;
        pieces.starts.push_back(end > start ? end : near);
        start = pieces.starts.back();
    }
    const size_t count = pieces.starts.size();
    pieces.origins.assign(count, kUnknown);
    for (size_t piece = 0; piece < count; piece += kRun)
        pieces.origins[piece] = pieces.starts[piece];
    return &longLines_.emplace(line, std::move(pieces)).first->second;
}

const std::vector<qsizetype>& PlainTextLayout::pieces(qsizetype line) {
    const LongLine* pieces = longLine(line);
    return pieces ? pieces->starts : onePiece_;
}

qsizetype PlainTextLayout::origin(qsizetype line, qsizetype segment) {
    LongLine* pieces = longLine(line);
    if (!pieces) return 0;
    qsizetype known = segment;
    while (pieces->origins[size_t(known)] == kUnknown) --known;
    for (; known < segment; ++known) {
        const qsizetype next = nextOrigin(line, known);
        pieces->origins[size_t(known) + 1] = next;
    }
    return pieces->origins[size_t(segment)];
}

// The start of the piece's last row, which the piece's end cut short. A piece of one row
// (characters of no width) is shown whole instead.
qsizetype PlainTextLayout::nextOrigin(qsizetype line, qsizetype segment) {
    const QTextLayout* layout = piece(line, segment);
    const qsizetype from = origin(line, segment);
    const qsizetype next = pieces(line)[size_t(segment) + 1];
    if (layout->lineCount() < 2) return next;
    const qsizetype start =
        from + textOffset(*layout, layout->lineAt(layout->lineCount() - 1).textStart());
    return start > from ? start : next;
}

// Where a piece of a long line ending near `near` (a text position) ends: the last place at or
// before it where a row may wrap, else the last character boundary.
qsizetype PlainTextLayout::pieceEnd(qsizetype lineStart, qsizetype near) const {
    const qsizetype from = std::max(lineStart, near - kLookBack);
    // Most text wraps after spaces: the place after one, unless a mark or joiner clings to it.
    for (qsizetype at = near; at > from; --at) {
        const QChar c = text_.at(at - 1);
        if (c != u' ' && c != u'\t') continue;
        const char32_t next = TextBoundaries::codePointAt(text_, at);
        if (next != u' ' && next != u'\t' && !QChar::isMark(next) && next != 0x200C &&
            next != 0x200D && QChar::category(next) != QChar::Other_Format)
            return at;
    }
    // A run of Latin letters and digits, a row breaks anywhere in it and so may a piece.
    bool plain = true;
    for (qsizetype at = from; at <= near && plain; ++at) {
        const QChar c = text_.at(at);
        plain = c.unicode() < 0x300 && c.isLetterOrNumber();
    }
    if (plain) return near;
    const QString window = text_.mid(from, near + kLookAhead - from);
    const int end = int(near - from);
    QTextBoundaryFinder lines(QTextBoundaryFinder::Line, window);
    QTextBoundaryFinder clusters(QTextBoundaryFinder::Grapheme, window);
    lines.setPosition(end);
    for (int at = lines.isAtBoundary() ? end : lines.toPreviousBoundary(); at > 0;
         at = lines.toPreviousBoundary()) {
        clusters.setPosition(at);
        if (clusters.isAtBoundary() && !window[at - 1].isHighSurrogate()) return from + at;
    }
    const qsizetype after = TextNavigation::nextCharacter(text_, near);
    const qsizetype before = TextNavigation::previousCharacter(text_, after);
    return before > from ? before : after;
}

const QTextCharFormat& PlainTextLayout::shownFormat(int id) {
    if (size_t(id) >= shownFormats_.size()) shownFormats_.resize(size_t(id) + 1);
    std::optional<QTextCharFormat>& shown = shownFormats_[size_t(id)];
    if (shown) return *shown;
    shown = formats_->charFormat(id);
    if (shown->hasProperty(QTextFormat::FontPointSize)) {
        shown->setFontPointSize(shown->fontPointSize() * formatScale_);
    } else if (font_.pointSizeF() > 0) {
        shown->setFontPointSize(font_.pointSizeF());
    } else {
        shown->setProperty(QTextFormat::FontPixelSize, font_.pixelSize());
    }
    if (!shown->hasProperty(QTextFormat::FontFamilies) &&
        !shown->hasProperty(QTextFormat::FontFamily))
        shown->setFontFamilies(font_.families().isEmpty() ? QStringList{font_.family()}
                                                          : font_.families());
    if (!shown->hasProperty(QTextFormat::FontWeight)) shown->setFontWeight(font_.weight());
    if (!shown->hasProperty(QTextFormat::FontItalic)) shown->setFontItalic(font_.italic());
    return *shown;
}

// A line's paragraph mark: its line break, or for the last line the formats' end mark.
QFont PlainTextLayout::markFont(qsizetype line) {
    return shownFormat(formats_->markFormatOf(line, text_.lineEnd(line))).font().resolve(font_);
}

QList<QTextLayout::FormatRange> PlainTextLayout::shownRanges(qsizetype start, qsizetype length,
                                                             int preeditAt, int preeditLength) {
    // Text being composed takes the format of the text before it, or after it at the start.
    const auto shown = [&](qsizetype at) {
        return int(at) < preeditAt || at == 0 ? int(at) : int(at) + preeditLength;
    };
    QList<QTextLayout::FormatRange> ranges;
    for (const TextFormats::Run& run : formats_->runs(start, start + length)) {
        const int from = shown(run.start - start);
        ranges.append({from, shown(run.end - start) - from, shownFormat(run.format)});
    }
    return ranges;
}

PlainTextLayout::Paragraph PlainTextLayout::paragraph(qsizetype line, bool rightToLeft) {
    Paragraph paragraph;
    paragraph.alignment = rightToLeft ? Qt::AlignRight : Qt::AlignLeft;
    if (!formats_ || line >= formats_->lineCount()) return paragraph;
    const QTextBlockFormat& format = formats_->blockFormat(formats_->blockFormatOf(line));
    paragraph.left = fixed(format.leftMargin() * formatScale_);
    paragraph.right = fixed(format.rightMargin() * formatScale_);
    paragraph.firstIndent = fixed(format.textIndent() * formatScale_);
    if (line > 0) {
        const QTextBlockFormat& above = formats_->blockFormat(formats_->blockFormatOf(line - 1));
        paragraph.above = fixed(std::max(format.topMargin(), above.bottomMargin()) * formatScale_);
    }
    if (format.hasProperty(QTextFormat::BlockAlignment))
        paragraph.alignment = QStyle::visualAlignment(
            rightToLeft ? Qt::RightToLeft : Qt::LeftToRight, format.alignment());
    return paragraph;
}

QTextLayout* PlainTextLayout::piece(qsizetype line, qsizetype segment) {
    {
        const auto found = cache_.find(key(line, segment));
        if (found != cache_.end()) {
            found->second.used = ++clock_;
            return found->second.layout.get();
        }
    }
    const qsizetype from = origin(line, segment);
    qsizetype to = text_.lineLength(line);
    if (const LongLine* pieces = longLine(line);
        pieces && size_t(segment) + 1 < pieces->starts.size())
        to = pieces->starts[size_t(segment) + 1];
    const bool last = to == text_.lineLength(line);
    const qsizetype start = text_.lineStart(line) + from;
    auto layout = std::make_unique<QTextLayout>(text_.mid(start, to - from),
                                                formats_ ? markFont(line) : font_);
    const bool rtl = rightToLeft(line);
    const Paragraph paragraph = this->paragraph(line, rtl);
    QTextOption option;
    option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    option.setTextDirection(rtl ? Qt::RightToLeft : Qt::LeftToRight);
    option.setAlignment(paragraph.alignment);
    option.setTabStopDistance(kTabStop);
    layout->setTextOption(option);
    layout->setCacheEnabled(true);
    const bool preedit = preeditAt_ >= start && preeditAt_ <= start + (to - from) &&
                         (preeditAt_ < start + (to - from) || last);
    const int preeditAt = preedit ? int(preeditAt_ - start) : -1;
    QList<QTextLayout::FormatRange> formats;
    if (formats_)
        formats = shownRanges(start, to - from, preeditAt, preedit ? int(preedit_.size()) : 0);
    if (preedit) {
        layout->setPreeditArea(preeditAt, preedit_);
        QList<QTextLayout::FormatRange> composing = preeditFormats_;
        if (composing.isEmpty()) {
            composing.append({0, int(preedit_.size()), {}});
            composing.back().format.setFontUnderline(true);
        }
        for (QTextLayout::FormatRange& range : composing) range.start += preeditAt;
        formats += composing;
    }
    if (!formats.isEmpty()) layout->setFormats(formats);
    layout->beginLayout();
    // The paragraph's first row is the first of its first piece: the others go on from rows
    // before them.
    qreal y = segment == 0 ? paragraph.above : 0;
    for (QTextLine row = layout->createLine(); row.isValid(); row = layout->createLine()) {
        if (formats_) row.setLeadingIncluded(true);  // as Qt's document layout has it
        const qreal indent = segment == 0 && row.lineNumber() == 0 ? paragraph.firstIndent : 0;
        const qreal left = paragraph.left + (rtl ? 0 : indent);
        const qreal width =
            std::max<qreal>(width_ - left - paragraph.right - (rtl ? indent : 0), 0);
        row.setLineWidth(width);
        if (formats_ && row.naturalTextWidth() > width) {
            // Not even one character fits (a large font, a deep indent): the row takes one,
            // however wide, and as many more as fit in that width, as Qt's document layout
            // has it.
            option.setWrapMode(QTextOption::WrapAnywhere);
            layout->setTextOption(option);
            row.setLineWidth(std::max(row.naturalTextWidth(), width));
            option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
            layout->setTextOption(option);
        }
        row.setPosition(QPointF(left, y));
        y += row.height();
    }
    layout->endLayout();
    Cached& cached = cache_[key(line, segment)];
    cached.used = ++clock_;
    cached.layout = std::move(layout);
    cached.characters = to - from;
    cachedCharacters_ += cached.characters;
    QTextLayout* result = cached.layout.get();
    if (cache_.size() > kCachedLayouts || cachedCharacters_ > kCachedCharacters) evictOld();
    return result;
}

// Keeps the more recently used half (the layout just made among them).
void PlainTextLayout::evictOld() {
    std::vector<quint64> used;
    used.reserve(cache_.size());
    for (const auto& entry : cache_) used.push_back(entry.second.used);
    auto middle = used.begin() + qsizetype(used.size() / 2);
    std::nth_element(used.begin(), middle, used.end());
    const quint64 keepFrom = *middle;
    for (auto it = cache_.begin(); it != cache_.end();) {
        if (it->second.used < keepFrom) {
            cachedCharacters_ -= it->second.characters;
            it = cache_.erase(it);
        } else {
            ++it;
        }
    }
}

// Only a paragraph's first row has space above it, and it stands that far down in its piece.
qreal PlainTextLayout::rowSpace(const TextRow& row) {
    return row.row == 0 && row.segment == 0 ? line(row).y() : 0;
}

qreal PlainTextLayout::rowHeight(const TextRow& row) {
    return line(row).height() + rowSpace(row);
}

qsizetype PlainTextLayout::pieceStart(const TextRow& row) {
    return text_.lineStart(row.line) + origin(row.line, row.segment);
}

qsizetype PlainTextLayout::rowStart(const TextRow& row) {
    return pieceStart(row) + textOffset(*layout(row), line(row).textStart());
}

// A piece shows its rows but the last when the next piece goes on from there.
int PlainTextLayout::lastRow(const TextRow& row) {
    joinAfter(row.line, row.segment);
    const int last = layout(row)->lineCount() - 1;
    const LongLine* pieces = longLine(row.line);
    const size_t next = size_t(row.segment) + 1;
    if (!pieces || next >= pieces->starts.size() || pieces->anchored(next)) return last;
    const bool goesOn = origin(row.line, qsizetype(next)) != pieces->starts[next];
    return goesOn ? std::max(0, layout(row)->lineCount() - 2) : layout(row)->lineCount() - 1;
}

TextRow PlainTextLayout::rowAt(qsizetype position) {
    position = std::clamp<qsizetype>(position, 0, text_.length());
    TextRow row;
    row.line = text_.lineOf(position);
    const qsizetype offset = position - text_.lineStart(row.line);
    const std::vector<qsizetype>& starts = pieces(row.line);
    const qsizetype count = qsizetype(starts.size());
    row.segment =
        qsizetype(std::upper_bound(starts.begin(), starts.end(), offset) - starts.begin()) - 1;
    // A piece's rows begin before its nominal start when it goes on from the piece before.
    joinAfter(row.line, row.segment);
    if (row.segment + 1 < count && offset >= origin(row.line, row.segment + 1)) ++row.segment;
    QTextLayout* layout = piece(row.line, row.segment);
    const qsizetype from = origin(row.line, row.segment);
    const QTextLine line = layout->lineForTextPosition(int(offset - from));
    row.row = std::min(line.isValid() ? line.lineNumber() : layout->lineCount() - 1, lastRow(row));
    return row;
}

TextRow PlainTextLayout::next(const TextRow& row) {
    TextRow after = row;
    if (row.row < lastRow(row)) {
        ++after.row;
        return after;
    }
    if (size_t(row.segment) + 1 < pieces(row.line).size()) {
        ++after.segment;
        after.row = 0;
        return after;
    }
    after.segment = 0;
    after.row = 0;
    if (row.line + 1 < text_.lineCount()) {
        ++after.line;
        return after;
    }
    return TextRow{};
}

TextRow PlainTextLayout::previous(const TextRow& row) {
    TextRow before = row;
    if (row.row > 0) {
        --before.row;
        return before;
    }
    if (row.segment > 0) {
        --before.segment;
    } else if (row.line > 0) {
        --before.line;
        before.segment = qsizetype(pieces(before.line).size()) - 1;
    } else {
        return TextRow{};
    }
    before.row = lastRow(before);
    return before;
}

TextRow PlainTextLayout::advance(TextRow row, int rows) {
    for (int step = 0; step < std::abs(rows); ++step) {
        const TextRow to = rows > 0 ? next(row) : previous(row);
        if (!to.isValid()) break;
        row = to;
    }
    return row;
}

TextRow PlainTextLayout::last() {
    TextRow row;
    row.line = text_.lineCount() - 1;
    row.segment = qsizetype(pieces(row.line).size()) - 1;
    row.row = lastRow(row);
    return row;
}

qsizetype PlainTextLayout::rowEnd(const TextRow& row) {
    const QTextLine textLine = line(row);
    const qsizetype start = rowStart(row);
    const QTextLayout* piece = layout(row);
    const qsizetype end =
        pieceStart(row) + textOffset(*piece, textLine.textStart() + textLine.textLength());
    const TextRow after = next(row);
    // A row wrapped at a space keeps the space, unseen at its end: the caret stops before it.
    // A row wrapped elsewhere ends where the next begins.
    const bool wrapped = after.isValid() && after.line == row.line;
    return wrapped && end > start && text_.at(end - 1).isSpace() ? end - 1 : end;
}
