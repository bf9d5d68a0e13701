#include <QtTest>

#include "html/core/StripHtml.h"

namespace {

// The expected result as a code point, 0 for the empty string.
void row(const char* name, const QString& reference, char32_t expected) {
    QTest::newRow(name) << reference << uint(expected);
}

void row(const QString& reference, char32_t expected) {
    QTest::newRow(qPrintable(QLatin1Char('&') + reference + QLatin1Char(';')))
        << reference << uint(expected);
}

QString text(char32_t c) {
    if (c == 0) return QString();
    return QString::fromUcs4(&c, 1);
}

}  // namespace

class TestDecodeEntity : public QObject {
    Q_OBJECT

  private slots:
    void decodes_data();
    void decodes();
    void numbers_data();
    void numbers();
    void namesBeyondLatin1_data();
    void namesBeyondLatin1();
    void exactMatch_data();
    void exactMatch();
    void removeSpaces_data();
    void removeSpaces();

  private:
    void addColumns() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<uint>("expected");
    }
    void check() {
        QFETCH(QString, name);
        QFETCH(uint, expected);
        QCOMPARE(DecodeEntity(name), text(char32_t(expected)));
    }
};

void TestDecodeEntity::decodes_data() {
    addColumns();
    for (const char* amp : {"amp", "AMP", "Amp"}) row(QString::fromLatin1(amp), '&');
    row(QStringLiteral("nbsp"), 160);
    row(QStringLiteral("#233"), 233);
    row(QStringLiteral("eacute"), 233);
    row(QStringLiteral("Eacute"), 201);
    row(QStringLiteral("yuml"), 255);
    row(QStringLiteral("Yuml"), 255);
    row(QStringLiteral("sup1"), 185);
    row(QStringLiteral("quot"), '"');
    row(QStringLiteral("COPY"), 169);
    row(QStringLiteral("agrave"), 224);
    row(QStringLiteral("Agrave"), 192);
    row(QStringLiteral("AGRAVE"), 192);
    row(QStringLiteral("aGrave"), 192);
    row(QStringLiteral("AElig"), 198);
    row(QStringLiteral("ETH"), 208);
    row(QStringLiteral("THORN"), 222);
    row("empty name", QString(), 0);
    row("lone #", QStringLiteral("#"), 0);
    row(QStringLiteral("zzz"), 0);
    row(QStringLiteral("amp "), 0);
    row("name after a NUL", QChar(0) + QStringLiteral("lt"), 0);
    // "#" is dropped before the lookup, and a name with it is not all lower case.
    row(QStringLiteral("#amp"), '&');
    row(QStringLiteral("#agrave"), 192);
    // Letter case is folded for ASCII letters only: U+017F (long s) is no "s".
    row(QStringLiteral("\u017Fhy"), 0);
    row(QStringLiteral("\u0130excl"), 0);
}

void TestDecodeEntity::decodes() {
    check();
}

void TestDecodeEntity::numbers_data() {
    addColumns();
    row(QStringLiteral("#65"), 'A');
    row(QStringLiteral("65"), 'A');
    row(QStringLiteral("# 65 "), 'A');
    row(QStringLiteral("+65"), 'A');
    row(QStringLiteral("065"), 'A');
    row(QStringLiteral("65.0"), 'A');
    row(QStringLiteral("6.5e1"), 'A');
    row(QStringLiteral("6.5E+1"), 'A');
    row(QStringLiteral("650e-1"), 'A');
    row(QStringLiteral("64.5"), '@');  // half to even
    row(QStringLiteral("65.5"), 'B');
    row(QStringLiteral("64.5000001"), 'A');
    row(QStringLiteral("65.4999999"), 'A');
    row(QStringLiteral("5."), 5);
    row(QStringLiteral(".5e2"), '2');
    row(QStringLiteral("1e2"), 'd');
    row(QStringLiteral("0.000065e6"), 'A');
    // Windows-1252 for 128 to 159, the C1 control where it has no character.
    row(QStringLiteral("#128"), 0x20AC);
    row(QStringLiteral("#150"), 0x2013);
    row(QStringLiteral("#159"), 0x0178);
    for (int undefined : {129, 141, 143, 144, 157})
        row(QStringLiteral("#%1").arg(undefined), char32_t(undefined));
    row(QStringLiteral("#127"), 127);
    row(QStringLiteral("#1"), 1);
    row(QStringLiteral("#160"), 160);
    row(QStringLiteral("#8212"), 0x2014);
    row(QStringLiteral("#55295"), 0xD7FF);
    row(QStringLiteral("#57344"), 0xE000);
    row(QStringLiteral("#1114111"), 0x10FFFF);
    // Out of range: U+FFFD.
    for (const char* bad : {"#0", "0.4", ".5", "-0", "#-65", "-1e2", "#55296", "#57343", "#1114112",
                            "1e7", "1e999999999999", "1e-999999999999"})
        row(QString::fromLatin1(bad), 0xFFFD);
    // Not numbers.
    for (const char* notNumber : {"1e", "e5", "+", ".", "- 5", "5 5", "1.2.3", "0x41", "x41",
                                  "1e2.5", "++5", "#+-5", "5e--1"})
        row(QString::fromLatin1(notNumber), 0);
    row(QStringLiteral("\u0661"), 0);  // an Arabic-Indic digit
    // Hexadecimal, with "#" only.
    row(QStringLiteral("#x41"), 'A');
    row(QStringLiteral("#X41"), 'A');
    row(QStringLiteral("#x0041"), 'A');
    row(QStringLiteral("#xe9"), 0xE9);
    row(QStringLiteral("#x80"), 0x20AC);
    row(QStringLiteral("#x9d"), 0x9D);
    row(QStringLiteral("#x1F600"), 0x1F600);
    row(QStringLiteral("#x10FFFF"), 0x10FFFF);
    row(QStringLiteral("#x110000"), 0xFFFD);
    row(QStringLiteral("#xD800"), 0xFFFD);
    row(QStringLiteral("#x0"), 0xFFFD);
    row(QStringLiteral("#xFFFFFFFFFFFFFFFFFFFF"), 0xFFFD);
    for (const char* notHex : {"#x", "#xg1", "#x 41", "#x41 ", "#x-41", "#xx41"})
        row(QString::fromLatin1(notHex), 0);
}

