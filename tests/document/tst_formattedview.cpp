// SPDX-License-Identifier: GPL-3.0-or-later
// Formatted text in the plain editor: every RTF sample, and a paragraph long enough to be laid
// out in pieces, placed row for row where Qt's document layout places the same document (fonts,
// sizes, alignment, indents, first-line indent, spacing); zoom scaling every size and space;
// and the view's caret places, clicks and scrolling over rows of different heights.
#include <QAbstractTextDocumentLayout>
#include <QTest>
#include <QTextBlock>
#include <QTextDocument>

#include "TestHelpers.h"
#include "document/PlainTextEdit.h"
#include "document/PlainTextLayout.h"
#include "document/core/FormattedText.h"
#include "document/core/RtfReader.h"

namespace {

constexpr qreal kWidth = 320;

QFont testFont() {
    return QFont(QStringLiteral("DejaVu Sans"), 12);
}

// An RTF file read by Qt's document, and the same as a text with its formats, each size and
// space `factor` times as large; a font or size the same as the editor's is left out, for the
// editor's font to give.
struct Formatted {
    QTextDocument document;
    QString text;
    TextFormats formats;
};

std::unique_ptr<Formatted> read(const QString& path, qreal factor = 1) {
    auto f = std::make_unique<Formatted>();
    f->document.setDefaultFont(testFont());
    f->document.setDocumentMargin(0);
    RtfReader::read(readBytes(path), &f->document);
    const FormattedText read = FormattedText::fromDocument(f->document);
    f->document.setTextWidth(kWidth);
    f->text = read.text;
    const auto scaled = [&](int id) {
        QTextCharFormat format = read.formats.charFormat(id);
        if (format.fontPointSize() == testFont().pointSizeF())
            format.clearProperty(QTextFormat::FontPointSize);
        if (format.fontFamilies().toStringList() == testFont().families())
            format.clearProperty(QTextFormat::FontFamilies);
        if (format.hasProperty(QTextFormat::FontPointSize))
            format.setFontPointSize(format.fontPointSize() * factor);
        return f->formats.internChar(format);
    };
    f->formats.reset(f->text.size(), read.formats.lineCount());
    for (const TextFormats::Run& run : read.formats.runs(0, f->text.size()))
        f->formats.appendCharFormat(run.start, run.end, scaled(run.format));
    f->formats.setEndMarkFormat(scaled(read.formats.endMarkFormat()));
    for (qsizetype line = 0; line < f->formats.lineCount(); ++line) {
        QTextBlockFormat format = read.formats.blockFormat(read.formats.blockFormatOf(line));
        for (const int length :
             {QTextFormat::BlockLeftMargin, QTextFormat::BlockRightMargin,
              QTextFormat::BlockTopMargin, QTextFormat::BlockBottomMargin, QTextFormat::TextIndent})
            format.setProperty(length, format.doubleProperty(length) * factor);
        f->formats.setBlockFormat(line, f->formats.internBlock(format));
    }
    return f;
}

QString row(qreal x, qreal y, qreal height, qsizetype start, int length) {
    return QString::asprintf("x %d y %d h %d text %lld+%d", qRound(x), qRound(y), qRound(height),
                             qlonglong(start), length);
}

// Where Qt's document layout places every line.
QStringList qtRows(QTextDocument& document) {
    QAbstractTextDocumentLayout* layout = document.documentLayout();
    QStringList out;
    for (QTextBlock block = document.begin(); block.isValid(); block = block.next()) {
        const qreal top = layout->blockBoundingRect(block).top();
        for (int i = 0; i < block.layout()->lineCount(); ++i) {
            const QTextLine line = block.layout()->lineAt(i);
            out << row(line.naturalTextRect().left(), top + line.y(), line.height(),
                       block.position() + line.textStart(), line.textLength());
        }
    }
    return out;
}

// Where the plain editor's layout places every row, one below the other, once the rows of long
// lines are joined.
QStringList ourRows(const QString& text, const TextFormats& formats, qreal scale,
                    const QFont& shownBefore = testFont()) {
    // One layout for every text, as an editor keeps one: nothing stays of an earlier text's
    // formats, nor of the font shown before.
    static auto* buffer = new TextBuffer;
    static auto* layout = new PlainTextLayout(*buffer);
    buffer->setText(text);
    layout->setWidth(kWidth);
    layout->setFormats(&formats, scale);
    layout->setFont(shownBefore);
    layout->rowAt(0);
    layout->setFont(testFont());
    for (qsizetype line = 0; line < buffer->lineCount(); ++line)
        layout->settle(buffer->lineEnd(line), 100000);
    QStringList out;
    qreal y = 0;
    for (TextRow at = layout->rowAt(0); at.isValid(); at = layout->next(at)) {
        const QTextLine line = layout->line(at);
        out << row(line.naturalTextRect().left(), y + layout->rowSpace(at), line.height(),
                   layout->rowStart(at), line.textLength());
        y += layout->rowHeight(at);
    }
    return out;
}

}  // namespace

