// SPDX-License-Identifier: GPL-3.0-or-later
// Character references: tests/data/entities/*.txt hold one case a line, the expected code point
// in hexadecimal ("none" for the empty result), a tab, and the name ("\uXXXX" escapes a
// character that would not show).
#include <QtTest>

#include "TestHelpers.h"
#include "html/core/HtmlInput.h"
#include "html/core/StripHtml.h"

class TestDecodeEntity : public QObject {
    Q_OBJECT

  private slots:
    void decodes_data() {
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
    void decodes() {
        QFETCH(QString, name);
        QFETCH(QString, expected);
        QCOMPARE(DecodeEntity(name), expected);
        QCOMPARE(HtmlTools::decodeEntity(HtmlTools::toUcs4(name)),
                 expected.isEmpty() ? char32_t(0) : expected.toUcs4().value(0));
    }

    void exactMatchAndRemoveSpaces() {
        QVERIFY(ExactMatch(QStringLiteral("agrave"), QStringLiteral("agrave")));
        QVERIFY(ExactMatch(QString(), QString()));
        for (const char* other : {"Agrave", "agrave ", "agravex", "agrav"})
            QVERIFY(!ExactMatch(QStringLiteral("agrave"), QString::fromLatin1(other)));
        QVERIFY(!ExactMatch(QStringLiteral("\u00e9"), QStringLiteral("\u00c9")));
        QCOMPARE(RemoveSpaces(QStringLiteral(" / T D ")), QStringLiteral("/TD"));
        QCOMPARE(RemoveSpaces(QStringLiteral("a\tb\r\nc\u00a0 d")),
                 QStringLiteral("a\tb\r\nc\u00a0d"));
        QCOMPARE(RemoveSpaces(QStringLiteral("   ")), QString());
    }
};

QTEST_GUILESS_MAIN(TestDecodeEntity)
#include "tst_decodeentity.moc"
