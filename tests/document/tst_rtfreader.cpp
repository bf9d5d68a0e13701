#include <QFile>
#include <QTest>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>

#include "document/core/RtfReader.h"

namespace {

// The document's text with paragraphs joined by "\n"; line separators stay U+2028.
QString textOf(const QTextDocument& doc) {
    QString text = doc.toRawText();
    text.replace(QChar::ParagraphSeparator, QLatin1Char('\n'));
    return text;
}

QString read(const QByteArray& rtf) {
    QTextDocument doc;
    if (!RtfReader::read(rtf, &doc)) return QStringLiteral("<not rtf>");
    return textOf(doc);
}

QByteArray dataFile(const QString& name) {
    QFile f(QStringLiteral(QUILLO_TEST_DATA "/rtf/") + name);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// The character format at a 0-based position of the document's text.
QTextCharFormat formatAt(QTextDocument& doc, int position) {
    QTextCursor c(&doc);
    c.setPosition(position);
    c.setPosition(position + 1, QTextCursor::KeepAnchor);
    return c.charFormat();
}

QTextCharFormat formatOf(QTextDocument& doc, const QString& word) {
    const int at = textOf(doc).indexOf(word);
    return at < 0 ? QTextCharFormat() : formatAt(doc, at);
}

}  // namespace

class TestRtfReader : public QObject {
    Q_OBJECT

