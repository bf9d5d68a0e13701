#include <QFile>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QtTest>

#include "ReferenceStrip.h"
#include "html/core/HtmlInput.h"
#include "html/core/StripHtml.h"

namespace {

QString strip(const QString& html) {
    return StripHTML(html);
}

// Adds a row whose html and expected text are given in UTF-8.
void row(const char* name, const QByteArray& html, const QByteArray& expected) {
    QTest::newRow(name) << QString::fromUtf8(html) << QString::fromUtf8(expected);
}

QByteArray times(const char* s, int n) {
    return QByteArray(s).repeated(n);
}

}  // namespace

class TestStripHtml : public QObject {
    Q_OBJECT

  private slots:
    void strips_data();
    void strips();
    void endOfText_data();
    void endOfText();
    void whitespace_data();
    void whitespace();
    void lists_data();
    void lists();
    void tables_data();
    void tables();
    void wrapping_data();
    void wrapping();
    void references_data();
    void references();
    void scriptsStylesAndComments_data();
    void scriptsStylesAndComments();
    void countsCodePoints_data();
    void countsCodePoints();
    void agreesWithStepByStepRules();
    void agreesOnOpenRows();
    void writesOutputFile();
    void ignoresUnwritableOutputFile();
    void reportsProgressAndCancels();
};

void TestStripHtml::strips_data() {
    QTest::addColumn<QString>("html");
    QTest::addColumn<QString>("expected");
    row("sample page",
        "<HTML><HEAD><TITLE>Hi</TITLE></HEAD><BODY><P>Hello <B>world</B>!</BODY></HTML>",
        "Hi\r\n\r\nHello world!");
    row("no body keeps title and layout only",
        "<TITLE>T</TITLE>text<UL>x<LI>y<TD>z<OPTION>w<OL>v<LI>u<BR>zz",
        "T\r\n\r\n\r\n\r\n\r\n\u2022 \r\n\r\n\t\r\n\r\n\r\n1. ");
    row("title copied as it stands", "<TITLE> a &amp;\tb </TITLE><BODY>cd",
        " a &amp;\tb \r\n\r\ncd");
    row("tag names in any case", "<body>a<Br>b<tAbLe>cd", "a\r\nb\r\ncd");
    row("BR with attributes is not a BR", "<BODY>a<BR CLEAR=ALL>bc", "abc");
    row("TABLE with attributes breaks", "<BODY>a<TABLE BORDER=1>bc", "a\r\nbc");
    row("two BRs give one break", "<BODY>a<BR><BR>bc", "a\r\nbc");
    row("text between BRs gives two", "<BODY>a<BR>b<BR>cd", "a\r\nb\r\ncd");
    row("BR before any text", "<BODY><BR>ab", "ab");
    row("P needs text seen", "<BODY><P>a<P><P>bc", "a\r\n\r\nbc");
    row("P with attributes", "<BODY>a<P ALIGN=left>bc", "a\r\n\r\nbc");
    row("PRE is not P", "<BODY>a<PRE>bc", "abc");
    row("OPTION gives line break and tab", "<BODY>a<OPTION>b<OPTION SELECTED>cd",
        "a\r\n\tb\r\n\tcd");
    row("end tags do nothing else", "<BODY>a</P></TD></BR>bc", "abc");
    row("characters above 255 are printable", "<BODY>\xce\xb1\xe2\x82\xac\xf0\x9f\x98\x80z",
        "\xce\xb1\xe2\x82\xac\xf0\x9f\x98\x80z");
    row("BODY inside script is ignored", "<SCRIPT><BODY></SCRIPT>ab<BODY>cd", "cd");
    row("tag names compare ASCII letters only",
        "<BODY>a<\xc5\xbf"
        "CRIPT>bc",
        "abc");
}

void TestStripHtml::strips() {
    QFETCH(QString, html);
    QFETCH(QString, expected);
    QCOMPARE(strip(html), expected);
}

