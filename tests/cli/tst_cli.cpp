// SPDX-License-Identifier: GPL-3.0-or-later
// quillo-cli run as the built program: strip, decode and convert, their files and their errors.
#include <QTemporaryDir>
#include <QTextDocument>
#include <QtTest>

#include "ChildProcess.h"
#include "TestHelpers.h"
#include "document/core/RtfReader.h"

namespace {

using Run = ChildRun;

Run cli(const QStringList& args, const QByteArray& input = QByteArray()) {
    ChildOptions options;
    options.input = input;
    return runCli(args, options);
}

const QByteArray kRtf =
    "{\\rtf1\\ansi\\ansicpg1252{\\fonttbl{\\f0 Arial;}}\\f0\\fs24 Plain {\\b bold} "
    "caf\\'e9 \\uc1\\u8212?\\par Second\\par}";

}  // namespace

class CliTest : public QObject {
    Q_OBJECT

    QTemporaryDir dir;
    QString path(const QString& name) const { return dir.filePath(name); }

  private slots:
    void strips_data() {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QByteArray>("expected");
        QTest::newRow("Windows-1252")
            << QByteArray("<BODY>caf\xe9 \x93q\x94 \x80\x81!<BR>ok")
            << QByteArray("caf\xc3\xa9 \xe2\x80\x9cq\xe2\x80\x9d \xe2\x82\xac\xc2\x81!\r\nok");
        QTest::newRow("UTF-8 with byte order mark")
            << QByteArray("\xef\xbb\xbf<TITLE>\xc3\xa9t\xc3\xa9</TITLE><BODY>&mdash; ok")
            << QByteArray("\xc3\xa9t\xc3\xa9\r\n\r\n\xe2\x80\x94 ok");
        QTest::newRow("empty") << QByteArray() << QByteArray();
    }
    void strips() {
        QFETCH(QByteArray, bytes);
        QFETCH(QByteArray, expected);
        QVERIFY(writeBytes(path("page.html"), bytes));
        const Run run = cli({QStringLiteral("strip"), path("page.html")});
        QCOMPARE(run.err, QByteArray());
        QCOMPARE(run.exitCode, 0);
        QCOMPARE(run.out, expected);
        // The same from standard input, and into a file that was longer before.
        QCOMPARE(cli({QStringLiteral("strip")}, bytes).out, expected);
        QVERIFY(writeBytes(path("out.txt"), "an older and longer content"));
        const Run toFile = cli(
            {QStringLiteral("strip"), QStringLiteral("-o"), path("out.txt"), QStringLiteral("-")},
            bytes);
        QCOMPARE(toFile.exitCode, 0);
        QCOMPARE(toFile.out, QByteArray());
        QCOMPARE(readBytes(path("out.txt")), expected + "\r\n");
    }

    void stripReportsFilesItCannotUse() {
        QVERIFY(writeBytes(path("ok.html"), "<BODY>text"));
        const QStringList cases[] = {
            {path("no-such-page.html"), path("never.txt")},  // input missing
            {dir.path(), path("never.txt")},                 // input is a folder
            {path("ok.html"), path("missing/out.txt")},      // output folder missing
            {path("ok.html"), dir.path()},                   // output is a folder
        };
        for (const QStringList& c : cases) {
            const Run run = cli({QStringLiteral("strip"), QStringLiteral("-o"), c[1], c[0]});
            QCOMPARE(run.exitCode, 1);
            QCOMPARE(run.out, QByteArray());
            QVERIFY2(run.err.contains((c[0] == path("ok.html") ? c[1] : c[0]).toLocal8Bit()),
                     run.err.constData());
            QVERIFY(!QFile::exists(path("never.txt")));
        }
        QVERIFY(QFileInfo(dir.path()).isDir());
    }

    void rejectsBadUsage() {
        const QStringList usages[] = {{"strip", "a", "b"},
                                      {"strip", "-x"},
                                      {"strip", "-o"},
                                      {"decode"},
                                      {"decode", "a", "b"},
                                      {"convert", "in.txt"},
                                      {"convert", "in.txt", "a", "b"}};
        for (const QStringList& args : usages) {
            const Run run = cli(args);
            QCOMPARE(run.exitCode, 2);
            QCOMPARE(run.out, QByteArray());
            QVERIFY(!run.err.isEmpty());
        }
        const Run help = cli({QStringLiteral("--help")});
        QCOMPARE(help.exitCode, 0);
        QVERIFY(help.out.contains("strip [-o OUT] [FILE]"));
        QVERIFY(help.out.contains("decode NAME"));
    }

