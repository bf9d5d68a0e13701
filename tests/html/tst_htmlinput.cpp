// SPDX-License-Identifier: GPL-3.0-or-later
#include <QtTest>

#include "TestHelpers.h"
#include "common/core/Windows1252.h"
#include "html/core/HtmlInput.h"
#include "html/core/StripHtml.h"

class TestHtmlInput : public QObject {
    Q_OBJECT

  private slots:
    void decodesBytes_data();
    void decodesBytes();
    void decodesUtf8AtEveryAlignment();
    void pageBytesReadAsTheDecoderReads();
    void convertsBetweenForms();
};

void TestHtmlInput::decodesBytes_data() {
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("expected");
    for (const QStringList& row : caseTable(QStringLiteral("html/input.tsv")))
        QTest::newRow(qPrintable(row.last()))
            << unescapeBytes(row[0].toUtf8()) << unescapeText(row[1]);
    QTest::newRow("largest code point")
        << QByteArray("\xf4\x8f\xbf\xbf") << QString::fromUcs4(U"\U0010FFFF", 1);
}

void TestHtmlInput::decodesBytes() {
    QFETCH(QByteArray, bytes);
    QFETCH(QString, expected);
    QCOMPARE(HtmlTools::decodeHtmlBytesToString(bytes), expected);
}

// The decoder takes ASCII eight bytes at a time; multi-byte characters and bad bytes must be
// seen wherever they fall.
void TestHtmlInput::decodesUtf8AtEveryAlignment() {
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

// The stripper reads a page's bytes without decoding them; its check of the encoding goes piece
// by piece and must come to the decoder's answer wherever a character or a bad byte falls,
// across the pieces' boundaries too.
void TestHtmlInput::pageBytesReadAsTheDecoderReads() {
    const auto agrees = [](const QByteArray& bytes) {
        const HtmlTools::PageBytes page = HtmlTools::pageBytes(bytes);
        const QString read = page.utf8 ? QString::fromUtf8(page.text)
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

void TestHtmlInput::convertsBetweenForms() {
    // A lone surrogate stays one character through code points and back.
    const QString text = QStringLiteral("a\U0001F600b") + QChar(0xD800) + QStringLiteral("c");
    const std::u32string ucs4 = HtmlTools::toUcs4(text);
    QCOMPARE(ucs4, std::u32string(U"a\U0001F600b") + char32_t(0xD800) + U"c");
    QCOMPARE(HtmlTools::fromUcs4(ucs4), text);
    // UTF-8 cannot carry it: U+FFFD instead.
    QCOMPARE(HtmlTools::toUtf8(ucs4), QByteArray("a\xf0\x9f\x98\x80"
                                                 "b\xef\xbf\xbd"
                                                 "c"));
    const std::u32string tooLarge(1, char32_t(0x110000));
    QCOMPARE(HtmlTools::fromUcs4(tooLarge), QString(QChar(0xFFFD)));
    QCOMPARE(HtmlTools::toUtf8(tooLarge), QByteArray("\xef\xbf\xbd"));
}

QTEST_GUILESS_MAIN(TestHtmlInput)
#include "tst_htmlinput.moc"
