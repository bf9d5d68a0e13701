// SPDX-License-Identifier: GPL-3.0-or-later
// Files whose size or shape strains the editor: a load the free memory cannot hold is refused or
// asked about, and a paragraph of many thousands of runs loses none. (A long line's way through
// the editor is tst_plaintext's.)
#include <QTemporaryDir>
#include <QTextBlock>
#include <QTextDocument>
#include <QtTest>

#include "TestEnvironment.h"
#include "TestHelpers.h"
#include "app/frmMain.h"
#include "document/FileCommands.h"
#include "document/RichTextBox.h"
#include "document/core/LoadEstimate.h"
#include "document/core/RtfReader.h"
#include "document/frmDocument.h"

constexpr qint64 kMB = 1024 * 1024;

class LargeInputTest : public QObject {
    Q_OBJECT

    std::unique_ptr<TestEnvironment> env;
    ScriptedDialogHost host;
    frmMain* main = nullptr;
    QTemporaryDir dir;

    // Opens `path` with File > Open in the empty first document window.
    frmDocument* open(const QString& path, qint64 budget) {
        main->fileCommands()->setMemoryBudget(budget);
        host.fileAnswers.enqueue(path);
        main->fileCommands()->mnuFileOpen_Click();
        return main->ActiveDocument();
    }

  private slots:
    void init() {
        host = ScriptedDialogHost();
        env = std::make_unique<TestEnvironment>();
        env->services.dialogs = &host;
        main = env->start();
    }
    void cleanup() { env.reset(); }

    // A file of 200,000 empty lines against memory budgets: loaded, asked about or refused.
    void memoryEstimate_data() { addCaseRows(QStringLiteral("files/memory-questions.tsv"), 5); }
    void memoryEstimate() {
        QFETCH(QStringList, row);
        const qint64 budget = row[0].toLongLong() * kMB;
        const int answer = row[1].toInt(), style = row[2].toInt();
        const bool loaded = row[3] == u'1';
        const QString path = dir.filePath("blank.txt");
        QVERIFY(writeBytes(path, QByteArray(200000, '\n')));
        if (answer) host.msgBoxAnswers.enqueue(answer);

        frmDocument* document = open(path, budget);
        QVERIFY(document);
        if (style < 0) {
            QVERIFY(host.messages.isEmpty());
        } else {
            QCOMPARE(host.messages.size(), 1);
            QCOMPARE(host.messages.first().style, style);
            QVERIFY(host.messages.first().text.contains(QDir::toNativeSeparators(path)));
            QVERIFY(host.messages.first().text.contains(QStringLiteral("lines")));
            QVERIFY(host.messages.first().text.contains(QStringLiteral("MB")));
        }
        QCOMPARE(document->txtText->TextLength(), loaded ? 200000 : 0);
        // Declining is no load failure: the open dialog is not shown again.
        QCOMPARE(host.fileRequests.size(), 1);
        if (!loaded) {
            QCOMPARE(document->Tag(), QString());
            QVERIFY(document->Caption() != path);
        }
        QCOMPARE(main->statusText(), QStringLiteral("Ready."));
    }

    // The verdict at the edges of its bounds: a quarter and three quarters of the free memory,
    // and the paragraph limit of formatted text.
    void loadVerdicts_data() { addCaseRows(QStringLiteral("files/load-verdicts.tsv"), 6); }
    void loadVerdicts() {
        QFETCH(QStringList, row);
        LoadEstimate estimate;
        estimate.rtf = row[0] == u'1';
        estimate.paragraphs = row[1].toLongLong();
        estimate.memoryBytes = row[2].toLongLong();
        QCOMPARE(int(estimate.judge(row[3].toLongLong())), row[4].toInt());
    }

    void loadEstimates_data() { addCaseRows(QStringLiteral("files/load-estimates.tsv"), 5); }
    void loadEstimates() {
        QFETCH(QStringList, row);
        const LoadEstimate estimate =
            LoadEstimate::of(unescapeBytes(row[0].toUtf8()), row[1] == u'1');
        QCOMPARE(QString(estimate.rtf ? "rtf" : estimate.latin1 ? "latin1" : "utf16"), row[2]);
        QCOMPARE(estimate.memoryBytes, row[3].toLongLong());
    }

    // Masses of formatted paragraphs are judged by their memory, as lines are: refused when the
    // machine cannot hold them, opened whole when it can.
    void manyRtfParagraphs() {
        const QString path = dir.filePath("pars.rtf");
        QVERIFY(writeBytes(path, "{\\rtf1\\ansi " + QByteArray("\\par\n").repeated(600000) + "}"));
        frmDocument* document = open(path, 4 * kMB);
        QCOMPARE(host.messages.size(), 1);
        QCOMPARE(host.messages.first().style, int(MsgBoxStyle::Critical));
        QVERIFY(host.messages.first().text.contains(QLocale().toString(600001) +
                                                    QStringLiteral(" paragraphs")));
        QCOMPARE(document->txtText->TextLength(), 0);
        host.fileAnswers.enqueue(path);
        main->fileCommands()->setMemoryBudget(2048 * kMB);
        main->fileCommands()->mnuFileOpen_Click();
        QCOMPARE(host.messages.size(), 1);
        QCOMPARE(main->ActiveDocument()->txtText->TextLength(), 599999);
    }

    // A paragraph of many thousands of runs keeps every one, a font's code page decodes its
    // bytes, and the next paragraph has its own formats.
    void paragraphOfManyRuns() {
        const int runs = 20000;
        QByteArray rtf = "{\\rtf1\\ansi{\\fonttbl{\\f0 Arial;}{\\f1\\fcharset204 Cyr;}}\\pard ";
        QString expected;
        for (int i = 0; i < runs; ++i) {
            rtf += i % 2 ? "{\\b b}" : "{\\i i}";
            expected += i % 2 ? u'b' : u'i';
        }
        rtf += "{\\f1 \\'e0}\\par {\\b last}\\par}";
        expected += QStringLiteral("\u0430\nlast");
        QTextDocument document;
        QVERIFY(RtfReader::read(rtf, &document));
        QCOMPARE(document.toPlainText(), expected);
        int fragments = 0;
        for (auto it = document.begin().begin(); !it.atEnd(); ++it) ++fragments;
        QCOMPARE(fragments, runs + 1);
        QVERIFY(document.lastBlock().begin().fragment().charFormat().fontWeight() == QFont::Bold);
    }
};

QTEST_MAIN(LargeInputTest)
#include "tst_largeinput.moc"