void TestDecodeEntity::numbers() {
    check();
}

void TestDecodeEntity::namesBeyondLatin1_data() {
    addColumns();
    row(QStringLiteral("apos"), '\'');
    row(QStringLiteral("APOS"), '\'');
    row(QStringLiteral("euro"), 0x20AC);
    row(QStringLiteral("mdash"), 0x2014);
    row(QStringLiteral("MDASH"), 0x2014);
    row(QStringLiteral("hellip"), 0x2026);
    row(QStringLiteral("bull"), 0x2022);
    row(QStringLiteral("trade"), 0x2122);
    row(QStringLiteral("fnof"), 0x192);
    row(QStringLiteral("thinsp"), 0x2009);
    row(QStringLiteral("weierp"), 0x2118);
    row(QStringLiteral("alefsym"), 0x2135);
    row(QStringLiteral("there4"), 0x2234);
    row(QStringLiteral("lang"), 0x2329);
    row(QStringLiteral("diams"), 0x2666);
    row(QStringLiteral("sigmaf"), 0x3C2);
    row(QStringLiteral("SIGMAF"), 0x3C2);
    row(QStringLiteral("thetasym"), 0x3D1);
    // Names that differ only in letter case: all lower case gives the lower-case form.
    row(QStringLiteral("alpha"), 0x3B1);
    row(QStringLiteral("Alpha"), 0x391);
    row(QStringLiteral("ALPHA"), 0x391);
    row(QStringLiteral("sigma"), 0x3C3);
    row(QStringLiteral("Sigma"), 0x3A3);
    row(QStringLiteral("oelig"), 0x153);
    row(QStringLiteral("OElig"), 0x152);
    row(QStringLiteral("OELIG"), 0x152);
    row(QStringLiteral("scaron"), 0x161);
    row(QStringLiteral("Scaron"), 0x160);
    row(QStringLiteral("dagger"), 0x2020);
    row(QStringLiteral("Dagger"), 0x2021);
    row(QStringLiteral("DAGGER"), 0x2021);
    row(QStringLiteral("prime"), 0x2032);
    row(QStringLiteral("Prime"), 0x2033);
    row(QStringLiteral("larr"), 0x2190);
    row(QStringLiteral("lArr"), 0x21D0);
    row(QStringLiteral("LARR"), 0x21D0);
    row(QStringLiteral("Larr"), 0x21D0);
    row(QStringLiteral("harr"), 0x2194);
    row(QStringLiteral("hArr"), 0x21D4);
}

void TestDecodeEntity::namesBeyondLatin1() {
    check();
}

void TestDecodeEntity::exactMatch_data() {
    QTest::addColumn<QString>("a");
    QTest::addColumn<QString>("b");
    QTest::addColumn<bool>("equal");
    QTest::newRow("same") << "agrave"
                          << "agrave" << true;
    QTest::newRow("case differs") << "agrave"
                                  << "Agrave" << false;
    QTest::newRow("both empty") << ""
                                << "" << true;
    QTest::newRow("trailing space") << "a"
                                    << "a " << false;
    QTest::newRow("prefix") << "ab"
                            << "abc" << false;
    QTest::newRow("non-ASCII case") << "\u00e9"
                                    << "\u00c9" << false;
}

void TestDecodeEntity::exactMatch() {
    QFETCH(QString, a);
    QFETCH(QString, b);
    QFETCH(bool, equal);
    QCOMPARE(ExactMatch(a, b), equal);
    QCOMPARE(ExactMatch(b, a), equal);
}

void TestDecodeEntity::removeSpaces_data() {
    QTest::addColumn<QString>("input");
    QTest::addColumn<QString>("expected");
    QTest::newRow("spaces") << " / T D "
                            << "/TD";
    QTest::newRow("other whitespace kept") << "a\tb\r\nc\u00a0d"
                                           << "a\tb\r\nc\u00a0d";
    QTest::newRow("only spaces") << "    "
                                 << "";
    QTest::newRow("empty") << ""
                           << "";
}

void TestDecodeEntity::removeSpaces() {
    QFETCH(QString, input);
    QFETCH(QString, expected);
    QCOMPARE(RemoveSpaces(input), expected);
}

QTEST_GUILESS_MAIN(TestDecodeEntity)
#include "tst_decodeentity.moc"
