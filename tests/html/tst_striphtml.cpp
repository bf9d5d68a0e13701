// SPDX-License-Identifier: GPL-3.0-or-later
// The HTML core: bytes decoded to text, character references, and the stripper against golden
// files (tests/data/strip: each page.html beside the page.txt it strips to, both UTF-8), every
// way there is to strip. Random markup against the step-by-step reference rules is the
// strip_html fuzz target's.
#include <QTemporaryDir>
#include <QtTest>

#include "TestHelpers.h"
#include "common/core/Windows1252.h"
#include "html/core/HtmlInput.h"
#include "html/core/StripHtml.h"

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
        const QByteArray html = readBytes(path);
        const QString expected =
            QString::fromUtf8(readBytes(path.chopped(5) + QStringLiteral(".txt")));
        QCOMPARE(StripHTML(QString::fromUtf8(html)), expected);
        // The other entries: from code points to UTF-16 and to UTF-8, and from the bytes.
        const std::u32string text = HtmlTools::decodeHtmlBytes(html);
        QString utf16;
        QByteArray utf8;
        HtmlTools::stripToUtf16(text, utf16);
        HtmlTools::stripToUtf8(text, utf8);
        QCOMPARE(utf16, expected);
        QCOMPARE(QString::fromUtf8(utf8), expected);
        QCOMPARE(QString::fromUtf8(HtmlTools::stripBytesToUtf8(html)), expected);
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

    void decodesBytes_data() {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("expected");
        for (const QStringList& row : caseTable(QStringLiteral("html/input.tsv")))
            QTest::newRow(qPrintable(row.last()))
                << unescapeBytes(row[0].toUtf8()) << unescapeText(row[1]);
    }
    void decodesBytes() {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, expected);
        QCOMPARE(HtmlTools::decodeHtmlBytesToString(bytes), expected);
    }

    // The decoder takes ASCII eight bytes at a time; multi-byte characters and bad bytes must be
    // seen wherever they fall.
    void decodesUtf8AtEveryAlignment() {
        for (int before = 0; before < 20; ++before) {
            for (int after = 0; after < 10; ++after) {
                const QByteArray pad1(before, 'a'), pad2(after, 'b');
                QCOMPARE(HtmlTools::decodeHtmlBytesToString(pad1 + "\xe2\x82\xac" + pad2),
                         QString::fromLatin1(pad1) + QChar(0x20AC) + QString::fromLatin1(pad2));
                QCOMPARE(HtmlTools::decodeHtmlBytesToString(pad1 + "\xe9" + pad2),
                         QString::fromLatin1(pad1) + QChar(0xE9) + QString::fromLatin1(pad2));
            }
        }
    }

    // The stripper reads a page's bytes without decoding them; its check of the encoding goes
    // piece by piece and must come to the decoder's answer wherever a character or a bad byte
    // falls, across the pieces' boundaries too.
    void pageBytesReadAsTheDecoderReads() {
        const auto agrees = [](const QByteArray& bytes) {
            const HtmlTools::PageBytes page = HtmlTools::pageBytes(bytes);
            const QString read = page.utf8
                                     ? QString::fromUtf8(page.text)
                                     : Windows1252::decode(page.text.data(), page.text.size());
            return read == HtmlTools::decodeHtmlBytesToString(bytes);
        };
        for (const QStringList& row : caseTable(QStringLiteral("html/input.tsv")))
            QVERIFY2(agrees(unescapeBytes(row[0].toUtf8())), qPrintable(row.last()));
        const qsizetype piece = qsizetype(HtmlTools::kStripProgressInterval);
        for (const char* odd :
             {"\xe2\x82\xac", "\xf0\x9f\x98\x80", "\xe9", "\xe2\x82", "\xed\xa0\x80"}) {
            for (qsizetype at = piece - 4; at <= piece + 1; ++at) {
                QVERIFY(agrees(QByteArray(at, 'a') + odd + "tail"));
                QVERIFY(agrees(QByteArray(at, 'a') + odd));
            }
        }
    }

    void convertsBetweenForms() {
        // A lone surrogate stays one character through code points and back.
        const QString text = QStringLiteral("a\U0001F600b") + QChar(0xD800) + QStringLiteral("c");
        const std::u32string ucs4 = HtmlTools::toUcs4(text);
        QCOMPARE(ucs4, std::u32string(U"a\U0001F600b") + char32_t(0xD800) + U"c");
        QCOMPARE(HtmlTools::fromUcs4(ucs4), text);
        // UTF-8 cannot carry it: U+FFFD instead.
        QCOMPARE(HtmlTools::toUtf8(ucs4), QByteArray("a\xf0\x9f\x98\x80"
                                                     "b\xef\xbf\xbd"
                                                     "c"));
        QCOMPARE(HtmlTools::toUtf8(U"\U0010FFFF"), QByteArray("\xf4\x8f\xbf\xbf"));  // the largest
        const std::u32string tooLarge(1, char32_t(0x110000));
        QCOMPARE(HtmlTools::fromUcs4(tooLarge), QString(QChar(0xFFFD)));
        QCOMPARE(HtmlTools::toUtf8(tooLarge), QByteArray("\xef\xbf\xbd"));
    }

    // Character references: tests/data/entities/*.txt hold one case a line, the expected code
    // point in hexadecimal ("none" for the empty result), a tab, and the name ("\uXXXX" escapes a
    // character that would not show).
    void decodesEntities_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("expected");
        const QStringList files = testCases(QStringLiteral("entities"), QStringLiteral("*.txt"));
        QVERIFY(!files.isEmpty());
        for (const QString& file : files) {
            int line = 0;
            for (const QStringList& row :
                 caseTable(QStringLiteral("entities/") + QFileInfo(file).fileName())) {
                const char32_t c = row[0].toUInt(nullptr, 16);
                QTest::addRow("%s:%d", qPrintable(QFileInfo(file).baseName()), ++line)
                    << unescapeText(row.value(1))
                    << (row[0] == QStringLiteral("none") ? QString() : QString::fromUcs4(&c, 1));
            }
        }
    }
    void decodesEntities() {
        QFETCH(QString, name);
        QFETCH(QString, expected);
        QCOMPARE(DecodeEntity(name), expected);
        QCOMPARE(HtmlTools::decodeEntity(HtmlTools::toUcs4(name)),
                 expected.isEmpty() ? char32_t(0) : expected.toUcs4().value(0));
    }
};

QTEST_GUILESS_MAIN(TestStripHtml)
#include "tst_striphtml.moc"
