#include <QFile>
#include <QTest>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>

#include "document/core/RtfReader.h"
#include "document/core/RtfWriter.h"

namespace {

QString textOf(const QTextDocument& doc) {
    QString text = doc.toRawText();
    text.replace(QChar::ParagraphSeparator, QLatin1Char('\n'));
    return text;
}

// What a reader of the document sees of one character: the effective values of every
// character property RTF carries.
struct Look {
    QString family;
    qreal points;
    bool bold, italic, strike;
    int underline;
    int vertical;
    QString foreground, background;

    bool operator==(const Look& o) const {
        return family == o.family && points == o.points && bold == o.bold && italic == o.italic &&
               strike == o.strike && underline == o.underline && vertical == o.vertical &&
               foreground == o.foreground && background == o.background;
    }
};

QString brushName(const QBrush& b) {
    return b.style() == Qt::NoBrush ? QStringLiteral("none") : b.color().name();
}

Look lookOf(const QTextCharFormat& f) {
    const QFont font = f.font();
    int underline = f.underlineStyle();
    if (!f.hasProperty(QTextFormat::TextUnderlineStyle) && font.underline()) {
        underline = QTextCharFormat::SingleUnderline;
    }
    return Look{font.family(),         font.pointSizeF(),         font.bold(),
                font.italic(),         font.strikeOut(),          underline,
                f.verticalAlignment(), brushName(f.foreground()), brushName(f.background())};
}

char* describe(const Look& l) {
    return QTest::toString(QStringLiteral("%1 %2pt b%3 i%4 s%5 u%6 v%7 fg %8 bg %9")
                               .arg(l.family)
                               .arg(l.points)
                               .arg(l.bold)
                               .arg(l.italic)
                               .arg(l.strike)
                               .arg(l.underline)
                               .arg(l.vertical)
                               .arg(l.foreground, l.background));
}

// Compares text, every character's look and every paragraph's layout of two documents.
void compareDocuments(const QTextDocument& expected, const QTextDocument& actual) {
    QCOMPARE(textOf(actual), textOf(expected));
    QTextBlock a = actual.begin();
    for (QTextBlock e = expected.begin(); e.isValid(); e = e.next(), a = a.next()) {
        QVERIFY(a.isValid());
        const QTextBlockFormat ef = e.blockFormat(), af = a.blockFormat();
        QCOMPARE(af.alignment() & Qt::AlignHorizontal_Mask,
                 ef.alignment() & Qt::AlignHorizontal_Mask);
        QCOMPARE(af.leftMargin(), ef.leftMargin());
        QCOMPARE(af.rightMargin(), ef.rightMargin());
        QCOMPARE(af.textIndent(), ef.textIndent());
        QCOMPARE(af.topMargin(), ef.topMargin());
        QCOMPARE(af.bottomMargin(), ef.bottomMargin());
        if (e.length() == 1) {
            // An empty paragraph shows the font of its paragraph mark.
            QCOMPARE(lookOf(a.charFormat()).points, lookOf(e.charFormat()).points);
        }
    }
    const QString text = textOf(expected);
    QTextCursor ec(const_cast<QTextDocument*>(&expected));
    QTextCursor ac(const_cast<QTextDocument*>(&actual));
    for (int i = 0; i < text.size(); ++i) {
        if (text[i] == QLatin1Char('\n')) continue;  // paragraph ends: compared above
        ec.setPosition(i + 1);
        ac.setPosition(i + 1);
        const Look el = lookOf(ec.charFormat()), al = lookOf(ac.charFormat());
        if (!(el == al)) {
            QFAIL(qPrintable(
                QStringLiteral("position %1: expected %2, got %3")
                    .arg(i)
                    .arg(QString::fromLatin1(describe(el)), QString::fromLatin1(describe(al)))));
        }
    }
}

void roundTrip(const QTextDocument& original, QTextDocument& copy, QByteArray* rtf = nullptr) {
    const QByteArray bytes = RtfWriter::write(&original);
    if (rtf) *rtf = bytes;
    QVERIFY(RtfReader::read(bytes, &copy));
}

// Braces must balance outside escapes, with the document group closing last.
bool bracesBalance(const QByteArray& rtf) {
    int depth = 0;
    for (qsizetype i = 0; i < rtf.size(); ++i) {
        const char c = rtf[i];
        if (c == '\\') {
            ++i;
        } else if (c == '{') {
            ++depth;
        } else if (c == '}') {
            if (--depth < 0) return false;
            if (depth == 0 && rtf.mid(i + 1).trimmed().size() > 0) return false;
        }
    }
    return depth == 0;
}

}  // namespace

