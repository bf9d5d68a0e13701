// SPDX-License-Identifier: GPL-3.0-or-later
#include "document/RichDocumentLayout.h"

#include <QElapsedTimer>
#include <QFontMetricsF>
#include <QGuiApplication>
#include <QPainter>
#include <QScreen>
#include <QStyle>
#include <QTextBlock>
#include <QTextDocument>
#include <QTextFrame>
#include <QTextLayout>
#include <algorithm>
#include <cmath>

namespace {
constexpr qreal kUnbounded = 1e7;  // the width of a line that is not wrapped

// The line of `layout` at `y` (relative to the layout), the nearest one above or below it.
QTextLine lineAtY(const QTextLayout* layout, qreal y) {
    int low = 0;
    int high = layout->lineCount() - 1;
    while (low < high) {
        const int mid = (low + high + 1) / 2;
        if (layout->lineAt(mid).y() <= y) {
            low = mid;
        } else {
            high = mid - 1;
        }
    }
    return layout->lineCount() > 0 ? layout->lineAt(low) : QTextLine();
}

// Lengths as Qt's own layout rounds them, to 1/64 pixel, so that text lands on the same
// fractions of a pixel.
qreal fixed(qreal length) {
    return std::round(length * 64) / 64;
}

qreal lineHeight(const QTextLine& line) {
    return std::ceil(line.ascent() + line.descent() + line.leading());
}
}  // namespace

RichDocumentLayout::RichDocumentLayout(QTextDocument* document)
    : QAbstractTextDocumentLayout(document) {
    idle_.setSingleShot(true);
    connect(&idle_, &QTimer::timeout, this, &RichDocumentLayout::layoutSomeMore);
}

bool RichDocumentLayout::inStep() const {
    // Between a change and its documentChanged (the document tells contentsChange first), the
    // paragraph count may not match yet.
    return heights_.size() == document()->blockCount();
}

qreal RichDocumentLayout::gapAbove(const QTextBlock& block) const {
    const QTextBlock previous = block.previous();
    if (!previous.isValid()) return 0;
    return fixed(qMax(block.blockFormat().topMargin(), previous.blockFormat().bottomMargin()) *
                 scale_);
}

qreal RichDocumentLayout::top(int number) const {
    return margin_ + heights_.before(number) + gaps_[size_t(number)];
}

void RichDocumentLayout::layoutBlock(const QTextBlock& block, int number) const {
    QTextLayout* layout = block.layout();
    const qreal gap = gapAbove(block);
    gaps_[size_t(number)] = gap;
    ready_[size_t(number)] = true;
    if (!block.isVisible()) {
        layout->clearLayout();
        heights_.set(number, 0);
        return;
    }
    const QTextDocument* doc = document();
    const QTextBlockFormat format = block.blockFormat();
    const Qt::LayoutDirection direction = block.textDirection();
    QTextOption option = doc->defaultTextOption();
    option.setTextDirection(direction);
    option.setTabs(format.tabPositions());
    const Qt::Alignment align =
        format.hasProperty(QTextFormat::BlockAlignment) ? format.alignment() : option.alignment();
    option.setAlignment(QStyle::visualAlignment(direction, align));
    const qreal width = doc->textWidth();
    if (format.nonBreakableLines() || width < 0) option.setWrapMode(QTextOption::ManualWrap);
    layout->setTextOption(option);

    const bool rtl = direction == Qt::RightToLeft;
    const qreal indent = fixed(format.indent() * doc->indentWidth() * scale_);
    const qreal left = margin_ + fixed(format.leftMargin() * scale_) + (rtl ? 0 : indent);
    const qreal right = (width < 0 ? kUnbounded : width - margin_) -
                        fixed(format.rightMargin() * scale_) - (rtl ? indent : 0);
    const qreal firstIndent = fixed(format.textIndent() * scale_);
    qreal y = 0;
    qreal bottom = 0;  // a line may reach lower than its step (as Qt's layout has it)
    layout->beginLayout();
    for (bool first = true;; first = false) {
        QTextLine line = layout->createLine();
        if (!line.isValid()) break;
        line.setLeadingIncluded(true);
        const qreal lineLeft = first && !rtl ? left + firstIndent : left;
        const qreal lineRight = first && rtl ? right - firstIndent : right;
        const qreal lineWidth = qMax<qreal>(0, lineRight - lineLeft);
        line.setLineWidth(lineWidth);
        if (line.naturalTextWidth() > lineWidth) {
            // Not even one word fits: the line takes at least one character, however wide, and
            // as many more as fit in that width (as Qt's own layout does it).
            const bool anywhere = option.wrapMode() == QTextOption::WrapAtWordBoundaryOrAnywhere;
            if (anywhere) {
                option.setWrapMode(QTextOption::WrapAnywhere);
                layout->setTextOption(option);
            }
            line.setLineWidth(qMax(line.naturalTextWidth(), lineWidth));
            if (anywhere) {
                option.setWrapMode(QTextOption::WordWrap);
                layout->setTextOption(option);
            }
        }
        line.setPosition(QPointF(lineLeft, y));
        bottom = y + line.height();
        y += lineHeight(line);
        widest_ = qMax(widest_, lineLeft + line.naturalTextWidth() + margin_ +
                                    format.rightMargin() * scale_ + (rtl ? indent : 0));
    }
    layout->endLayout();
    heights_.set(number, gap + qMax(y, bottom));
}

