// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QAbstractTextDocumentLayout>
#include <QTimer>
#include <vector>

#include "document/core/HeightIndex.h"

// The layout of the rich-text editor's documents: paragraphs one below the other, each with its
// alignment, indents and the space before and after it (the larger of two neighbours' spaces
// between them), wrapped to the document's text width.
//
// Qt's own document layout moves every paragraph after an edit to its new place, so a key in
// the middle of a document of 200,000 paragraphs took a tenth of a second. Here each
// paragraph's height is kept in a HeightIndex, and an edit lays out only the paragraphs it
// touched: where the others are follows from the index. After a change of width, font or zoom,
// and on loading, paragraphs are laid out as they are shown or asked for, from the top down, and
// the rest a little at a time while the program is idle; until then their height is estimated.
//
// It knows paragraphs only: the RTF reader makes no tables, frames or floating objects.
class RichDocumentLayout : public QAbstractTextDocumentLayout {
    Q_OBJECT
  public:
    explicit RichDocumentLayout(QTextDocument* document);

    void draw(QPainter* painter, const PaintContext& context) override;
    int hitTest(const QPointF& point, Qt::HitTestAccuracy accuracy) const override;
    int pageCount() const override { return 1; }
    QSizeF documentSize() const override;
    QRectF frameBoundingRect(QTextFrame* frame) const override;
    QRectF blockBoundingRect(const QTextBlock& block) const override;

  protected:
    void documentChanged(int from, int removed, int added) override;

  private:
    // Forgets every paragraph's lines: each gets an estimated height until it is laid out.
    void invalidateAll();
    // Lays out the paragraph numbered `number` and records its height.
    void layoutBlock(const QTextBlock& block, int number) const;
    // Lays out, from the top down, every paragraph before the one numbered `end`, or every one
    // that starts above `y`.
    void layoutUpTo(int end) const;
    void layoutToY(qreal y) const;
    void layoutSomeMore();
    // The space above the paragraph: the larger of its own and its predecessor's, none above
    // the first.
    qreal gapAbove(const QTextBlock& block) const;
    // Where the paragraph's lines start, the space above it included.
    qreal top(int number) const;
    bool inStep() const;
    void drawBlock(QPainter* painter, const PaintContext& context, const QTextBlock& block,
                   const QPointF& origin) const;

    // Laid out on demand, so by const functions too. Per paragraph: the space above it plus the
    // height of its lines; the space above it; whether it is laid out.
    mutable HeightIndex heights_;
    mutable std::vector<qreal> gaps_;
    mutable std::vector<bool> ready_;
    // Every paragraph before this one is laid out; those after may be.
    mutable int frontier_ = 0;
    mutable qreal widest_ = 0;  // the widest line's right end
    qreal margin_ = 0;          // the document margin, around all paragraphs
    qreal scale_ = 1;           // of spaces and indents, as of the fonts (zoom)
    QTimer idle_;               // lays out what is not shown yet
};