void TestStripHtml::endOfText_data() {
    QTest::addColumn<QString>("html");
    QTest::addColumn<QString>("expected");
    row("empty", "", "");
    row("last character after a tag is dropped", "<BODY>Hi <B>!", "Hi ");
    row("tag into the last character", "<BODY>Hi<B", "Hi");
    row("lone < at the end", "<BODY>Hi<", "Hi");
    row("tag ending the text", "<BODY>Hi<B>", "Hi");
    row("whitespace and one character after a tag", "<BODY>Hi<B> \n!", "Hi");
    row("two characters after a tag", "<BODY>Hi<B>!?", "Hi!?");
    row("text runs to the end", "<BODY>abc", "abc");
    row("unterminated comment swallows the rest", "<BODY>a<!-- x - y <B>z</B>", "a");
    row("comment closing at the very end", "<BODY>a<!-- x -->", "a");
    row("title running to the end", "<TITLE>abc", "ab\r\n\r\n");
    row("reference near the end", "<BODY>a&amp", "a&amp");
}

void TestStripHtml::endOfText() {
    QFETCH(QString, html);
    QFETCH(QString, expected);
    QCOMPARE(strip(html), expected);
}

void TestStripHtml::whitespace_data() {
    QTest::addColumn<QString>("html");
    QTest::addColumn<QString>("expected");
    row("runs collapse", "<BODY>a  \t\r\n b", "a b");
    row("between two tags dropped", "<BODY>a<B> \n <I>bc", "abc");
    row("after a tag, ending in a space", "<BODY>a<B>\n bc", "a bc");
    row("after a tag, ending in a line break", "<BODY>a<B> \nbc", "abc");
    row("after a tag, ending in a tab", "<BODY>a<B> \tbc", "abc");
    row("space flag cleared by a run ending in a space", "<BODY>a <B> bc", "a  bc");
    row("control character taken as a space",
        "<BODY>a\x01\x02"
        "b",
        "a b");
    row("code 31 is dropped",
        "<BODY>a\x1f"
        "b",
        "ab");
    row("leading space after BODY", "<BODY> ab", " ab");
    row("hyphen before any text dropped", "<BODY>- a-b", " a-b");
    row("hyphen clears the space flag", "<BODY>a - b", "a - b");
}

void TestStripHtml::whitespace() {
    QFETCH(QString, html);
    QFETCH(QString, expected);
    QCOMPARE(strip(html), expected);
}

void TestStripHtml::lists_data() {
    QTest::addColumn<QString>("html");
    QTest::addColumn<QString>("expected");
    row("ordered list", "<BODY>x<OL><LI>a<LI>b</OL>yz", "x\r\n\r\n\r\n1. a\r\n2. b\r\n\r\nyz");
    row("second list numbers from 1", "<BODY>x<OL><LI>a</OL><OL><LI>b</OL>yz",
        "x\r\n\r\n\r\n1. a\r\n\r\n\r\n\r\n\r\n1. b\r\n\r\nyz");
    row("unclosed OL carries its count", "<BODY>x<OL><LI>a<LI>b<OL><LI>c</OL>yz",
        "x\r\n\r\n\r\n1. a\r\n2. b\r\n\r\n\r\n3. c\r\n\r\nyz");
    row("bulleted list", "<BODY>x<UL><LI>y</UL>zz", "x\r\n\r\n\r\n\u2022 y\r\n\r\nzz");
    row("UL inside an open OL is numbered", "<BODY>x<OL><LI>a<UL><LI>b</UL><LI>c</OL>yz",
        "x\r\n\r\n\r\n1. a\r\n\r\n\r\n2. b\r\n\r\n\r\n3. c\r\n\r\nyz");
    row("end tags need text seen", "<BODY><OL></OL><UL><LI>x</UL>yz",
        "\r\n\r\n\r\n\r\n\r\n1. x\r\n\r\nyz");
    row("no empty line after a paragraph", "<BODY>x<UL><LI>a<P></UL>yz",
        "x\r\n\r\n\r\n\u2022 a\r\n\r\nyz");
    row("LI with attributes", "<BODY>x<OL START=5><LI VALUE=9>a</OL>yz",
        "x\r\n\r\n\r\n1. a\r\n\r\nyz");
    row("end tags with spaces", "<BODY>x<OL><LI>a< / O L>yz", "x\r\n\r\n\r\n1. a\r\n\r\nyz");
}