void RichDocumentLayout::layoutUpTo(int end) const {
    end = qMin(end, heights_.size());
    if (frontier_ >= end) return;
    QTextBlock block = document()->findBlockByNumber(frontier_);
    for (; frontier_ < end && block.isValid(); ++frontier_, block = block.next()) {
        if (!ready_[size_t(frontier_)]) layoutBlock(block, frontier_);
    }
}

void RichDocumentLayout::layoutToY(qreal y) const {
    const int count = heights_.size();
    if (frontier_ >= count) return;
    QTextBlock block = document()->findBlockByNumber(frontier_);
    qreal at = margin_ + heights_.before(frontier_);
    for (; frontier_ < count && at <= y && block.isValid(); ++frontier_, block = block.next()) {
        if (!ready_[size_t(frontier_)]) layoutBlock(block, frontier_);
        at += heights_.at(frontier_);
    }
}

void RichDocumentLayout::layoutSomeMore() {
    const QSizeF oldSize = documentSize();
    QElapsedTimer clock;
    clock.start();
    // In steps short enough not to delay a key.
    while (frontier_ < heights_.size() && clock.elapsed() < 8) layoutUpTo(frontier_ + 256);
    if (frontier_ < heights_.size()) idle_.start(0);
    const QSizeF size = documentSize();
    if (size != oldSize) emit documentSizeChanged(size);
}

void RichDocumentLayout::invalidateAll() {
    const QTextDocument* doc = document();
    margin_ = doc->rootFrame()->frameFormat().margin();
    scale_ = 1;
    if (const QPaintDevice* device = paintDevice()) {
        const QScreen* screen = QGuiApplication::primaryScreen();
        const qreal dpi = screen ? qRound(screen->logicalDotsPerInchY()) : 96;
        scale_ = device->logicalDpiY() / dpi;
    }
    widest_ = 0;
    frontier_ = 0;
    const int count = doc->blockCount();
    heights_.clear();
    heights_.replace(0, 0, count);
    gaps_.assign(size_t(count), 0);
    ready_.assign(size_t(count), false);
    // A line of the default font for every so many characters as fit on a line.
    const QFontMetricsF metrics(doc->defaultFont(), paintDevice());
    const qreal width = doc->textWidth() - 2 * margin_;
    const qreal perLine = width > 0 ? qMax<qreal>(1, width / metrics.averageCharWidth()) : 1e9;
    const qreal line = std::ceil(metrics.height());
    int number = 0;
    for (QTextBlock block = doc->begin(); block.isValid(); block = block.next())
        heights_.set(number++, line * std::ceil(qMax(1, block.length() - 1) / perLine));
    idle_.start(0);
}

