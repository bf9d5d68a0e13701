// SPDX-License-Identifier: GPL-3.0-or-later
// Files whose size or shape strains the editor: a load the free memory cannot hold is refused or
// asked about, long lines come back byte for byte, and a paragraph of more runs than the reader
// keeps loses no text.
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

namespace {

constexpr qint64 kMB = 1024 * 1024;

QByteArray repeated(const QByteArray& piece, qint64 size) {
    QByteArray bytes;
    bytes.reserve(size + piece.size());
    while (bytes.size() < size) bytes += piece;
    return bytes;
}

}  // namespace

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

    // 200,000 empty lines need about 1 MB (the bytes, which become the text, and a packed index
    // entry a line), whatever their 200 KB on disk.
    void memoryEstimate_data() {
        QTest::addColumn<qint64>("budget");
        QTest::addColumn<int>("answer");
        QTest::addColumn<int>("style");
        QTest::addColumn<bool>("loaded");
        QTest::newRow("comfortable") << 2048 * kMB << 0 << -1 << true;
        QTest::newRow("heavy, yes") << 3 * kMB << int(MsgBoxResult::Yes)
                                    << MsgBoxStyle::YesNo + MsgBoxStyle::Question << true;
        QTest::newRow("heavy, no") << 3 * kMB << int(MsgBoxResult::No)
                                   << MsgBoxStyle::YesNo + MsgBoxStyle::Question << false;
        QTest::newRow("too large") << 1 * kMB << 0 << int(MsgBoxStyle::Critical) << false;
    }
    void memoryEstimate() {
        QFETCH(qint64, budget);
        QFETCH(int, answer);
        QFETCH(int, style);
        QFETCH(bool, loaded);
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
        QVERIFY(writeBytes(path, "{\\rtf1\\ansi " + repeated("\\par\n", 5 * 600000) + "}"));
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

    // Long lines are wrapped on the screen only: saving writes back the very bytes read.
    void longLinesRoundTrip_data() {
        QTest::addColumn<QByteArray>("content");
        QTest::newRow("one word") << repeated("0123456789abcdef", 300000);
        QTest::newRow("minified page, CR LF around it")
            << "<html>\r\n" + repeated("<div class=\"a\">x</div> ", 300000) + "\r\nend\r\n";
        QTest::newRow("UTF-16 LE")
            << "\xff\xfe" + repeated(QByteArray("a\0\xe9\0", 4), 200000) + QByteArray("\n\0", 2);
    }
    void longLinesRoundTrip() {
        QFETCH(QByteArray, content);
        const QString in = dir.filePath("long.txt");
        const QString out = dir.filePath("long-saved.txt");
        QVERIFY(writeBytes(in, content));
        RichTextBox box;
        box.resize(600, 400);
        box.show();
        QVERIFY(box.LoadFile(in, RichTextBox::rtfText));
        QVERIFY(QTest::qWaitForWindowExposed(&box));
        QVERIFY(box.SaveFile(out, RichTextBox::rtfText));
        QVERIFY(readBytes(out) == content);
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