void TestStripHtml::lists() {
    QFETCH(QString, html);
    QFETCH(QString, expected);
    QCOMPARE(strip(html), expected);
}

void TestStripHtml::tables_data() {
    QTest::addColumn<QString>("html");
    QTest::addColumn<QString>("expected");
    const QByteArray open = "<BODY>t<TABLE>";
    const QByteArray close = "</TABLE>zz";
    row("compact row", open + "<TR><TD>a</TD><TD>b</TD></TR>" + close, "t\r\n\r\na   bzz");
    row("header cell", open + "<TR><TH ALIGN=left>a<TD>b</TD></TR>" + close, "t\r\n\r\na   bzz");
    row("only /TD ends a cell", open + "<TR><TH>a</TH><TH>b</TH></TR>" + close,
        "t\r\n\r\n\r\na\r\nbzz");
    row("64 characters are compact",
        open + "<TR><TD>" + times("a", 40) + "</TD><TD>" + times("b", 24) + "</TD></TR>" + close,
        "t\r\n\r\n" + times("a", 40) + "   " + times("b", 24) + "zz");
    row("65 characters are not",
        open + "<TR><TD>" + times("a", 40) + "</TD><TD>" + times("b", 25) + "</TD></TR>" + close,
        "t\r\n\r\n\r\n" + times("a", 40) + "\r\n" + times("b", 25) + "zz");
    row("BR in a cell", open + "<TR><TD>a<BR>b</TD><TD>c</TD></TR>" + close,
        "t\r\n\r\n\r\na\r\nb\r\ncz"
        "z");
    row("P in a cell", open + "<TR><TD>a</TD><TD><P>b</TD></TR>" + close,
        "t\r\n\r\n\r\na\r\n\r\n\r\nbzz");
    row("table between the cells of a row",
        open + "<TR><TD>a</TD><TABLE><TR><TD>b</TD></TR></TABLE></TR>" + close,
        "t\r\n\r\n\r\na\r\n\r\nbzz");
    row("nested table inside a cell",
        open + "<TR><TD>x<TABLE><TR><TD>y</TD></TR></TABLE></TD></TR>" + close,
        "t\r\n\r\nx\r\n\r\nyzz");
    row("row ends at /TABLE", open + "<TR><TD>a</TD><TD>b</TD>" + close, "t\r\n\r\na   bzz");
    row("/TABLE inside a cell is passed over", open + "<TR><TD>a</TD><TD>b" + close,
        "t\r\n\r\n\r\na\r\nbzz");
    row("row running out of text is not compact", open + "<TR><TD>a<TD>bcd",
        "t\r\n\r\n\r\na\r\nbcd");
    row("unclosed rows", open + "<TR><TD>a<TD>b<TR><TD>c</TD></TR>" + close,
        "t\r\n\r\na   b\r\nczz");
    row("line breaks between cells dropped",
        open + "\n<TR>\n<TD>a</TD>\n<TD>b</TD>\n</TR>\n" + close, "t\r\n\r\na   bzz");
    row("cell end with spaces", open + "<TR><TD>a< / T D><TD>b</TD></TR>" + close,
        "t\r\n\r\na   bzz");
    row("cell without a row", "<BODY>a<TD>b<TD>cd", "a\r\nb\r\ncd");
    row("cell whitespace and references count",
        open + "<TR><TD> " + times("&amp;", 13) + "</TD></TR>" + close,
        "t\r\n\r\n\r\n " + times("&", 13) + "zz");
    row("rows' tags inside a script", "<BODY>a<SCRIPT><TR><TD>x</SCRIPT>bc", "a\r\nbc");
}