void RichDocumentLayout::documentChanged(int from, int /*removed*/, int added) {
    const QTextDocument* doc = document();
    const QSizeF oldSize = documentSize();
    const int count = doc->blockCount();
    const QTextBlock first = doc->findBlock(from);
    const QTextBlock last = doc->findBlock(from + added);
    // The paragraphs from `first` to `last` replace as many as there were before, less the
    // paragraphs gained; those before and after them are as they were.
    const int firstNumber = first.blockNumber();
    const int lastNumber = last.isValid() ? last.blockNumber() : count - 1;
    const int inserted = lastNumber - firstNumber + 1;
    const int replaced = inserted - (count - heights_.size());
    const bool whole = heights_.size() == 0 || (from == 0 && added >= doc->characterCount() - 1) ||
                       !first.isValid() || replaced < 0 || firstNumber + replaced > heights_.size();
    if (whole) {
        invalidateAll();
        emit update(QRectF(0, 0, kUnbounded, kUnbounded));
    } else {
        const qreal oldHeight =
            heights_.before(firstNumber + replaced) - heights_.before(firstNumber);
        heights_.replace(firstNumber, replaced, inserted);
        const auto gap = gaps_.begin() + firstNumber;
        gaps_.insert(gaps_.erase(gap, gap + replaced), size_t(inserted), 0.0);
        const auto ready = ready_.begin() + firstNumber;
        ready_.insert(ready_.erase(ready, ready + replaced), size_t(inserted), false);
        if (frontier_ >= firstNumber + replaced) {
            frontier_ += inserted - replaced;
        } else if (frontier_ > firstNumber) {
            frontier_ = firstNumber + inserted;
        }
        int number = firstNumber;
        for (QTextBlock block = first; number <= lastNumber; block = block.next())
            layoutBlock(block, number++);
        // The next paragraph's space above depends on the last one's space below.
        bool nextMoved = false;
        if (number < count) {
            const qreal gap = gapAbove(last.next());
            nextMoved = gap != gaps_[size_t(number)];
            heights_.set(number, heights_.at(number) - gaps_[size_t(number)] + gap);
            gaps_[size_t(number)] = gap;
        }
        const qreal newHeight = heights_.before(lastNumber + 1) - heights_.before(firstNumber);
        const qreal y = margin_ + heights_.before(firstNumber);
        // What follows moved when the height changed; otherwise only the changed part is new.
        emit update(QRectF(0, y, kUnbounded,
                           newHeight == oldHeight && !nextMoved && number < count
                               ? newHeight + gaps_[size_t(number)]
                               : kUnbounded));
    }
    const QSizeF size = documentSize();
    if (size != oldSize) emit documentSizeChanged(size);
}

QSizeF RichDocumentLayout::documentSize() const {
    const qreal width = document()->textWidth();
    return QSizeF(qMax(width, widest_), 2 * margin_ + heights_.total());
}

QRectF RichDocumentLayout::frameBoundingRect(QTextFrame* frame) const {
    return frame == document()->rootFrame() ? QRectF(QPointF(0, 0), documentSize()) : QRectF();
}

QRectF RichDocumentLayout::blockBoundingRect(const QTextBlock& block) const {
    if (!block.isValid() || !inStep()) return QRectF();
    const int number = block.blockNumber();
    layoutUpTo(number + 1);
    QTextLayout* layout = block.layout();
    layout->setPosition(QPointF(0, top(number)));  // as where it is drawn
    return QRectF(0, top(number), layout->boundingRect().right(),
                  heights_.at(number) - gaps_[size_t(number)]);
}