class FormattedViewTest : public QObject {
    Q_OBJECT

  private slots:
    void placesRowsAsQtDoes_data() {
        QTest::addColumn<QString>("path");
        const QString rtf = QStringLiteral("*.rtf");
        for (const QString& path :
             testCases(QStringLiteral("rtf"), rtf) + testCases(QStringLiteral("layout"), rtf))
            QTest::newRow(qPrintable(path.section(u'/', -2))) << path;
    }
    void placesRowsAsQtDoes() {
        QFETCH(QString, path);
        const auto f = read(path);
        // After a character wider than a row, Qt's layout wraps the rest of the paragraph at
        // spaces only, rows wider than the window; ours goes on wrapping anywhere.
        if (path.endsWith(QStringLiteral("/huge-numbers.rtf")))
            QSKIP("characters wider than a row");
        QCOMPARE(ourRows(f->text, f->formats, 1, QFont(QStringLiteral("DejaVu Serif"), 20)),
                 qtRows(f->document));
        // Zoomed, each size and space is as large as the same written larger.
        const auto doubled = read(path, 2);
        const QStringList zoomed = ourRows(f->text, f->formats, 2);
        QCOMPARE(zoomed, ourRows(doubled->text, doubled->formats, 1, QFont()));
    }

    // Every character's place on screen leads back to it and is where Qt's layout has it; moving
    // down and up row by row and page by page keeps the caret whole on screen, however tall its
    // row and the space above it.
    void viewFollowsRowsOfDifferentHeights() {
        const auto f = read(QStringLiteral(QUILLO_TEST_DATA "/layout/long-paragraph-in-runs.rtf"));
        PlainTextEdit edit;
        edit.setFont(testFont());
        edit.resize(int(kWidth), 300);
        edit.show();
        edit.loadFormatted(f->text, f->formats);
        // The editor's rows are Qt's at the editor's width, less its margins.
        f->document.setTextWidth(edit.viewport()->width() - 8);
        const auto qtTop = [&](qsizetype at) {
            const QTextBlock block = f->document.findBlock(int(at));
            return f->document.documentLayout()->blockBoundingRect(block).top() +
                   block.layout()->lineForTextPosition(int(at - block.position())).y();
        };
        for (const Qt::Key key : {Qt::Key_Down, Qt::Key_PageDown, Qt::Key_Up, Qt::Key_PageUp}) {
            for (qsizetype before = -1; edit.caret() != before;) {
                before = edit.caret();
                QTest::keyClick(&edit, key);
                const QRect caret = edit.characterRect(edit.caret());
                QVERIFY(!caret.isNull() && caret.bottom() < edit.viewport()->height());
                const qsizetype from = edit.caret() + 1;
                for (qsizetype at = from; at < from + 40 && at < edit.length(); ++at) {
                    const QRect place = edit.characterRect(at);
                    if (place.isNull()) break;
                    QCOMPARE(edit.positionAt(QPoint(place.left(), place.center().y())), at);
                    const int below = place.top() - edit.characterRect(from).top();
                    QVERIFY(std::abs(below - qRound(qtTop(at) - qtTop(from))) <= 1);
                }
            }
        }
    }
};

QTEST_MAIN(FormattedViewTest)
#include "tst_formattedview.moc"