class TestRtfWriter : public QObject {
    Q_OBJECT

  private slots:
    void header();
    void formattedTextRoundTrip();
    void paragraphsRoundTrip();
    void unicodeRoundTrip_data();
    void unicodeRoundTrip();
    void escapes();
    void effectiveFontIsWritten();
    void emptyParagraphsAndDocuments_data();
    void emptyParagraphsAndDocuments();
    void wordProcessorFilesSurviveRewrite_data();
    void wordProcessorFilesSurviveRewrite();
};

void TestRtfWriter::header() {
    QTextDocument doc;
    doc.setDefaultFont(QFont(QStringLiteral("DejaVu Sans"), 10));
    QTextCursor c(&doc);
    QTextCharFormat red;
    red.setForeground(QColor(200, 10, 20));
    red.setFontFamilies({QStringLiteral("DejaVu Serif")});
    c.insertText(QStringLiteral("plain "));
    c.insertText(QStringLiteral("red"), red);
    const QByteArray rtf = RtfWriter::write(&doc);
    QVERIFY2(rtf.startsWith("{\\rtf1\\ansi\\ansicpg1252\\deff0"), rtf.constData());
    QVERIFY(
        rtf.contains("{\\fonttbl{\\f0\\fnil\\fcharset0 DejaVu Sans;}"
                     "{\\f1\\fnil\\fcharset0 DejaVu Serif;}}"));
    QVERIFY(rtf.contains("{\\colortbl;\\red200\\green10\\blue20;}"));
    QVERIFY(rtf.contains("\\f0\\fs20"));
    QVERIFY(rtf.contains("\\f1\\cf1 red"));
    QVERIFY(bracesBalance(rtf));
    // Only seven-bit bytes, as RTF wants.
    for (char ch : rtf) QVERIFY(uchar(ch) < 0x80);
}

void TestRtfWriter::formattedTextRoundTrip() {
    QTextDocument doc;
    QTextCursor c(&doc);
    const auto add = [&](const QString& text, auto&& setup) {
        QTextCharFormat f;
        setup(f);
        c.insertText(text, f);
    };
    add(QStringLiteral("plain "), [](QTextCharFormat&) {});
    add(QStringLiteral("bold "), [](QTextCharFormat& f) { f.setFontWeight(QFont::Bold); });
    add(QStringLiteral("italic "), [](QTextCharFormat& f) { f.setFontItalic(true); });
    add(QStringLiteral("under "), [](QTextCharFormat& f) { f.setFontUnderline(true); });
    add(QStringLiteral("wave "),
        [](QTextCharFormat& f) { f.setUnderlineStyle(QTextCharFormat::WaveUnderline); });
    add(QStringLiteral("dots "),
        [](QTextCharFormat& f) { f.setUnderlineStyle(QTextCharFormat::DotLine); });
    add(QStringLiteral("dashes "),
        [](QTextCharFormat& f) { f.setUnderlineStyle(QTextCharFormat::DashUnderline); });
    add(QStringLiteral("strike "), [](QTextCharFormat& f) { f.setFontStrikeOut(true); });
    add(QStringLiteral("all "), [](QTextCharFormat& f) {
        f.setFontWeight(QFont::Bold);
        f.setFontItalic(true);
        f.setFontUnderline(true);
        f.setFontStrikeOut(true);
    });
    add(QStringLiteral("red "), [](QTextCharFormat& f) { f.setForeground(QColor(255, 0, 0)); });
    add(QStringLiteral("on yellow "),
        [](QTextCharFormat& f) { f.setBackground(QColor(255, 255, 0)); });
    add(QStringLiteral("both "), [](QTextCharFormat& f) {
        f.setForeground(QColor(1, 2, 3));
        f.setBackground(QColor(4, 5, 6));
    });
    add(QStringLiteral("big "), [](QTextCharFormat& f) { f.setFontPointSize(28); });
    add(QStringLiteral("half "), [](QTextCharFormat& f) { f.setFontPointSize(10.5); });
    add(QStringLiteral("serif "),
        [](QTextCharFormat& f) { f.setFontFamilies({QStringLiteral("DejaVu Serif")}); });
    add(QStringLiteral("mono"), [](QTextCharFormat& f) {
        f.setFontFamilies({QStringLiteral("DejaVu Sans Mono")});
        f.setFontPointSize(8);
    });
    add(QStringLiteral("2"),
        [](QTextCharFormat& f) { f.setVerticalAlignment(QTextCharFormat::AlignSubScript); });
    add(QStringLiteral("3"),
        [](QTextCharFormat& f) { f.setVerticalAlignment(QTextCharFormat::AlignSuperScript); });
    add(QStringLiteral(" end"), [](QTextCharFormat&) {});

    QTextDocument copy;
    QByteArray rtf;
    roundTrip(doc, copy, &rtf);
    compareDocuments(doc, copy);

    // Written once, read and written again: the same bytes.
    QCOMPARE(RtfWriter::write(&copy), rtf);
}