  private slots:
    void isRtf_data();
    void isRtf();
    void text_data();
    void text();
    void files_data();
    void files();
    void characterFormats();
    void groupsScopeFormats();
    void fontTableAndDefaults();
    void paragraphFormats();
    void paragraphPropertiesApplyAtParagraphEnd();
    void malformed_data();
    void malformed();
    void deepNesting();
    void binaryGarbage();
    void readEmptiesUndoAndKeepsDefaultFont();
    void insertIsOneUndoStep();
};

void TestRtfReader::isRtf_data() {
    QTest::addColumn<QByteArray>("data");
    QTest::addColumn<bool>("expected");
    QTest::newRow("plain header") << QByteArray("{\\rtf1\\ansi hello}") << true;
    QTest::newRow("no version") << QByteArray("{\\rtf hello}") << true;
    QTest::newRow("leading white space") << QByteArray(" \r\n\t{\\rtf1 x}") << true;
    QTest::newRow("utf-8 bom") << QByteArray("\xEF\xBB\xBF{\\rtf1 x}") << true;
    QTest::newRow("plain text") << QByteArray("Dear diary, {\\rtf1} is not at the start") << false;
    QTest::newRow("empty") << QByteArray() << false;
    QTest::newRow("truncated header") << QByteArray("{\\rt") << false;
    QTest::newRow("other control word") << QByteArray("{\\pard x}") << false;
    QTest::newRow("upper case") << QByteArray("{\\RTF1 x}") << false;
}

void TestRtfReader::isRtf() {
    QFETCH(QByteArray, data);
    QFETCH(bool, expected);
    QCOMPARE(RtfReader::isRtf(data), expected);
    QTextDocument doc;
    doc.setPlainText(QStringLiteral("unchanged"));
    QCOMPARE(RtfReader::read(data, &doc), expected);
    if (!expected) QCOMPARE(doc.toPlainText(), QStringLiteral("unchanged"));
}

void TestRtfReader::text_data() {
    QTest::addColumn<QByteArray>("rtf");
    QTest::addColumn<QString>("expected");

    const QString ls(QChar::LineSeparator);
    QTest::newRow("empty document") << QByteArray("{\\rtf1}") << QString();
    QTest::newRow("paragraphs") << QByteArray("{\\rtf1 one\\par two\\par three}")
                                << QStringLiteral("one\ntwo\nthree");
    QTest::newRow("final par ends the last paragraph")
        << QByteArray("{\\rtf1 one\\par two\\par}") << QStringLiteral("one\ntwo");
    QTest::newRow("empty paragraphs kept")
        << QByteArray("{\\rtf1 a\\par\\par\\par b\\par}") << QStringLiteral("a\n\n\nb");
    QTest::newRow("line and tab") << QByteArray("{\\rtf1 a\\line b\\tab c}")
                                  << QStringLiteral("a") + ls + "b\tc";
    QTest::newRow("raw line ends are not text")
        << QByteArray("{\\rtf1 a\r\nb\nc\rd}") << QStringLiteral("abcd");
    QTest::newRow("backslash newline is a paragraph")
        << QByteArray("{\\rtf1 a\\\r\nb}") << QStringLiteral("a\nb");
    QTest::newRow("delimiter space is eaten, the next is text")
        << QByteArray("{\\rtf1\\b  x\\b0 y}") << QStringLiteral(" xy");
    QTest::newRow("escapes") << QByteArray("{\\rtf1 \\{a\\}\\\\b}") << QStringLiteral("{a}\\b");
    QTest::newRow("special spaces and hyphens")
        << QByteArray("{\\rtf1 a\\~b\\-c\\_d}") << QString::fromUtf8("a\u00A0b\u00ADc\u2011d");
    QTest::newRow("named characters")
        << QByteArray("{\\rtf1 \\emdash\\endash\\bullet\\lquote\\rquote\\ldblquote\\rdblquote}")
        << QString::fromUtf8("—–•‘’“”");
    QTest::newRow("hex byte") << QByteArray("{\\rtf1 caf\\'e9 \\'80}")
                              << QString::fromUtf8("café €");
    QTest::newRow("hex byte upper case") << QByteArray("{\\rtf1 \\'C9}") << QString::fromUtf8("É");
    QTest::newRow("unicode with fallback")
        << QByteArray("{\\rtf1\\uc1\\u8212?x}") << QString::fromUtf8("—x");
    QTest::newRow("unicode fallback is a hex byte")
        << QByteArray("{\\rtf1\\u233\\'e9t\\u233\\'e9}") << QString::fromUtf8("été");
    QTest::newRow("uc2 skips two")
        << QByteArray("{\\rtf1\\uc2\\u12354\\'82\\'a0!}") << QString::fromUtf8("あ!");
    QTest::newRow("uc0 skips nothing")
        << QByteArray("{\\rtf1\\uc0\\u955 ?}") << QString::fromUtf8("λ?");
    QTest::newRow("uc is scoped by groups")
        << QByteArray("{\\rtf1{\\uc0\\u955 }\\u956 ?}") << QString::fromUtf8("λμ");
    QTest::newRow("skipping stops at a group end")
        << QByteArray("{\\rtf1\\uc3{\\u955 x}yz}") << QString::fromUtf8("λyz");
    QTest::newRow("skipping stops at a control word")
        << QByteArray("{\\rtf1\\uc1\\u8212\\par x}") << QString::fromUtf8("—\nx");
    QTest::newRow("negative unicode") << QByteArray("{\\rtf1\\u-4064?}") << QString(QChar(0xF020));
    QTest::newRow("surrogate pair")
        << QByteArray("{\\rtf1\\u-10179?\\u-8704?}") << QString::fromUtf8("😀");
    QTest::newRow("lone surrogate replaced")
        << QByteArray("{\\rtf1\\u-10179?x}") << QString::fromUtf8("\uFFFDx");
    QTest::newRow("out of range unicode")
        << QByteArray("{\\rtf1\\u70000?}") << QString(QChar(0xFFFD));
    QTest::newRow("unicode paragraph separator")
        << QByteArray("{\\rtf1 a\\u8233?b}") << QStringLiteral("a\nb");
    QTest::newRow("control characters dropped")
        << QByteArray("{\\rtf1 a\x01\x02\\u7?b\tc}") << QStringLiteral("ab\tc");
    QTest::newRow("ignorable destination")
        << QByteArray("{\\rtf1 a{\\*\\foo hidden {x}}b}") << QStringLiteral("ab");
    QTest::newRow("known destinations skipped")
        << QByteArray(
               "{\\rtf1{\\info{\\title T}}{\\stylesheet{\\s0 Normal;}}{\\header H}"
               "{\\footerr F}{\\pict 0a0b}{\\*\\generator G;}body}")
        << QStringLiteral("body");
    QTest::newRow("bin skips raw bytes")
        << QByteArray("{\\rtf1 a{\\*\\x\\bin3 }{\\}b}") << QStringLiteral("ab");
    QTest::newRow("bin in text skips too")
        << QByteArray("{\\rtf1 a\\bin2 xyb}") << QStringLiteral("ab");
    QTest::newRow("field result shown")
        << QByteArray("{\\rtf1 {\\field{\\*\\fldinst HYPERLINK \"x\"}{\\fldrslt link}} end}")
        << QStringLiteral("link end");
    QTest::newRow("field instruction without star")
        << QByteArray("{\\rtf1 {\\field{\\fldinst PAGE}{\\fldrslt 3}}}") << QStringLiteral("3");
    QTest::newRow("hidden text dropped")
        << QByteArray("{\\rtf1 a{\\v hidden}b\\v c\\v0 d}") << QStringLiteral("abd");
    QTest::newRow("table row") << QByteArray(
                                      "{\\rtf1\\trowd\\cellx100\\cellx200\\pard\\intbl "
                                      "a\\cell b\\cell\\row\\pard after}")
                               << QStringLiteral("a\tb\nafter");
    QTest::newRow("empty cells keep their tabs")
        << QByteArray("{\\rtf1\\pard\\intbl\\cell\\cell c\\cell\\cell\\row}")
        << QStringLiteral("\t\tc");
    QTest::newRow("paragraphs in a cell stay on the row")
        << QByteArray("{\\rtf1\\pard\\intbl a\\par b\\cell c\\cell\\row}")
        << QStringLiteral("a b\tc");
    QTest::newRow("page and section breaks")
        << QByteArray("{\\rtf1 a\\page b\\sect c}") << QStringLiteral("a\nb\nc");
    QTest::newRow("upr reads the unicode half")
        << QByteArray("{\\rtf1{\\upr{ansi}{\\*\\ud{\\u955 ?}}}}") << QString::fromUtf8("λ");
    QTest::newRow("text after the document group ignored")
        << QByteArray("{\\rtf1 in}out\0\0", 15) << QStringLiteral("in");
    QTest::newRow("mac code page") << QByteArray("{\\rtf1\\mac \\'8e}") << QString::fromUtf8("é");
    QTest::newRow("code page 1251")
        << QByteArray("{\\rtf1\\ansi\\ansicpg1251 \\'c4\\'e0}") << QString::fromUtf8("Да");
    QTest::newRow("unknown code page falls back to 1252")
        << QByteArray("{\\rtf1\\ansicpg99999 \\'e9}") << QString::fromUtf8("é");
    QTest::newRow("control characters from a code page dropped")
        << QByteArray("{\\rtf1\\ansicpg37 \\'c1\\'2d\\'25\\'c2}") << QStringLiteral("AB");
    QTest::newRow("invalid double-byte sequence")
        << QByteArray("{\\rtf1\\ansicpg932 \\'82}") << QString(QChar(0xFFFD));
}

void TestRtfReader::text() {
    QFETCH(QByteArray, rtf);
    QFETCH(QString, expected);
    QCOMPARE(read(rtf), expected);
}

void TestRtfReader::files_data() {
    QTest::addColumn<QString>("file");
    QTest::addColumn<QString>("expected");
    QTest::newRow("small editor")
        << "wordpad.rtf"
        << QString::fromUtf8(
               "Plain bold italic under gone\nCentered red\n"
               "Indented marked and blue text, café “quoted”.\nx2 + y3\nJustified.");
    QTest::newRow("tables") << "table.rtf"
                            << QStringLiteral(
                                   "Before the table.\nName\tQty\tPrice\nApples\t3\t1.20\n"
                                   "Two lines\t\tlast\nOuter\tin1\tin2\nAfter the table.");
    QTest::newRow("fields") << "fields.rtf"
                            << QStringLiteral("See the site for more.\nPage 7 of 3.\nEmpty field.");
    QTest::newRow("unicode") << "unicode.rtf"
                             << QString::fromUtf8(
                                    "A—B café été\nあいok\n\uF020x😀 end\nПри\n"
                                    "—–•‘’“”\u00A0\u2011\u00AD{}\\\nλμν");
    QTest::newRow("destinations") << "destinations.rtf"
                                  << QString::fromUtf8(
                                         "One two three.\nBinary.\nNotes.\n·\tBullet item\n"
                                         "Bold bold-italic bold plain still plain.\nEnd.");
    QTest::newRow("code pages") << "cp1251.rtf"
                                << QString::fromUtf8("Привет, мир!\nДа\nαβγ\nあ日本");
}

void TestRtfReader::files() {
    QFETCH(QString, file);
    QFETCH(QString, expected);
    const QByteArray data = dataFile(file);
    QVERIFY(!data.isEmpty());
    QCOMPARE(read(data), expected);
}

void TestRtfReader::characterFormats() {
    QTextDocument doc;
    QVERIFY(RtfReader::read(dataFile(QStringLiteral("wordpad.rtf")), &doc));

    const QTextCharFormat plain = formatOf(doc, QStringLiteral("Plain"));
    QCOMPARE(plain.fontWeight(), int(QFont::Normal));
    QCOMPARE(plain.fontItalic(), false);
    QCOMPARE(plain.underlineStyle(), QTextCharFormat::NoUnderline);
    QCOMPARE(plain.fontPointSize(), 11.0);
    QCOMPARE(plain.font().family(), QStringLiteral("Calibri"));
    QCOMPARE(plain.foreground().style(), Qt::NoBrush);

    QCOMPARE(formatOf(doc, QStringLiteral("bold")).fontWeight(), int(QFont::Bold));
    QCOMPARE(formatOf(doc, QStringLiteral("italic")).fontItalic(), true);
    QCOMPARE(formatOf(doc, QStringLiteral("under")).underlineStyle(),
             QTextCharFormat::SingleUnderline);
    QCOMPARE(formatOf(doc, QStringLiteral("gone")).fontStrikeOut(), true);

    const QTextCharFormat red = formatOf(doc, QStringLiteral("Centered"));
    QCOMPARE(red.foreground().color(), QColor(255, 0, 0));
    QCOMPARE(red.font().family(), QStringLiteral("Arial"));
    QCOMPARE(red.fontPointSize(), 16.0);

    QCOMPARE(formatOf(doc, QStringLiteral("marked")).background().color(), QColor(255, 255, 0));
    QCOMPARE(formatOf(doc, QStringLiteral(" and")).background().style(), Qt::NoBrush);
    QCOMPARE(formatOf(doc, QStringLiteral("blue")).foreground().color(), QColor(0, 77, 187));
    QCOMPARE(formatOf(doc, QStringLiteral(" text")).foreground().style(), Qt::NoBrush);

    QCOMPARE(formatOf(doc, QStringLiteral("2")).verticalAlignment(),
             QTextCharFormat::AlignSubScript);
    QCOMPARE(formatOf(doc, QStringLiteral("3")).verticalAlignment(),
             QTextCharFormat::AlignSuperScript);
    QCOMPARE(formatOf(doc, QStringLiteral("x2")).font().family(), QStringLiteral("Courier New"));
    QCOMPARE(formatOf(doc, QStringLiteral("x2")).fontPointSize(), 10.0);

    // Underline styles and \plain.
    QVERIFY(RtfReader::read("{\\rtf1\\uldash a\\ulwave b\\uld c\\uldb d\\ul0 e\\b\\i\\ul\\plain f}",
                            &doc));
    QCOMPARE(formatAt(doc, 0).underlineStyle(), QTextCharFormat::DashUnderline);
    QCOMPARE(formatAt(doc, 1).underlineStyle(), QTextCharFormat::WaveUnderline);
    QCOMPARE(formatAt(doc, 2).underlineStyle(), QTextCharFormat::DotLine);
    QCOMPARE(formatAt(doc, 3).underlineStyle(), QTextCharFormat::SingleUnderline);
    QCOMPARE(formatAt(doc, 4).underlineStyle(), QTextCharFormat::NoUnderline);
    const QTextCharFormat reset = formatAt(doc, 5);
    QCOMPARE(reset.fontWeight(), int(QFont::Normal));
    QCOMPARE(reset.fontItalic(), false);
    QCOMPARE(reset.underlineStyle(), QTextCharFormat::NoUnderline);
    QCOMPARE(reset.fontPointSize(), 12.0);
}

void TestRtfReader::groupsScopeFormats() {
    QTextDocument doc;
    QVERIFY(
        RtfReader::read("{\\rtf1{\\colortbl;\\red0\\green128\\blue0;}"
                        "a{\\b b{\\i\\cf1 c}d}e{\\fs40 f}g}",
                        &doc));
    QCOMPARE(textOf(doc), QStringLiteral("abcdefg"));
    QCOMPARE(formatAt(doc, 0).fontWeight(), int(QFont::Normal));
    QCOMPARE(formatAt(doc, 1).fontWeight(), int(QFont::Bold));
    QCOMPARE(formatAt(doc, 2).fontWeight(), int(QFont::Bold));
    QCOMPARE(formatAt(doc, 2).fontItalic(), true);
    QCOMPARE(formatAt(doc, 2).foreground().color(), QColor(0, 128, 0));
    QCOMPARE(formatAt(doc, 3).fontItalic(), false);
    QCOMPARE(formatAt(doc, 3).foreground().style(), Qt::NoBrush);
    QCOMPARE(formatAt(doc, 4).fontWeight(), int(QFont::Normal));
    QCOMPARE(formatAt(doc, 5).fontPointSize(), 20.0);
    QCOMPARE(formatAt(doc, 6).fontPointSize(), 12.0);
}

void TestRtfReader::fontTableAndDefaults() {
    QTextDocument doc;
    QFont base(QStringLiteral("DejaVu Sans"), 9);
    doc.setDefaultFont(base);

    // \deff names the font of runs without \f; an unknown font number keeps the default family.
    QVERIFY(
        RtfReader::read("{\\rtf1\\deff1{\\fonttbl\\f0\\fnil Alpha;\\f1\\fnil Beta;"
                        "{\\f2 Gamma{\\*\\panose 0203}}}a\\f0 b\\f7 c\\f2 d}",
                        &doc));
    QCOMPARE(textOf(doc), QStringLiteral("abcd"));
    QCOMPARE(formatAt(doc, 0).font().family(), QStringLiteral("Beta"));
    QCOMPARE(formatAt(doc, 1).font().family(), QStringLiteral("Alpha"));
    QCOMPARE(formatAt(doc, 2).font().family(), QStringLiteral("DejaVu Sans"));
    QCOMPARE(formatAt(doc, 3).font().family(), QStringLiteral("Gamma"));

    // A font name in the font's own code page and one written with \u.
    QVERIFY(
        RtfReader::read("{\\rtf1{\\fonttbl{\\f0\\fcharset204 \\'c0\\'f0;}"
                        "{\\f1 \\u966?\\u960?;}}\\f0 x\\f1 y}",
                        &doc));
    QCOMPARE(formatAt(doc, 0).font().family(), QString::fromUtf8("Ар"));
    QCOMPARE(formatAt(doc, 1).font().family(), QString::fromUtf8("φπ"));

    // No \fs at all: the RTF default of 12 points. Huge and tiny sizes are clamped.
    QVERIFY(RtfReader::read("{\\rtf1 a\\fs999999999 b\\fs0 c\\fs-5 d}", &doc));
    QCOMPARE(formatAt(doc, 0).fontPointSize(), 12.0);
    QCOMPARE(formatAt(doc, 1).fontPointSize(), 1638.0);
    QCOMPARE(formatAt(doc, 2).fontPointSize(), 1.0);
    QCOMPARE(formatAt(doc, 3).fontPointSize(), 1.0);

    // Colour entry 0 given explicitly is a real colour; missing entries are automatic.
    QVERIFY(RtfReader::read("{\\rtf1{\\colortbl\\red1\\green2\\blue3;}\\cf0 a\\cf9 b}", &doc));
    QCOMPARE(formatAt(doc, 0).foreground().color(), QColor(1, 2, 3));
    QCOMPARE(formatAt(doc, 1).foreground().style(), Qt::NoBrush);
}

void TestRtfReader::paragraphFormats() {
    QTextDocument doc;
    QVERIFY(RtfReader::read(dataFile(QStringLiteral("wordpad.rtf")), &doc));
    QCOMPARE(doc.blockCount(), 5);
    const QTextBlockFormat first = doc.findBlockByNumber(0).blockFormat();
    QCOMPARE(first.alignment() & Qt::AlignHorizontal_Mask, Qt::AlignLeft);
    QCOMPARE(first.bottomMargin(), 200 / 15.0);
    QCOMPARE(doc.findBlockByNumber(1).blockFormat().alignment() & Qt::AlignHorizontal_Mask,
             Qt::AlignHCenter);
    const QTextBlockFormat indented = doc.findBlockByNumber(2).blockFormat();
    QCOMPARE(indented.leftMargin(), 48.0);  // 720 twips, half an inch
    QCOMPARE(indented.rightMargin(), 24.0);
    QCOMPARE(indented.textIndent(), -24.0);
    QCOMPARE(indented.topMargin(), 8.0);
    QCOMPARE(doc.findBlockByNumber(3).blockFormat().alignment() & Qt::AlignHorizontal_Mask,
             Qt::AlignRight);
    QCOMPARE(doc.findBlockByNumber(4).blockFormat().alignment() & Qt::AlignHorizontal_Mask,
             Qt::AlignJustify);

    // \pard resets; indents are clamped.
    QVERIFY(
        RtfReader::read("{\\rtf1\\qc\\li99999999 a\\par\\pard b\\par\\li-50\\fi-2000000 c}", &doc));
    QCOMPARE(doc.findBlockByNumber(0).blockFormat().leftMargin(), 31680 / 15.0);
    QCOMPARE(doc.findBlockByNumber(1).blockFormat().alignment() & Qt::AlignHorizontal_Mask,
             Qt::AlignLeft);
    QCOMPARE(doc.findBlockByNumber(1).blockFormat().leftMargin(), 0.0);
    QCOMPARE(doc.findBlockByNumber(2).blockFormat().leftMargin(), 0.0);
    QCOMPARE(doc.findBlockByNumber(2).blockFormat().textIndent(), -31680 / 15.0);
}

void TestRtfReader::paragraphPropertiesApplyAtParagraphEnd() {
    QTextDocument doc;
    // Properties set late in a paragraph count for all of it; the last paragraph without \par
    // takes the properties in force when the document closes.
    QVERIFY(RtfReader::read("{\\rtf1 a\\qr\\par\\pard b\\qc}", &doc));
    QCOMPARE(doc.blockCount(), 2);
    QCOMPARE(doc.findBlockByNumber(0).blockFormat().alignment() & Qt::AlignHorizontal_Mask,
             Qt::AlignRight);
    QCOMPARE(doc.findBlockByNumber(1).blockFormat().alignment() & Qt::AlignHorizontal_Mask,
             Qt::AlignHCenter);
    // An empty paragraph's mark takes the character format in force at \par.
    QVERIFY(RtfReader::read("{\\rtf1\\fs48\\par x}", &doc));
    QCOMPARE(doc.findBlockByNumber(0).charFormat().fontPointSize(), 24.0);
}

void TestRtfReader::malformed_data() {
    QTest::addColumn<QByteArray>("rtf");
    QTest::addColumn<QString>("expected");
    QTest::newRow("missing closing braces")
        << QByteArray("{\\rtf1 a{\\b b{\\i c") << QStringLiteral("abc");
    QTest::newRow("extra closing braces end the document")
        << QByteArray("{\\rtf1 a}}}b") << QStringLiteral("a");
    QTest::newRow("truncated control word") << QByteArray("{\\rtf1 ab\\pa") << QStringLiteral("ab");
    QTest::newRow("lone backslash at the end")
        << QByteArray("{\\rtf1 ab\\") << QStringLiteral("ab");
    QTest::newRow("truncated hex") << QByteArray("{\\rtf1 a\\'e") << QStringLiteral("a");
    QTest::newRow("hex without digits") << QByteArray("{\\rtf1 a\\'zz}") << QStringLiteral("azz");
    QTest::newRow("truncated unicode fallback")
        << QByteArray("{\\rtf1\\uc5\\u955") << QString::fromUtf8("λ");
    QTest::newRow("huge numbers") << QByteArray(
                                         "{\\rtf1\\fs99999999999999999999 a"
                                         "\\u99999999999999999?b\\uc2147483647 \\u65 cd}")
                                  << QString::fromUtf8("a\uFFFDbA");
    QTest::newRow("minus without digits") << QByteArray("{\\rtf1\\fs- a}") << QStringLiteral("a");
    QTest::newRow("very long control word")
        << QByteArray("{\\rtf1 a\\") + QByteArray(10000, 'x') + QByteArray(" b}")
        << QStringLiteral("ab");
    QTest::newRow("bin longer than the data")
        << QByteArray("{\\rtf1 a\\bin999999999 bcd}") << QStringLiteral("a");
    QTest::newRow("negative bin") << QByteArray("{\\rtf1 a\\bin-5 b}") << QStringLiteral("ab");
    QTest::newRow("star without control word")
        << QByteArray("{\\rtf1 a{\\* b}c}") << QStringLiteral("a bc");
    QTest::newRow("unterminated font table")
        << QByteArray("{\\rtf1{\\fonttbl{\\f0 Arial") << QString();
    QTest::newRow("font table without semicolons")
        << QByteArray("{\\rtf1{\\fonttbl{\\f0 Arial}{\\f1 Courier}}\\f1 x}") << QStringLiteral("x");
    QTest::newRow("row without table")
        << QByteArray("{\\rtf1 a\\row b\\cell}") << QStringLiteral("a\nb");
    QTest::newRow("frame markers")
        << QByteArray("{\\rtf1 a\\u-560?\\u-559?b}") << QString::fromUtf8("a\uFFFD\uFFFDb");
}

void TestRtfReader::malformed() {
    QFETCH(QByteArray, rtf);
    QFETCH(QString, expected);
    QCOMPARE(read(rtf), expected);
}

void TestRtfReader::deepNesting() {
    // Far more groups than the reader keeps states for: no crash, the text survives, and
    // leaving the deep part restores the formatting of before.
    const int depth = 100000;
    QByteArray rtf = "{\\rtf1 a";
    rtf += QByteArray(depth, '{');
    rtf += "\\b deep";
    rtf += QByteArray(depth, '}');
    rtf += "b}";
    QTextDocument doc;
    QVERIFY(RtfReader::read(rtf, &doc));
    QCOMPARE(textOf(doc), QStringLiteral("adeepb"));
    QCOMPARE(formatAt(doc, 1).fontWeight(), int(QFont::Bold));
    QCOMPARE(formatAt(doc, 5).fontWeight(), int(QFont::Normal));

    // Only opening braces, to the end of the data.
    QVERIFY(RtfReader::read("{\\rtf1 x" + QByteArray(depth, '{') + "y", &doc));
    QCOMPARE(textOf(doc), QStringLiteral("xy"));
}

void TestRtfReader::binaryGarbage() {
    // Deterministic pseudo-random bytes behind a valid header: the reader ends and keeps the
    // document usable.
    quint32 seed = 12345;
    for (int round = 0; round < 50; ++round) {
        QByteArray rtf = "{\\rtf1 ";
        for (int i = 0; i < 4000; ++i) {
            seed = seed * 1103515245u + 12345u;
            const char pick = char(seed >> 16);
            static const char kTokens[] = "{}\\\\'uc0123456789-*binpar ";
            rtf += (seed & 0x100) ? pick : kTokens[(seed >> 9) % (sizeof(kTokens) - 1)];
        }
        QTextDocument doc;
        QVERIFY(RtfReader::read(rtf, &doc));
        QTextCursor c(&doc);
        c.movePosition(QTextCursor::End);
        c.insertText(QStringLiteral("ok"));
        QVERIFY(doc.toPlainText().endsWith(QStringLiteral("ok")));
    }
}

void TestRtfReader::readEmptiesUndoAndKeepsDefaultFont() {
    QTextDocument doc;
    const QFont base(QStringLiteral("DejaVu Serif"), 17);
    doc.setDefaultFont(base);
    QTextCursor c(&doc);
    c.insertText(QStringLiteral("typed"));
    QVERIFY(doc.isUndoAvailable());
    QVERIFY(RtfReader::read("{\\rtf1 loaded}", &doc));
    QCOMPARE(doc.toPlainText(), QStringLiteral("loaded"));
    QVERIFY(!doc.isUndoAvailable());
    QVERIFY(doc.isUndoRedoEnabled());
    QCOMPARE(doc.defaultFont(), base);
}

void TestRtfReader::insertIsOneUndoStep() {
    QTextDocument doc;
    doc.setPlainText(QStringLiteral("start end"));
    QTextCursor c(&doc);
    c.setPosition(6);
    c.setPosition(9, QTextCursor::KeepAnchor);
    QVERIFY(RtfReader::insert("{\\rtf1 {\\b one}\\par two}", c));
    QCOMPARE(textOf(doc), QStringLiteral("start one\ntwo"));
    QCOMPARE(formatOf(doc, QStringLiteral("one")).fontWeight(), int(QFont::Bold));
    doc.undo();
    QCOMPARE(textOf(doc), QStringLiteral("start end"));
    QVERIFY(!RtfReader::insert("plain", c));
}

QTEST_MAIN(TestRtfReader)
#include "tst_rtfreader.moc"
