// SPDX-License-Identifier: GPL-3.0-or-later
// The RTF reader and writer against golden files: every tests/data/rtf/*.rtf is read and dumped
// (text, paragraph layout and each run's character format) and compared with the .dump beside
// it, then written and read back to the same dump. QUILLO_UPDATE_GOLDEN=1 rewrites the dumps;
// review the difference before committing it.
#include <QDir>
#include <QDirIterator>
#include <QTest>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>

#include "TestHelpers.h"
#include "Version.h"
#include "document/core/FormattedText.h"
#include "document/core/RtfReader.h"
#include "document/core/RtfWriter.h"
#include "document/core/TextBuffer.h"

namespace {

QString colour(const QBrush& brush) {
    return brush.style() == Qt::NoBrush ? QStringLiteral("none") : brush.color().name();
}

// The font every document here starts with; runs without a family of their own show it.
QFont baseFont() {
    return QFont(QStringLiteral("DejaVu Sans"), 9);
}

// What the reader set, and the family a run shows.
QString describe(const QTextCharFormat& f) {
    QStringList parts;
    if (f.hasProperty(QTextFormat::FontWeight))
        parts << QStringLiteral("weight=%1").arg(f.fontWeight());
    if (f.hasProperty(QTextFormat::FontItalic))
        parts << QStringLiteral("italic=%1").arg(f.fontItalic());
    if (f.hasProperty(QTextFormat::TextUnderlineStyle))
        parts << QStringLiteral("underline=%1").arg(int(f.underlineStyle()));
    if (f.hasProperty(QTextFormat::FontStrikeOut))
        parts << QStringLiteral("strike=%1").arg(f.fontStrikeOut());
    if (f.hasProperty(QTextFormat::FontPointSize))
        parts << QStringLiteral("size=%1").arg(f.fontPointSize());
    parts << QStringLiteral("font=%1").arg(f.hasProperty(QTextFormat::FontFamilies)
                                               ? f.fontFamilies().toStringList().join(u',')
                                               : baseFont().family());
    if (f.hasProperty(QTextFormat::ForegroundBrush))
        parts << QStringLiteral("fg=") + colour(f.foreground());
    if (f.hasProperty(QTextFormat::BackgroundBrush))
        parts << QStringLiteral("bg=") + colour(f.background());
    if (f.hasProperty(QTextFormat::TextVerticalAlignment))
        parts << QStringLiteral("valign=%1").arg(int(f.verticalAlignment()));
    return parts.join(u' ');
}

QString describe(const QTextBlockFormat& f) {
    return QStringLiteral("align=%1 left=%2 right=%3 indent=%4 top=%5 bottom=%6")
        .arg(int(f.alignment() & Qt::AlignHorizontal_Mask))
        .arg(f.leftMargin())
        .arg(f.rightMargin())
        .arg(f.textIndent())
        .arg(f.topMargin())
        .arg(f.bottomMargin());
}

// One line per paragraph ("P" with its layout, and for an empty one the format of its mark, which
// is what it shows), one per run ("  " with its format, then the text in brackets, line
// separators as "\n").
QByteArray dump(const QTextDocument& doc) {
    QString out;
    for (QTextBlock block = doc.begin(); block.isValid(); block = block.next()) {
        out += QStringLiteral("P %1").arg(describe(block.blockFormat()));
        out += block.length() == 1 ? QStringLiteral(" | %1\n").arg(describe(block.charFormat()))
                                   : QStringLiteral("\n");
        for (auto it = block.begin(); !it.atEnd(); ++it) {
            const QTextFragment fragment = it.fragment();
            QString text = fragment.text();
            text.replace(QChar::LineSeparator, QStringLiteral("\\n"));
            out += QStringLiteral("  %1 [%2]\n").arg(describe(fragment.charFormat()), text);
        }
    }
    return out.toUtf8();
}

// Braces balance outside escapes, with the document group closing last, and every byte is
// seven-bit, as RTF wants.
bool wellFormed(const QByteArray& rtf) {
    int depth = 0;
    for (qsizetype i = 0; i < rtf.size(); ++i) {
        const char c = rtf[i];
        if (uchar(c) >= 0x80) return false;
        if (c == '\\') {
            ++i;
        } else if (c == '{') {
            ++depth;
        } else if (c == '}') {
            if (--depth < 0) return false;
            if (depth == 0 && !rtf.mid(i + 1).trimmed().isEmpty()) return false;
        }
    }
    return depth == 0;
}

// The document written and read back into a document with another default font.
QByteArray rewritten(const QTextDocument& doc, QByteArray* rtf = nullptr) {
    const QByteArray bytes = RtfWriter::write(&doc);
    if (rtf) *rtf = bytes;
    QTextDocument copy;
    copy.setDefaultFont(baseFont());
    return wellFormed(bytes) && RtfReader::read(bytes, &copy) ? dump(copy)
                                                              : QByteArray("<unreadable>");
}

}  // namespace

