// SPDX-License-Identifier: GPL-3.0-or-later
// The rich-text editor's document layout: it places every paragraph and line where Qt's own
// layout places them (every RTF sample file, right-to-left paragraphs, spacing, indents,
// alignment), finds the same character under a point, and keeps that true edit after edit
// while it lays out only the paragraphs an edit touched.
#include <QAbstractTextDocumentLayout>
#include <QDir>
#include <QImage>
#include <QPainter>
#include <QSignalSpy>
#include <QTest>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextLayout>
#include <memory>

#include "TestHelpers.h"
#include "document/RichDocumentLayout.h"
#include "document/core/RtfReader.h"

namespace {

constexpr qreal kWidth = 320;

std::unique_ptr<QTextDocument> readDocument(const QByteArray& rtf, bool ours) {
    auto doc = std::make_unique<QTextDocument>();
    doc->setDefaultFont(QFont(QStringLiteral("DejaVu Sans"), 10));
    RtfReader::read(rtf, doc.get());
    if (ours) doc->setDocumentLayout(new RichDocumentLayout(doc.get()));
    doc->setTextWidth(kWidth);
    return doc;
}

// Every paragraph's place and every line's place and text, one line of text each.
QStringList geometry(QTextDocument* doc) {
    QAbstractTextDocumentLayout* layout = doc->documentLayout();
    QStringList out;
    for (QTextBlock block = doc->begin(); block.isValid(); block = block.next()) {
        const QRectF rect = layout->blockBoundingRect(block);
        out << QStringLiteral("block %1 top %2").arg(block.blockNumber()).arg(qRound(rect.top()));
        const QTextLayout* lines = block.layout();
        for (int i = 0; i < lines->lineCount(); ++i) {
            const QTextLine line = lines->lineAt(i);
            out << QStringLiteral("  line x %1 y %2 text %3+%4")
                       .arg(qRound(line.naturalTextRect().left() + rect.left()))
                       .arg(qRound(line.y()))
                       .arg(line.textStart())
                       .arg(line.textLength());
        }
    }
    // Last: until a paragraph is asked for, the layout may estimate its height.
    const QSize size = layout->documentSize().toSize();
    return out << QStringLiteral("size %1 x %2").arg(size.width()).arg(size.height());
}

// The character found at points across every line, and above and below the text.
QList<int> hits(QTextDocument* doc) {
    QAbstractTextDocumentLayout* layout = doc->documentLayout();
    QList<int> out;
    for (QTextBlock block = doc->begin(); block.isValid(); block = block.next()) {
        const QRectF rect = layout->blockBoundingRect(block);
        for (int i = 0; i < block.layout()->lineCount(); ++i) {
            const QTextLine line = block.layout()->lineAt(i);
            const qreal y = rect.top() + line.y() + line.height() / 2;
            for (qreal x = 0; x <= kWidth; x += 23)
                out << layout->hitTest(QPointF(x, y), Qt::FuzzyHit);
        }
    }
    out << layout->hitTest(QPointF(5, -50), Qt::FuzzyHit)
        << layout->hitTest(QPointF(5, layout->documentSize().height() + 50), Qt::FuzzyHit);
    return out;
}

// The document painted with a selection across paragraphs, a full-width line mark and the
// cursor.
QImage painted(QTextDocument* doc) {
    QAbstractTextDocumentLayout* layout = doc->documentLayout();
    const int end = doc->characterCount() - 1;
    QAbstractTextDocumentLayout::PaintContext context;
    context.cursorPosition = qMin(1, end);
    QTextCursor selected(doc);
    selected.setPosition(qMin(2, end));
    selected.setPosition(qMin(40, end), QTextCursor::KeepAnchor);
    QTextCharFormat highlight;
    highlight.setBackground(Qt::yellow);
    QTextCursor marked(doc);
    marked.setPosition(end);
    QTextCharFormat line;
    line.setBackground(Qt::cyan);
    line.setProperty(QTextFormat::FullWidthSelection, true);
    context.selections = {{selected, highlight}, {marked, line}};
    QImage image(int(kWidth), qMin(2000, int(layout->documentSize().height())),
                 QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter painter(&image);
    layout->draw(&painter, context);
    return image;
}

}  // namespace

class RichLayoutTest : public QObject {
    Q_OBJECT