int RichDocumentLayout::hitTest(const QPointF& point, Qt::HitTestAccuracy accuracy) const {
    if (!inStep()) return -1;
    layoutToY(point.y());
    const int number = heights_.indexAt(point.y() - margin_);
    if (number < 0) return -1;
    const QTextBlock block = document()->findBlockByNumber(number);
    const QTextLayout* layout = block.layout();
    const QPointF at = point - QPointF(0, top(number));
    const QTextLine line = lineAtY(layout, at.y());
    const bool below = at.y() >= heights_.at(number) - gaps_[size_t(number)];
    if (accuracy == Qt::ExactHit) {
        if (!line.isValid() || !line.naturalTextRect().contains(at)) return -1;
        return block.position() + line.xToCursor(at.x(), QTextLine::CursorOnCharacter);
    }
    // Above a paragraph's lines (in the space before it) is its start; below the last line of
    // the last paragraph, the end of the text.
    if (at.y() < 0 || !line.isValid()) return block.position();
    if (below && number == heights_.size() - 1) return block.position() + block.length() - 1;
    return block.position() + line.xToCursor(at.x());
}

void RichDocumentLayout::draw(QPainter* painter, const PaintContext& context) {
    if (!inStep() || heights_.size() == 0) return;
    const QRectF clip =
        context.clip.isValid() ? context.clip : QRectF(0, 0, kUnbounded, kUnbounded);
    layoutToY(clip.bottom());
    int number = heights_.indexAt(clip.top() - margin_);
    qreal y = margin_ + heights_.before(number);
    const QPen pen = painter->pen();
    painter->setPen(context.palette.color(QPalette::Text));
    for (QTextBlock block = document()->findBlockByNumber(number);
         block.isValid() && y < clip.bottom(); block = block.next(), ++number) {
        drawBlock(painter, context, block, QPointF(0, y + gaps_[size_t(number)]));
        y += heights_.at(number);
    }
    painter->setPen(pen);
}

void RichDocumentLayout::drawBlock(QPainter* painter, const PaintContext& context,
                                   const QTextBlock& block, const QPointF& origin) const {
    QTextLayout* layout = block.layout();
    const int start = block.position();
    const int length = block.length();
    QList<QTextLayout::FormatRange> ranges;
    for (const Selection& selection : context.selections) {
        const int from = selection.cursor.selectionStart() - start;
        const int to = selection.cursor.selectionEnd() - start;
        if (from < length && to > 0 && to > from) {
            ranges.append({from, to - from, selection.format});
        } else if (!selection.cursor.hasSelection() &&
                   selection.format.hasProperty(QTextFormat::FullWidthSelection) &&
                   block.contains(selection.cursor.position())) {
            // A full-width selection marks the line of its cursor.
            const QTextLine line = layout->lineForTextPosition(selection.cursor.position() - start);
            int lineLength = line.textLength();
            if (line.textStart() + lineLength == length - 1) ++lineLength;  // with the line end
            ranges.append({line.textStart(), lineLength, selection.format});
        }
    }
    // Kept where the paragraph is shown, for those who read a paragraph's place from its
    // layout (the accessibility interface does); drawing adds it to the origin given.
    layout->setPosition(origin);
    // Inside the document margin, as in Qt's layout (full-width selections reach the clip's
    // edges).
    QRectF clip(margin_, 0, documentSize().width() - 2 * margin_, kUnbounded);
    if (context.clip.isValid()) clip &= context.clip;
    layout->draw(painter, QPointF(), ranges, clip);
    const int cursor = context.cursorPosition;
    // Below -1 the cursor stands inside the input method's preedit text.
    if ((cursor >= start && cursor < start + length) ||
        (cursor < -1 && !layout->preeditAreaText().isEmpty())) {
        const int at = cursor < -1 ? layout->preeditAreaPosition() - (cursor + 2) : cursor - start;
        const QVariant width = property("cursorWidth");
        layout->drawCursor(painter, QPointF(), at, width.isValid() ? width.toInt() : 1);
    }
}