class RtfTest : public QObject {
    Q_OBJECT

  private slots:
    void goldenFiles_data() {
        QTest::addColumn<QString>("path");
        const QDir dir(QStringLiteral(QUILLO_TEST_DATA "/rtf"));
        const QStringList files = dir.entryList({QStringLiteral("*.rtf")}, QDir::Files, QDir::Name);
        QVERIFY(files.size() > 50);
        for (const QString& name : files) QTest::newRow(qPrintable(name)) << dir.filePath(name);
    }
    void goldenFiles() {
        QFETCH(QString, path);
        QTextDocument doc;
        doc.setDefaultFont(baseFont());
        QVERIFY(RtfReader::read(readBytes(path), &doc));
        const QString expectedPath = path.chopped(4) + QStringLiteral(".dump");
        if (qEnvironmentVariableIsSet("QUILLO_UPDATE_GOLDEN"))
            QVERIFY(writeBytes(expectedPath, dump(doc)));
        QCOMPARE(QString::fromUtf8(dump(doc)), QString::fromUtf8(readBytes(expectedPath)));
        QVERIFY(doc.size().height() > 0);  // it lays itself out, to be printed
        FormattedText model = FormattedText::fromDocument(doc);
        TextBuffer text;
        text.setText(model.text);
        // What we write for it, the generator's version left out; then what a file from
        // elsewhere shows survives being saved by us, and saving is stable.
        const QString writtenPath =
            QFileInfo(path).path() + QStringLiteral("/written/") + QFileInfo(path).fileName();
        QByteArray written = RtfWriter::write(&doc);
        written.replace(QByteArray(QUILLO_VERSION_STRING), "VERSION");
        if (qEnvironmentVariableIsSet("QUILLO_UPDATE_GOLDEN"))
            QVERIFY(writeBytes(writtenPath, written));
        QCOMPARE(written, readBytes(writtenPath));
        // Written from the model alike, read out of a buffer with an edit's gap in the middle.
        const qsizetype middle = text.length() / 2;
        text.replace(middle, 0, u"x");
        text.replace(middle, 1, u"");
        QCOMPARE(RtfWriter::write(text, model.formats, baseFont())
                     .replace(QByteArray(QUILLO_VERSION_STRING), "VERSION"),
                 written);
        QByteArray rtf;
        QCOMPARE(QString::fromUtf8(rewritten(doc, &rtf)), QString::fromUtf8(dump(doc)));
        QTextDocument again;
        again.setDefaultFont(baseFont());
        QVERIFY(RtfReader::read(rtf, &again));
        QCOMPARE(RtfWriter::write(&again), rtf);
    }

    // Every RTF file of the tests and of the fuzzing corpus, read into the editor's model and into
    // a document: the same text in the same formats, written as the same RTF.
    void modelAndDocumentAgree() {
        for (const char* root : {QUILLO_TEST_DATA, QUILLO_TEST_DATA "/../../fuzz/corpus"}) {
            QDirIterator it(root, {QStringLiteral("*.rtf")}, QDir::Files,
                            QDirIterator::Subdirectories);
            while (it.hasNext()) {
                const QByteArray bytes = readBytes(it.next());
                if (!RtfReader::isRtf(bytes)) continue;  // a plain text named .rtf
                FormattedText model;
                QTextDocument doc;
                QVERIFY(RtfReader::read(bytes, &model) && RtfReader::read(bytes, &doc));
                QVERIFY2(FormattedText::fromDocument(doc) == model, qPrintable(it.filePath()));
                TextBuffer text;
                text.setText(model.text);
                QCOMPARE(RtfWriter::write(text, model.formats, doc.defaultFont()),
                         RtfWriter::write(&doc));
            }
        }
    }

    void writesUnicodeWithFallbacks_data() { addCaseRows(QStringLiteral("rtf/unicode.tsv"), 3); }
    void writesUnicodeWithFallbacks() {
        QFETCH(QStringList, row);
        const QString text = unescapeText(row[0]);
        const QByteArray written = row[1].toUtf8();
        QTextDocument doc;
        doc.setPlainText(text);
        const QByteArray rtf = RtfWriter::write(&doc);
        QVERIFY2(wellFormed(rtf) && rtf.contains(written), rtf.constData());
        QCOMPARE(RtfWriter::writePlain(text, doc.defaultFont()), rtf);
        QTextDocument copy;
        QVERIFY(RtfReader::read(rtf, &copy));
        QCOMPARE(copy.toRawText(), doc.toRawText());
    }