    void decodes() {
        const Run run = cli({QStringLiteral("decode"), QStringLiteral("#x1F600")});
        QCOMPARE(run.exitCode, 0);
        QCOMPARE(run.out, QByteArray("\xf0\x9f\x98\x80"));
        QCOMPARE(run.err, QByteArray());
        const Run unknown = cli({QStringLiteral("decode"), QStringLiteral("zzz")});
        QCOMPARE(unknown.exitCode, 0);
        QCOMPARE(unknown.out, QByteArray());
    }

    // Output type by the save rule, input type by the open rule.
    void converts_data() {
        QTest::addColumn<QString>("inName");
        QTest::addColumn<QByteArray>("input");
        QTest::addColumn<QString>("outName");
        QTest::addColumn<bool>("richOut");
        QTest::addColumn<QString>("text");
        QTest::newRow("rtf to txt")
            << "in.rtf" << kRtf << "out.txt" << false << "Plain bold caf\u00e9 \u2014\nSecond";
        QTest::newRow("rtf to qlo")
            << "in.RTF" << kRtf << "out.qlo" << true << "Plain bold caf\u00e9 \u2014\nSecond";
        QTest::newRow("txt to rtf") << "in.txt" << QByteArray("caf\xc3\xa9\nline") << "out.rtf"
                                    << true << "caf\u00e9\nline";
        QTest::newRow("txt to myrtf") << "in.txt" << QByteArray("x") << "myrtf" << true << "x";
        // An RTF file that is not named .rtf opens as plain text: its markup is the text.
        QTest::newRow("myrtf to txt")
            << "myrtf" << kRtf << "out.txt" << false << QString::fromLatin1(kRtf);
        QTest::newRow("plain .rtf")
            << "notes.rtf" << QByteArray("just text") << "out.htm" << false << "just text";
    }
    void converts() {
        QFETCH(QString, inName);
        QFETCH(QByteArray, input);
        QFETCH(QString, outName);
        QFETCH(bool, richOut);
        QFETCH(QString, text);
        QVERIFY(writeBytes(path(inName), input));
        const Run run = cli({QStringLiteral("convert"), path(inName), path(outName)});
        QCOMPARE(run.err, QByteArray());
        QCOMPARE(run.exitCode, 0);
        const QByteArray output = readBytes(path(outName));
        if (richOut) {
            QTextDocument document;
            QVERIFY(RtfReader::read(output, &document));
            QCOMPARE(document.toPlainText(), text);
        } else {
            QCOMPARE(QString::fromUtf8(output), text);
        }
        QFile::remove(path(outName));
    }

    // Plain text keeps its encoding, byte order mark and line endings (the codec's own tests
    // go through every sample; this is the command's path to it).
    void plainTextKeepsItsBytes() {
        for (const char* name :
             {"utf_16_be_bom_crlf.txt", "windows_1252_crlf.txt", "mixed_endings.txt"}) {
            const QString sample =
                QStringLiteral(QUILLO_TEST_DATA "/text/") + QString::fromLatin1(name);
            const Run run = cli({QStringLiteral("convert"), sample, path("out.bat")});
            QCOMPARE(run.exitCode, 0);
            QCOMPARE(readBytes(path("out.bat")), readBytes(sample));
        }
    }

    void convertFailures() {
        QVERIFY(writeBytes(path("data.bin"), QByteArray("ab\0\0cd", 6)));
        const Run binary = cli({QStringLiteral("convert"), path("data.bin"), path("data.txt")});
        QCOMPARE(binary.exitCode, 0);
        QVERIFY2(
            binary.err.contains("warning") && binary.err.contains(path("data.bin").toLocal8Bit()),
            binary.err.constData());

        QVERIFY(writeBytes(path("in.txt"), "text"));
        const QStringList cases[] = {{"missing.txt", "out.txt", "missing.txt"},
                                     {"", "out.txt", "folder"},
                                     {"in.txt", "in.txt/out.txt", "in.txt/out.txt"},
                                     {"in.txt", "no/such/out.rtf", "no/such/out.rtf"},
                                     // opens, then fails to read: the kernel answers EIO
                                     {"/proc/self/mem", "out.txt", "/proc/self/mem"}};
        for (const QStringList& c : cases) {
            const QString in = c[0].startsWith(u'/') ? c[0] : path(c[0]);
            const Run run = cli({QStringLiteral("convert"), in, path(c[1])});
            QCOMPARE(run.exitCode, 1);
            QVERIFY2(run.err.contains(c[2].toLocal8Bit()), run.err.constData());
            QVERIFY(!QFile::exists(path("out.txt")));
        }
    }
};

QTEST_GUILESS_MAIN(CliTest)
#include "tst_cli.moc"