void TestRtfWriter::paragraphsRoundTrip() {
    QTextDocument doc;
    QTextCursor c(&doc);
    const auto paragraph = [&](const QString& text, Qt::Alignment align, qreal left, qreal right,
                               qreal first, qreal before, qreal after) {
        QTextBlockFormat f;
        f.setAlignment(align);
        f.setLeftMargin(left);
        f.setRightMargin(right);
        f.setTextIndent(first);
        f.setTopMargin(before);
        f.setBottomMargin(after);
        if (c.position() > 0) {
            c.insertBlock(f);
        } else {
            c.setBlockFormat(f);
        }
        c.insertText(text);
    };
    paragraph(QStringLiteral("left"), Qt::AlignLeft, 0, 0, 0, 0, 0);
    paragraph(QStringLiteral("centre"), Qt::AlignHCenter, 0, 0, 0, 0, 0);
    paragraph(QStringLiteral("right"), Qt::AlignRight, 0, 0, 0, 0, 0);
    paragraph(QStringLiteral("justified text"), Qt::AlignJustify, 0, 0, 0, 0, 0);
    paragraph(QStringLiteral("indented"), Qt::AlignLeft, 48, 24, -24, 8, 12);
    paragraph(QStringLiteral("first line"), Qt::AlignLeft, 0, 0, 32, 0, 0);
    paragraph(QStringLiteral("centred and indented"), Qt::AlignCenter, 96, 96, 0, 4, 4);

    QTextDocument copy;
    roundTrip(doc, copy);
    QCOMPARE(copy.blockCount(), doc.blockCount());
    compareDocuments(doc, copy);
}

void TestRtfWriter::unicodeRoundTrip_data() {
    QTest::addColumn<QString>("text");
    QTest::newRow("latin-1") << QString::fromUtf8("café naïve Größe ½ ©");
    QTest::newRow("windows-1252 extras") << QString::fromUtf8("€ “quotes” ‘single’ – — … ™ Œ ž");
    QTest::newRow("c1 controls") << QString::fromUtf8("a\u0081b\u009Dc");
    QTest::newRow("cyrillic and greek") << QString::fromUtf8("Привет мир αβγ");
    QTest::newRow("cjk") << QString::fromUtf8("日本語のテキスト 한국어 中文");
    QTest::newRow("above 0x7fff") << QString::fromUtf8("\uFB01 \uFFFD \uF020");
    QTest::newRow("astral") << QString::fromUtf8("emoji 😀🎉 and 𝄞");
    QTest::newRow("rtl") << QString::fromUtf8("שלום مرحبا");
}

void TestRtfWriter::unicodeRoundTrip() {
    QFETCH(QString, text);
    QTextDocument doc;
    doc.setPlainText(text);
    QTextDocument copy;
    QByteArray rtf;
    roundTrip(doc, copy, &rtf);
    QCOMPARE(textOf(copy), text);
    // A reader without Unicode finds the Windows-1252 byte or "?".
    if (text.contains(QChar(0xE9))) QVERIFY(rtf.contains("\\u233\\'e9"));
    if (text.contains(QChar(0x2014))) QVERIFY(rtf.contains("\\u8212\\'97"));
    if (text.contains(QChar(0x65E5))) QVERIFY(rtf.contains("\\u26085?"));
    if (text.contains(QChar(0xFB01))) QVERIFY(rtf.contains("\\u-1279?"));
}