void TestStripHtml::tables() {
    QFETCH(QString, html);
    QFETCH(QString, expected);
    QCOMPARE(strip(html), expected);
}

void TestStripHtml::wrapping_data() {
    QTest::addColumn<QString>("html");
    QTest::addColumn<QString>("expected");
    row("after the first space at column 75", "<BODY>" + times("abcd ", 20) + "zz",
        times("abcd ", 15) + "\r\n" + times("abcd ", 5) + "zz");
    row("a 100-letter word stays whole", "<BODY>ab " + times("x", 100) + " cd",
        "ab " + times("x", 100) + " \r\ncd");
    row("control characters wrap too", "<BODY>" + times("x", 74) + "\nyz",
        times("x", 74) + " \r\nyz");
    row("references count one", "<BODY>" + times("&amp;", 74) + " yz", times("&", 74) + " \r\nyz");
    row("cell separators do not count",
        "<BODY><TABLE><TR><TD>a</TD><TD>b</TD><TD>c</TD></TR></TABLE>" + times("x", 65) + " yz",
        "\r\na   b   c" + times("x", 65) + " yz");
    row("a list item counts two", "<BODY><UL><LI>" + times("x", 72) + " yz",
        "\r\n\r\n\r\n\u2022 " + times("x", 72) + " \r\nyz");
    row("no wrapping inside a script",
        "<BODY><SCRIPT>" + times("x ", 80) + "</SCRIPT>" + times("y", 74) + " z",
        times("y", 74) + " \r\nz");
}

void TestStripHtml::wrapping() {
    QFETCH(QString, html);
    QFETCH(QString, expected);
    QCOMPARE(strip(html), expected);
}

void TestStripHtml::references_data() {
    QTest::addColumn<QString>("html");
    QTest::addColumn<QString>("expected");
    row("named", "<BODY>a &amp; b", "a & b");
    row("no semicolon within seven", "<BODY>AT&T", "AT&T");
    row("fraction", "<BODY>&frac14;x", "\xc2\xbcx");
    row("six-letter name", "<BODY>&curren;x", "\xc2\xa4x");
    row("seven-letter name is text", "<BODY>&abcdefg;x", "&abcdefg;x");
    row("name up to the semicolon", "<BODY>Tom & Jerry; hi", "Tom  hi");
    row("second ampersand makes the first literal", "<BODY>a&&amp;b", "a&&b");
    row("numbers", "<BODY>&#65;&#x42;&#150;&#8212;&#129;x", "AB\xe2\x80\x93\xe2\x80\x94\xc2\x81x");
    row("unknown name gives nothing", "<BODY>a&zzz;b", "ab");
    row("reference clears the space flag", "<BODY>a &zzz; b", "a  b");
    row("no text seen after a reference", "<BODY>&amp;<P>x&amp;<P>yz", "&x&\r\n\r\nyz");
    row("nbsp is not a space", "<BODY>a&nbsp;&nbsp;b",
        "a\xc2\xa0\xc2\xa0"
        "b");
    row("not before the body", "&amp;<BODY>&lt;b", "<b");
}

void TestStripHtml::references() {
    QFETCH(QString, html);
    QFETCH(QString, expected);
    QCOMPARE(strip(html), expected);
}