    // The editor's base font is the document's default font; runs without their own family or
    // size show it, and it must come back when read into a document with another default.
    void writesTheEffectiveFont() {
        QTextDocument doc;
        QFont base(QStringLiteral("DejaVu Serif"), 15);
        base.setBold(true);
        base.setUnderline(true);
        doc.setDefaultFont(base);
        QTextCursor c(&doc);
        c.insertText(QStringLiteral("base "));
        QTextCharFormat own;
        own.setFontFamilies({QStringLiteral("DejaVu Sans Mono")});
        own.setFontWeight(QFont::Normal);
        own.setUnderlineStyle(QTextCharFormat::NoUnderline);
        c.insertText(QStringLiteral("own"), own);
        const QByteArray copy = rewritten(doc);
        QVERIFY2(copy.contains("weight=700 italic=0 underline=1 strike=0 size=15 font=DejaVu Serif "
                               "valign=0 [base ]"),
                 copy.constData());
        QVERIFY2(copy.contains("weight=400 italic=0 underline=0 strike=0 size=15 font=DejaVu Sans "
                               "Mono valign=0 [own]"),
                 copy.constData());
        // The model keeps the document's formats, whose fonts the document resolved against its
        // default font; written with another base font, that one fills in.
        const FormattedText model = FormattedText::fromDocument(doc);
        TextBuffer text;
        text.setText(model.text);
        const QByteArray rebased =
            RtfWriter::write(text, model.formats, QFont(QStringLiteral("DejaVu Sans"), 11));
        QVERIFY2(rebased.contains("{\\f0\\fnil\\fcharset0 DejaVu Sans;}") &&
                     !rebased.contains("Serif") && rebased.contains("\\f0\\fs22\\b0"),
                 rebased.constData());

        QFont px(QStringLiteral("DejaVu Sans"));
        px.setPixelSize(32);
        doc.setDefaultFont(px);
        doc.setPlainText(QStringLiteral("x"));
        QVERIFY(RtfWriter::write(&doc).contains("\\fs48"));
    }

    // A document filled from the model, and formats out of step with their text (a fault
    // elsewhere), which must not cost the text.
    void fillingAndFormatsOutOfStep() {
        TextBuffer text;
        text.setText(QStringLiteral("first line\nsecond"));
        TextFormats formats;
        formats.reset(4, 1);
        QTextDocument doc;
        QVERIFY(RtfReader::read(RtfWriter::write(text, formats, baseFont()), &doc));
        QCOMPARE(doc.toPlainText(), text.text());
        // Filling replaces what a document held, and leaves nothing to undo.
        QTextDocument filled;
        filled.setPlainText(QStringLiteral("before"));
        FormattedText::toDocument(text, formats, 6, text.length(), &filled);
        QCOMPARE(filled.toPlainText(), QStringLiteral("line\nsecond"));
        QVERIFY(!filled.isUndoAvailable() && filled.isUndoRedoEnabled());
    }

    void onlyRtfIsRead_data() { addCaseRows(QStringLiteral("rtf/is-rtf.tsv"), 3); }
    void onlyRtfIsRead() {
        QFETCH(QStringList, row);
        const QByteArray data = unescapeBytes(row[0].toUtf8());
        const bool expected = row[1] == u'1';
        QCOMPARE(RtfReader::isRtf(data), expected);
        QTextDocument doc;
        doc.setPlainText(QStringLiteral("unchanged"));
        QCOMPARE(RtfReader::read(data, &doc), expected);
        if (!expected) QCOMPARE(doc.toPlainText(), QStringLiteral("unchanged"));
    }

    // Far more groups than the reader keeps states for: the text survives, and leaving the
    // deep part restores the formatting of before.
    void deepNesting() {
        const int depth = 100000;
        QTextDocument doc;
        QVERIFY(RtfReader::read(
            "{\\rtf1 a" + QByteArray(depth, '{') + "\\b deep" + QByteArray(depth, '}') + "b}",
            &doc));
        QCOMPARE(doc.toPlainText(), QStringLiteral("adeepb"));
        QCOMPARE(doc.begin().begin().fragment().charFormat().fontWeight(), int(QFont::Normal));
        QVERIFY(dump(doc).contains(
            "weight=700 italic=0 underline=0 strike=0 size=12 font=DejaVu Sans valign=0 [deep]"));
        QVERIFY(RtfReader::read("{\\rtf1 x" + QByteArray(depth, '{') + "y", &doc));
        QCOMPARE(doc.toPlainText(), QStringLiteral("xy"));
    }
};

QTEST_MAIN(RtfTest)
#include "tst_rtf.moc"
