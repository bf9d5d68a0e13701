// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QAbstractTextDocumentLayout>
#include <QSizeF>

// A document layout that lays nothing out. A QTextDocument filled without one makes Qt's own
// layout, which wraps every paragraph as it arrives; with this one in place a document can be
// filled, read and written (conversion, loading before an editor shows it) in time linear in
// its text. Replace it with setDocumentLayout(nullptr) to have the document lay itself out again.
class InertLayout : public QAbstractTextDocumentLayout {
  public:
    explicit InertLayout(QTextDocument* document) : QAbstractTextDocumentLayout(document) {}

    void draw(QPainter*, const PaintContext&) override {}
    int hitTest(const QPointF&, Qt::HitTestAccuracy) const override { return -1; }
    int pageCount() const override { return 1; }
    QSizeF documentSize() const override { return QSizeF(); }
    QRectF frameBoundingRect(QTextFrame*) const override { return QRectF(); }
    QRectF blockBoundingRect(const QTextBlock&) const override { return QRectF(); }

  protected:
    void documentChanged(int, int, int) override {}
};