void TestStripHtml::scriptsStylesAndComments_data() {
    QTest::addColumn<QString>("html");
    QTest::addColumn<QString>("expected");
    row("script", "<BODY>a<SCRIPT>x = 1 - 2 &amp; <B>y</B>;</SCRIPT>bc", "abc");
    row("script with attributes", "<BODY>a<SCRIPT LANGUAGE=js>x</SCRIPT >bc", "abc");
    row("style", "<BODY>a<STYLE>p { color: red }</STYLE>bc", "abc");
    row("style with attributes, end tag with spaces",
        "<BODY>a<STYLE TYPE=text/css>p-q</ STY LE >bc", "abc");
    row("STYLESHEET is not a style", "<BODY>a<STYLESHEET>bc", "abc");
    row("style closed by /SCRIPT", "<BODY>a<STYLE>p</SCRIPT>bc", "abc");
    row("comment", "<BODY>a<!-- hidden <B>x</B> &amp; -->bc", "abc");
    row("comment end with spaces", "<BODY>a<!-- x - y -- > z -->bc", "az -->bc");
    row("comment with hyphens and >", "<BODY>a<!-- -> - > -- x -->bc", "abc");
    row("comment before any text", "<BODY><!-- -->ab", "");
    row("character after <!-- unread", "<BODY>x<!---->yz", "x");
    row("comment before the body is no comment", "<!-- <BODY> -->ab", " >ab");
    row("comment inside a script", "<BODY>a<SCRIPT><!-- x --></SCRIPT>bc", "abc");
}

void TestStripHtml::scriptsStylesAndComments() {
    QFETCH(QString, html);
    QFETCH(QString, expected);
    QCOMPARE(strip(html), expected);
}

void TestStripHtml::countsCodePoints_data() {
    QTest::addColumn<QString>("html");
    QTest::addColumn<QString>("expected");
    // U+1F600 takes two UTF-16 units but is one character.
    const QByteArray smile = "\xf0\x9f\x98\x80";
    row("reference name of six astral characters", "<BODY>a&" + smile.repeated(6) + ";bc", "abc");
    row("column counts characters", "<BODY>" + smile.repeated(40) + " " + times("x", 30) + " yz",
        smile.repeated(40) + " " + times("x", 30) + " yz");
    row("row count counts characters",
        "<BODY><TABLE><TR><TD>" + smile.repeated(40) + "</TD><TD>b</TD></TR></TABLE>zz",
        "\r\n" + smile.repeated(40) + "   bzz");
}

void TestStripHtml::countsCodePoints() {
    QFETCH(QString, html);
    QFETCH(QString, expected);
    QCOMPARE(strip(html), expected);
}

namespace {

// Strips `html` every way there is and compares each result with the step-by-step rules.
bool agrees(const QByteArray& html) {
    const std::u32string text = HtmlTools::decodeHtmlBytes(html);
    const QString expected = HtmlTools::fromUcs4(ReferenceStrip::strip(text));
    QString utf16;
    QByteArray utf8;
    HtmlTools::stripToUtf16(text, utf16);
    HtmlTools::stripToUtf8(text, utf8);
    return utf16 == expected && QString::fromUtf8(utf8) == expected &&
           StripHTML(HtmlTools::fromUcs4(text)) == expected &&
           QString::fromUtf8(HtmlTools::stripBytesToUtf8(html)) == expected;
}

QByteArray randomMarkup(QRandomGenerator& random, const std::vector<const char*>& pieces,
                        int count) {
    QByteArray html;
    for (int k = 0; k < count; ++k) html += pieces[random.bounded(int(pieces.size()))];
    return html;
}

}  // namespace

// Random markup made of the pieces the rules act on.
void TestStripHtml::agreesWithStepByStepRules() {
    // clang-format off
    const std::vector<const char*> pieces = {
        "<BODY>", "<TITLE>", "</TITLE>", "<P>", "<TR>", "</TR>", "<TD>", "</TD>", "<TH>",
        "</ TD >", "<TABLE>", "</TABLE>", "<BR>", "<OL>", "</OL>", "<UL>", "</UL>", "<LI>",
        "<OPTION>", "<SCRIPT>", "</SCRIPT>", "<STYLE>", "</STYLE>", "<!--", "-->", "-- >",
        "&amp;", "&#233;", "&#x1F600;", "&", ";", "<", ">", "-", " ", "  ", "\t", "\r\n",
        "\x1f", "a", "word", "\xc3\xa9", "\xf0\x9f\x98\x80", "<B>", "<P ALIGN=x>", "<TD X>",
        "xxxxxxxxxxxxxxxxxxxxxxxxxxxxxx"};
    // clang-format on
    QRandomGenerator random(20261206);
    for (int round = 0; round < 3000; ++round) {
        const QByteArray html = randomMarkup(random, pieces, int(random.bounded(1, 80)));
        if (!agrees(html))
            QFAIL(qPrintable(QStringLiteral("differs for: ") + QString::fromUtf8(html)));
    }
}

