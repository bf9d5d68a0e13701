// SPDX-License-Identifier: GPL-3.0-or-later
// Spell checking with real Hunspell dictionaries: the words the installed en_US flags and
// corrects, tiny dictionaries in Latin-1 and KOI8-R, and the user's word list as a real file
// (kept across a restart, read past damage, failing loudly). Cases: tests/data/spelling/.
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

#include "TestHelpers.h"
#include "document/core/SpellingWords.h"
#include "spell/core/DictionaryCatalog.h"
#include "spell/core/HunspellDictionary.h"
#include "spell/core/SpellService.h"

namespace {

const QString kData = QStringLiteral(QUILLO_TEST_DATA "/spelling/");

// A check in en_US with its dictionary loaded.
std::unique_ptr<SpellService> englishCheck(const QString& wordList = QString()) {
    auto check = std::make_unique<SpellService>(DictionaryCatalog::defaultFolders(), wordList);
    check->configure(true, QStringLiteral("en_US"));
    QSignalSpy ready(check.get(), &SpellCheck::changed);
    check->isMisspelt(QStringLiteral("word"));  // starts loading
    if (!check->isActive()) ready.wait(20000);
    return check;
}

}  // namespace

class SpellingTest : public QObject {
    Q_OBJECT

    std::unique_ptr<SpellService> english;

  private slots:
    void initTestCase() {
        QVERIFY2(DictionaryCatalog::installed(DictionaryCatalog::defaultFolders())
                     .contains(QStringLiteral("en_US")),
                 "hunspell-en-us is not installed (scripts/ensure-deps.sh)");
        english = englishCheck();
        QVERIFY(english->isActive());
    }

    void flaggedWords_data() { addCaseRows(QStringLiteral("spelling/words.tsv"), 3, true); }
    void flaggedWords() {
        QFETCH(QStringList, row);
        QStringList flagged;
        for (const auto& word : SpellingWords::misspelt(row[0], *english))
            flagged << row[0].mid(word.start, word.length);
        QCOMPARE(flagged, row[1].split(u' ', Qt::SkipEmptyParts));
    }

    void suggestions_data() { addCaseRows(QStringLiteral("spelling/suggestions.tsv"), 3); }
    void suggestions() {
        QFETCH(QStringList, row);
        QVERIFY(english->isMisspelt(row[0]));
        const QStringList offered = english->suggestions(row[0], 5);
        QVERIFY2(offered.contains(row[1]), qPrintable(offered.join(u',')));
    }

    void ownEncodings_data() { addCaseRows(QStringLiteral("spelling/encodings.tsv"), 5); }
    void ownEncodings() {
        QFETCH(QStringList, row);
        QString error;
        auto dictionary =
            HunspellDictionary::open(kData + row[0] + ".aff", kData + row[0] + ".dic", &error);
        QVERIFY2(dictionary, qPrintable(error));
        QCOMPARE(dictionary->knows(row[1]), row[2] == QLatin1String("1"));
        if (row[3] != QLatin1String("-"))
            QCOMPARE(dictionary->suggestions(row[1], 5).value(0), row[3]);
    }

    void dictionaryChoice() {
        const QStringList installed{"de_DE", "en_GB", "en_US"};
        QCOMPARE(DictionaryCatalog::forLocale("de_AT", installed), QStringLiteral("de_DE"));
        QCOMPARE(DictionaryCatalog::forLocale("C", installed), QStringLiteral("en_US"));
        QCOMPARE(DictionaryCatalog::forLocale("fr_FR", installed), QString());
        QVERIFY(!HunspellDictionary::open(kData + "missing.aff", kData + "missing.dic"));

        // With no dictionary installed checking is off, and nothing tries to load one.
        QTemporaryDir none;
        SpellService check({none.path()}, QString());
        check.configure(true, QString());
        QVERIFY(!check.isMisspelt(QStringLiteral("recieve")) && !check.isLoading());
    }

    // View > Options turning checking off and on again: each switch tells the editors, which
    // ask again, and the dictionary comes back.
    void offAndOn() {
        auto check = englishCheck();
        QSignalSpy changes(check.get(), &SpellCheck::changed);
        check->configure(false, QStringLiteral("en_US"));
        QVERIFY(!check->isMisspelt(QStringLiteral("recieve")));
        check->configure(true, QStringLiteral("en_US"));
        QCOMPARE(changes.size(), 2);
        check->isMisspelt(QStringLiteral("recieve"));
        QVERIFY(changes.wait(20000));
        QVERIFY(check->isMisspelt(QStringLiteral("recieve")));
    }

    // Added words are written at once and known after a restart; a damaged or huge list costs
    // its bad lines only.
    void wordListAcrossRestarts() {
        QTemporaryDir home;
        const QString path = home.filePath(QStringLiteral("Quillo/words.txt"));
        {
            auto first = englishCheck(path);
            QVERIFY(first->isMisspelt(QStringLiteral("Quillo")));
            first->addToDictionary(QStringLiteral("Quillo"));
            QVERIFY(!first->isMisspelt(QStringLiteral("Quillo")));
        }
        QCOMPARE(readBytes(path), QByteArray("Quillo\n"));
        QVERIFY(!englishCheck(path)->isMisspelt(QStringLiteral("Quillo")));

        QVERIFY(writeBytes(path, "Quillo\r\n\xff\xfe\n" + QByteArray(300, 'x') + "\nzorblat\n"));
        auto second = englishCheck(path);
        QVERIFY(!second->isMisspelt(QStringLiteral("zorblat")));
        second->addToDictionary(QStringLiteral("na\u00efvet\u00e9z"));
        QCOMPARE(readBytes(path), QByteArray("Quillo\nzorblat\nna\xc3\xafvet\xc3\xa9z\n"));

        // A sparse gigabyte: only its start is read.
        QFile huge(path);
        QVERIFY(huge.open(QIODevice::WriteOnly) && huge.resize(qint64(1) << 30));
        huge.close();
        QVERIFY(englishCheck(path)->isActive());
    }

    void unwritableWordList() {
        QTemporaryDir home;
        QVERIFY(writeBytes(home.filePath(QStringLiteral("file")), "x"));
        auto check = englishCheck(home.filePath(QStringLiteral("file/words.txt")));
        QSignalSpy problems(check.get(), &SpellService::problem);
        check->addToDictionary(QStringLiteral("zorblat"));
        QCOMPARE(problems.size(), 1);
        QVERIFY(!check->isMisspelt(QStringLiteral("zorblat")));  // for this session all the same
    }
};

QTEST_MAIN(SpellingTest)
#include "tst_spelling.moc"