void TestRtfWriter::escapes() {
    const QString text = QStringLiteral("{braces} back\\slash\ttab") + QChar::LineSeparator +
                         QStringLiteral("next line") + QChar(0xA0) + QStringLiteral("nbsp") +
                         QChar(0xAD) + QStringLiteral("soft") + QChar(0x2011) +
                         QStringLiteral("hard 0123 \\par");
    QTextDocument doc;
    doc.setPlainText(text);
    QTextDocument copy;
    QByteArray rtf;
    roundTrip(doc, copy, &rtf);
    QCOMPARE(textOf(copy), text);
    QVERIFY(
        rtf.contains("\\{braces\\} back\\\\slash\\tab tab\\line next line\\~nbsp\\-soft\\_hard"));
    QVERIFY(bracesBalance(rtf));

    // Text right after a control word that begins with a digit, a space or a letter.
    QTextCursor c(&doc);
    doc.clear();
    QTextCharFormat bold;
    bold.setFontWeight(QFont::Bold);
    c.insertText(QStringLiteral("a"));
    c.insertText(QStringLiteral("1"), bold);
    c.insertText(QStringLiteral(" b"));
    c.insertText(QStringLiteral("x"), bold);
    roundTrip(doc, copy);
    compareDocuments(doc, copy);

    // Images are left out, not written as text; the same character without an image is text.
    doc.setPlainText(QStringLiteral("ab") + QChar(QChar::ObjectReplacementCharacter));
    c.setPosition(1);
    QTextImageFormat image;
    image.setName(QStringLiteral("picture.png"));
    c.insertImage(image);
    roundTrip(doc, copy);
    QCOMPARE(textOf(copy), QStringLiteral("ab") + QChar(QChar::ObjectReplacementCharacter));
}

void TestRtfWriter::effectiveFontIsWritten() {
    // The editor's base font is the document's default font; runs without their own family or
    // size show it, and it must come back when read into a document with another default.
    QTextDocument doc;
    QFont base(QStringLiteral("DejaVu Serif"), 15);
    base.setBold(true);
    base.setItalic(true);
    base.setUnderline(true);
    doc.setDefaultFont(base);
    QTextCursor c(&doc);
    c.insertText(QStringLiteral("base "));
    QTextCharFormat own;
    own.setFontFamilies({QStringLiteral("DejaVu Sans Mono")});
    own.setFontWeight(QFont::Normal);
    own.setUnderlineStyle(QTextCharFormat::NoUnderline);
    c.insertText(QStringLiteral("own"), own);

    const QByteArray rtf = RtfWriter::write(&doc);
    QVERIFY(rtf.contains("{\\f0\\fnil\\fcharset0 DejaVu Serif;}"));
    QVERIFY(rtf.contains("\\f0\\fs30\\b\\i\\ul"));

    QTextDocument copy;
    copy.setDefaultFont(QFont(QStringLiteral("DejaVu Sans"), 8));
    QVERIFY(RtfReader::read(rtf, &copy));
    compareDocuments(doc, copy);

    // A size given in pixels is written in points.
    QTextDocument pixels;
    QFont px(QStringLiteral("DejaVu Sans"));
    px.setPixelSize(32);
    pixels.setDefaultFont(px);
    pixels.setPlainText(QStringLiteral("x"));
    QVERIFY(RtfWriter::write(&pixels).contains("\\fs48"));
}

void TestRtfWriter::emptyParagraphsAndDocuments_data() {
    QTest::addColumn<QString>("text");
    QTest::newRow("empty document") << QString();
    QTest::newRow("one line") << QStringLiteral("one");
    QTest::newRow("trailing empty paragraph") << QStringLiteral("one\n");
    QTest::newRow("two trailing empty paragraphs") << QStringLiteral("one\n\n");
    QTest::newRow("leading empty paragraph") << QStringLiteral("\none");
    QTest::newRow("only breaks") << QStringLiteral("\n\n\n");
}

void TestRtfWriter::emptyParagraphsAndDocuments() {
    QFETCH(QString, text);
    QTextDocument doc;
    doc.setPlainText(text);
    QTextCursor c(&doc);
    c.select(QTextCursor::Document);
    QTextCharFormat big;
    big.setFontPointSize(30);
    c.mergeCharFormat(big);
    c.mergeBlockCharFormat(big);
    QTextDocument copy;
    roundTrip(doc, copy);
    QCOMPARE(copy.blockCount(), doc.blockCount());
    compareDocuments(doc, copy);
}

void TestRtfWriter::wordProcessorFilesSurviveRewrite_data() {
    QTest::addColumn<QString>("file");
    for (const char* name : {"wordpad.rtf", "table.rtf", "fields.rtf", "unicode.rtf",
                             "destinations.rtf", "cp1251.rtf"}) {
        QTest::newRow(name) << QString::fromLatin1(name);
    }
}

void TestRtfWriter::wordProcessorFilesSurviveRewrite() {
    // What a file from elsewhere shows survives being saved by us and read again.
    QFETCH(QString, file);
    QFile f(QStringLiteral(QUILLO_TEST_DATA "/rtf/") + file);
    QVERIFY(f.open(QIODevice::ReadOnly));
    QTextDocument loaded;
    QVERIFY(RtfReader::read(f.readAll(), &loaded));
    QTextDocument copy;
    roundTrip(loaded, copy);
    compareDocuments(loaded, copy);
}

QTEST_MAIN(TestRtfWriter)
#include "tst_rtfwriter.moc"
