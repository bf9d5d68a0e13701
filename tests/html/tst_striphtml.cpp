// SPDX-License-Identifier: GPL-3.0-or-later
// The stripper against golden files (tests/data/strip: each page.html beside the page.txt it
// strips to, both UTF-8) and against the step-by-step reference rules on random markup.
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QtTest>

#include "ReferenceStrip.h"
#include "TestHelpers.h"
#include "html/core/HtmlInput.h"
#include "html/core/StripHtml.h"

namespace {

// Strips `html` every way there is and compares each result with the reference rules.
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

// `count` pieces picked at random; the first differing page fails the test.
bool agreesOnRandomMarkup(quint32 seed, const std::vector<const char*>& pieces, int rounds,
                          int minCount, int maxCount, QByteArray* failed) {
    QRandomGenerator random(seed);
    for (int round = 0; round < rounds; ++round) {
        QByteArray html = "<BODY>t";
        const int count = int(random.bounded(minCount, maxCount + 1));
        for (int k = 0; k < count; ++k) html += pieces[random.bounded(int(pieces.size()))];
        if (!agrees(html)) {
            *failed = html;
            return false;
        }
    }
    return true;
}

}  // namespace

class TestStripHtml : public QObject {
    Q_OBJECT

  private slots:
    void goldenFiles_data() {
        QTest::addColumn<QString>("path");
        const QStringList pages = testCases(QStringLiteral("strip"), QStringLiteral("*.html"));
        QVERIFY(pages.size() > 100);
        for (const QString& page : pages)
            QTest::newRow(qPrintable(QFileInfo(page).fileName())) << page;
    }
    void goldenFiles() {
        QFETCH(QString, path);
        const QString html = QString::fromUtf8(readBytes(path));
        const QString expected =
            QString::fromUtf8(readBytes(path.chopped(5) + QStringLiteral(".txt")));
        QCOMPARE(StripHTML(html), expected);
        QVERIFY(agrees(html.toUtf8()));
    }

    void agreesWithReferenceOnRandomMarkup() {
        // clang-format off
        const std::vector<const char*> pieces = {
            "<BODY>", "<TITLE>", "</TITLE>", "<P>", "<TR>", "</TR>", "<TD>", "</TD>", "<TH>",
            "</ TD >", "<TABLE>", "</TABLE>", "<BR>", "<OL>", "</OL>", "<UL>", "</UL>", "<LI>",
            "<OPTION>", "<SCRIPT>", "</SCRIPT>", "<STYLE>", "</STYLE>", "<!--", "-->", "-- >",
            "&amp;", "&#233;", "&#x1F600;", "&", ";", "<", ">", "-", " ", "  ", "\t", "\r\n",
            "\x1f", "a", "word", "\xc3\xa9", "\xf0\x9f\x98\x80", "<B>", "<P ALIGN=x>", "<TD X>",
            "xxxxxxxxxxxxxxxxxxxxxxxxxxxxxx"};
        // Rows left open make each row's look-ahead read on through the next rows; past a
        // point the answers come from one sweep over the rest of the text instead.
        const std::vector<const char*> openRows = {
            "<TR>", "<TR>", "<TR>", "<TR>x", "<TD>", "<TD>", "<TH>", "</TD>", "</ TD>", "</TR>",
            "</TABLE>", "<TABLE>", "<TABLE X>", "<BR>", "<P>", "<B>", "<", ">", "x", "yy", " ",
            "&amp;", "<TD<TR>", "\xf0\x9f\x98\x80"};
        // A byte that is not UTF-8 makes the whole page Windows-1252, stripped byte for byte.
        const std::vector<const char*> windows1252 = {
            "<BODY>", "<P>", "<TR>", "<TD>", "</TD>", "<TITLE>", "<!--", "-->", "&amp;", "&", ";",
            "\xe9", "\x81", "\x9d", "\x93quoted\x94", "-", " ", "xxxxxxxxxxxxxxxxxxxxxxxxxxxxxx"};
        // clang-format on
        QByteArray failed;
        QVERIFY2(agreesOnRandomMarkup(20261206, pieces, 3000, 1, 80, &failed), failed.constData());
        QVERIFY2(agreesOnRandomMarkup(1252, windows1252, 500, 1, 80, &failed), failed.constData());
        QVERIFY2(agreesOnRandomMarkup(6122026, openRows, 40, 2000, 2000, &failed),
                 failed.constData());
        QVERIFY(agrees("<BODY>t<TABLE>" + QByteArray("<TR><TD>x").repeated(600) + "</TABLE>zz"));
        QVERIFY(agrees("<BODY>t<TABLE>" + QByteArray("<TR>").repeated(600) + "<TD>x</TD></TR>zz"));
    }

    // The command line's output goes out in pieces as the pass goes: runs longer than a piece
    // and many short ones, from UTF-8 and from Windows-1252 bytes, give the same text.
    void streamsOutputInPieces() {
        for (const QByteArray& filler :
             {QByteArray("word&amp;\xc3\xa9 "), QByteArray("\xe9t\xe9 ")}) {
            const QByteArray html = "<BODY>" + filler.repeated(40000) + QByteArray(700000, 'x') +
                                    "<P>" + filler.repeated(1000) + "end";
            const HtmlTools::PageBytes page = HtmlTools::pageBytes(html);
            QByteArray whole, pieces;
            int calls = 0;
            QVERIFY(HtmlTools::stripToUtf8(page, whole));
            QVERIFY(HtmlTools::stripToUtf8(page, [&](QByteArrayView piece) {
                pieces += piece;
                return ++calls > 0;
            }));
            QCOMPARE(pieces, whole);
            QVERIFY(calls > 2);
        }
        // A failed write ends the output.
        int calls = 0;
        QVERIFY(!HtmlTools::stripToUtf8(HtmlTools::pageBytes("<BODY>" + QByteArray(600000, 'x') +
                                                             "<P>" + QByteArray(600000, 'y') + "."),
                                        [&](QByteArrayView) { return ++calls < 0; }));
        QCOMPARE(calls, 1);
    }

    void writesOutputFileOrNothing() {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("out.txt"));
        QVERIFY(writeBytes(path, "old content that is longer than the new one"));
        QCOMPARE(StripHTML(QStringLiteral("<BODY>caf\u00e9 \u20ac<BR>ok"), path),
                 QStringLiteral("caf\u00e9 \u20ac\r\nok"));
        QCOMPARE(readBytes(path), QByteArray("caf\xc3\xa9 \xe2\x82\xac\r\nok\r\n"));

        const QString unwritable = dir.filePath(QStringLiteral("missing/folder/out.txt"));
        QCOMPARE(StripHTML(QStringLiteral("<BODY>abc"), unwritable), QStringLiteral("abc"));
        QVERIFY(!QFile::exists(unwritable));
    }

    void reportsProgressAndCancels() {
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
};

QTEST_GUILESS_MAIN(TestStripHtml)
#include "tst_striphtml.moc"