// Rows left open make each row's look-ahead read on through the next rows; past a point the
// answers come from one sweep over the rest of the text instead.
void TestStripHtml::agreesOnOpenRows() {
    // clang-format off
    const std::vector<const char*> pieces = {
        "<TR>", "<TR>", "<TR>", "<TR>x", "<TD>", "<TD>", "<TH>", "</TD>", "</ TD>", "</TR>",
        "</TABLE>", "<TABLE>", "<TABLE X>", "<BR>", "<P>", "<B>", "<", ">", "x", "yy", " ",
        "&amp;", "<TD<TR>", "\xf0\x9f\x98\x80"};
    // clang-format on
    QRandomGenerator random(6122026);
    for (int round = 0; round < 40; ++round) {
        const QByteArray html = "<BODY>t" + randomMarkup(random, pieces, 2000) + "zz";
        if (!agrees(html))
            QFAIL(qPrintable(QStringLiteral("differs for: ") + QString::fromUtf8(html)));
    }
    QVERIFY(agrees("<BODY>t<TABLE>" + times("<TR><TD>x", 600) + "</TABLE>zz"));
    QVERIFY(agrees("<BODY>t<TABLE>" + times("<TR>", 600) + "<TD>x</TD></TR></TABLE>zz"));
    QVERIFY(agrees("<BODY>t<TABLE>" + times("<TR> x <TD>y", 600) + "</TABLE>zz"));
}

void TestStripHtml::writesOutputFile() {
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString path = dir.filePath(QStringLiteral("out.txt"));
    QFile old(path);
    QVERIFY(old.open(QIODevice::WriteOnly));
    old.write("old content that is longer than the new one");
    old.close();

    const QString result = StripHTML(QStringLiteral("<BODY>caf\u00e9 \u20ac<BR>ok"), path);
    QCOMPARE(result, QStringLiteral("caf\u00e9 \u20ac\r\nok"));
    QFile file(path);
    QVERIFY(file.open(QIODevice::ReadOnly));
    QCOMPARE(file.readAll(), QByteArray("caf\xc3\xa9 \xe2\x82\xac\r\nok\r\n"));
}

void TestStripHtml::ignoresUnwritableOutputFile() {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("missing/folder/out.txt"));
    QCOMPARE(StripHTML(QStringLiteral("<BODY>abc"), path), QStringLiteral("abc"));
    QVERIFY(!QFile::exists(path));
}

void TestStripHtml::reportsProgressAndCancels() {
    const QString html =
        QStringLiteral("<BODY>") + QStringLiteral("word <B>x</B> ").repeated(100000);
    QList<double> seen;
    bool cancelled = true;
    const QString full = StripHTML(
        html, QString(),
        [&](double fraction) {
            seen << fraction;
            return true;
        },
        &cancelled);
    QVERIFY(!cancelled);
    QCOMPARE(full, StripHTML(html));
    QVERIFY(seen.size() >= 4);
    QVERIFY(std::is_sorted(seen.begin(), seen.end()));
    QCOMPARE(seen.last(), 1.0);

    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("out.txt"));
    int calls = 0;
    const QString stopped = StripHTML(
        html, path, [&](double) { return ++calls < 2; }, &cancelled);
    QVERIFY(cancelled);
    QVERIFY(stopped.isNull());
    QCOMPARE(calls, 2);
    QVERIFY(!QFile::exists(path));
}

QTEST_GUILESS_MAIN(TestStripHtml)
#include "tst_striphtml.moc"