  private slots:
    void placesTextAsQtDoes_data() {
        QTest::addColumn<QString>("path");
        for (const QString& folder : {QStringLiteral("rtf"), QStringLiteral("layout")}) {
            for (const QString& path : testCases(folder, QStringLiteral("*.rtf")))
                QTest::newRow(qPrintable(folder + u'/' + QFileInfo(path).fileName())) << path;
        }
    }
    void placesTextAsQtDoes() {
        QFETCH(QString, path);
        const QByteArray rtf = readBytes(path);
        const auto qts = readDocument(rtf, false);
        const auto ours = readDocument(rtf, true);
        QCOMPARE(geometry(ours.get()), geometry(qts.get()));
        QCOMPARE(hits(ours.get()), hits(qts.get()));
        QVERIFY(painted(ours.get()) == painted(qts.get()));
    }

    // Edits of every kind, each compared with the same edits laid out afresh: a twin document
    // gets every edit too, and a new layout for each comparison.
    void editsLayOutWhatTheyTouch() {
        QByteArray rtf = "{\\rtf1\\ansi ";
        for (int i = 0; i < 120; ++i) {
            rtf += QByteArray("\\pard\\sb") + QByteArray::number(i % 4 * 60) + "\\sa" +
                   QByteArray::number(i % 3 * 90) + (i % 5 ? "" : "\\qc\\li400") + " paragraph " +
                   QByteArray::number(i) +
                   (i % 7 ? "" : " with more words, enough to wrap onto a further line here") +
                   "\\par\n";
        }
        rtf += "}";
        const auto doc = readDocument(rtf, true);
        const auto twin = readDocument(rtf, false);
        for (QTextDocument* d : {doc.get(), twin.get()}) d->setUndoRedoEnabled(true);
        const auto edit = [&](const char* step, auto change) {
            for (QTextDocument* d : {doc.get(), twin.get()}) {
                QTextCursor cursor(d);
                change(d, cursor);
            }
            twin->setDocumentLayout(new RichDocumentLayout(twin.get()));
            twin->setTextWidth(doc->textWidth());
            const QStringList expected = geometry(twin.get());
            QVERIFY2(geometry(doc.get()) == expected, step);
        };
        // Repainted: what follows an edit that changes its paragraph's height, otherwise only
        // the paragraph.
        QSignalSpy repaints(doc->documentLayout(), &QAbstractTextDocumentLayout::update);
        const auto repaintedToTheEnd = [&] {
            return repaints.last().at(0).toRectF().bottom() >=
                   doc->documentLayout()->documentSize().height();
        };
        // Text from a paragraph and offset in it to another (-1: the end) replaced, after
        // `before`; the first comes right after loading, when nothing is laid out yet.
        struct Replace {
            const char* step;
            int from[2], to[2];
            const char* with;
            void (*before)(QTextDocument*) = nullptr;
        };
        const auto replace = [&](const Replace& r) {
            edit(r.step, [&](QTextDocument* d, QTextCursor& c) {
                if (r.before) r.before(d);
                c.setPosition(d->findBlockByNumber(r.from[0]).position() + r.from[1]);
                if (r.to[0] < 0) {
                    c.movePosition(QTextCursor::End, QTextCursor::KeepAnchor);
                } else {
                    c.setPosition(d->findBlockByNumber(r.to[0]).position() + r.to[1],
                                  QTextCursor::KeepAnchor);
                }
                c.insertText(QString::fromUtf8(r.with));
            });
        };
        replace({"typing that wraps", {60, 4}, {60, 4}, "typed, long enough to need another line"});
        QVERIFY(repaintedToTheEnd());
        replace({"a letter for the same", {70, 0}, {70, 1}, "p"});
        QVERIFY(!repaintedToTheEnd());
        replace({"a paragraph break", {60, 9}, {60, 9}, "\n"});
        replace({"a paragraph at the top", {0, 0}, {0, 0}, "\n"});
        edit("the space below a paragraph", [&](QTextDocument* d, QTextCursor& c) {
            QTextBlockFormat spaced;
            spaced.setBottomMargin(50);
            c.setPosition(d->findBlockByNumber(10).position());
            c.setBlockFormat(spaced);
        });
        // Laid out anew down to paragraph 50 only, then paragraphs above it joined: the next
        // paragraph gets another above it, and another space.
        replace({"narrower, paragraphs joined", {31, 2}, {35, 3}, "one\ntwo", [](QTextDocument* d) {
                     d->setTextWidth(kWidth / 2);
                     d->documentLayout()->blockBoundingRect(d->findBlockByNumber(50));
                 }});
        replace({"a paragraph joined to the next", {41, -1}, {41, 0}, ""});
        replace({"the end removed", {100, 0}, {-1, 0}, ""});
        edit("all undone", [&](QTextDocument* d, QTextCursor&) {
            while (d->isUndoAvailable()) d->undo();
        });
    }
};

QTEST_MAIN(RichLayoutTest)
#include "tst_richlayout.moc"
