#include <QtTest>

#include "html/core/HtmlInput.h"

class TestHtmlInput : public QObject {
    Q_OBJECT

  private slots:
    void decodesBytes_data();
    void decodesBytes();
    void decodesUtf8AtEveryAlignment();
    void convertsBetweenForms();
};

void TestHtmlInput::decodesBytes_data() {
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("expected");
    QTest::newRow("empty") << QByteArray() << QString();
    QTest::newRow("ASCII") << QByteArray("<P>a b") << QStringLiteral("<P>a b");
    QTest::newRow("UTF-8") << QByteArray("caf\xc3\xa9 \xe2\x82\xac \xf0\x9f\x98\x80")
                           << QStringLiteral("caf\u00e9 \u20ac \U0001F600");
    QTest::newRow("byte order mark dropped")
        << QByteArray("\xef\xbb\xbf<B>\xc3\xa9") << QStringLiteral("<B>\u00e9");
    QTest::newRow("byte order mark alone") << QByteArray("\xef\xbb\xbf") << QString();
    QTest::newRow("byte order mark on Windows-1252")
        << QByteArray("\xef\xbb\xbf\xe9") << QStringLiteral("\u00ef\u00bb\u00bf\u00e9");
    QTest::newRow("Windows-1252") << QByteArray("caf\xe9 \x80 \x93q\x94 \x9f")
                                  << QStringLiteral("caf\u00e9 \u20ac \u201cq\u201d \u0178");
    QTest::newRow("undefined bytes")
        << QByteArray("\x81\x8d\x8f\x90\x9d") << QStringLiteral("\u0081\u008d\u008f\u0090\u009d");
    QTest::newRow("one bad byte makes it all Windows-1252")
        << QByteArray("\xc3\xa9\xff") << QStringLiteral("\u00c3\u00a9\u00ff");
    QTest::newRow("overlong two bytes") << QByteArray("\xc0\x80") << QStringLiteral("\u00c0\u20ac");
    QTest::newRow("overlong three bytes")
        << QByteArray("\xe0\x80\xaf") << QStringLiteral("\u00e0\u20ac\u00af");
    QTest::newRow("encoded surrogate")
        << QByteArray("\xed\xa0\x80") << QStringLiteral("\u00ed\u00a0\u20ac");
    QTest::newRow("above U+10FFFF")
        << QByteArray("\xf4\x90\x80\x80") << QStringLiteral("\u00f4\u0090\u20ac\u20ac");
    QTest::newRow("truncated at the end")
        << QByteArray("ab\xe2\x82") << QStringLiteral("ab\u00e2\u201a");
    QTest::newRow("lone continuation") << QByteArray("a\x80z") << QStringLiteral("a\u20acz");
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
