// SPDX-License-Identifier: GPL-3.0-or-later
// quillo-cli run as the built program: strip, decode and convert, their files and their errors.
// Cases: tests/data/cli/cases.tsv.
#include <QTemporaryDir>
#include <QTextDocument>
#include <QtTest>

#include "ChildProcess.h"
#include "TestHelpers.h"
#include "document/core/RtfReader.h"

class CliTest : public QObject {
    Q_OBJECT

  private slots:
    void cases_data() { addCaseRows(QStringLiteral("cli/cases.tsv"), 7); }
    void cases() {
        QFETCH(QStringList, row);
        QTemporaryDir dir;
        const auto expand = [&](QString s) {
            return s.replace("%d", QUILLO_TEST_DATA).replace("%t", dir.path());
        };
        QVERIFY(writeBytes(dir.filePath("old.txt"), "an older and longer content"));
        const QStringList before =
            QDir(dir.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot);
        ChildOptions options;
        options.input = unescapeBytes(row[1].toUtf8());
        const ChildRun run = runCli(expand(row[0]).split(u' '), options);

        QCOMPARE(run.exitCode, row[2].toInt());
        const QByteArray out = unescapeBytes(row[3].toUtf8());
        if (out.startsWith('~'))
            QVERIFY2(run.out.contains(out.mid(1)), run.out.constData());
        else
            QCOMPARE(run.out, out);
        const QString err = expand(row[4]);
        if (err.isEmpty() || err == u'*')
            QVERIFY2(run.err.isEmpty() == err.isEmpty(), run.err.constData());
        else
            QVERIFY2(run.err.contains(err.toLocal8Bit()), run.err.constData());
        if (run.exitCode != 0)
            QCOMPARE(QDir(dir.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot), before);

        if (row[5].isEmpty()) return;
        const QByteArray written = readBytes(dir.filePath(row[5].section(u'=', 0, 0)));
        const QString expected = row[5].section(u'=', 1);
        if (expected.startsWith("rtf:")) {
            QTextDocument document;
            QVERIFY(RtfReader::read(written, &document));
            QCOMPARE(document.toPlainText(),
                     QString::fromUtf8(unescapeBytes(expected.mid(4).toUtf8())));
        } else if (expected.startsWith("same:")) {
            QCOMPARE(written, readBytes(expand(expected.mid(5))));
        } else {
            QCOMPARE(written, unescapeBytes(expected.toUtf8()));
        }
    }

    // Names are bytes: one that is not UTF-8 is read, written back under the same name and
    // named in messages as it is. The editor's command line is the desktop scenario
    // name_not_utf8.
    void namesThatAreNotUtf8() {
        QTemporaryDir dir;
        const QByteArray folder = QFile::encodeName(dir.path());
        const QByteArray name = folder + "/bad\xff.txt";
        QVERIFY(writeNamed(name, "caf\xc3\xa9\n"));
        // The shell passes the bytes as they are; QProcess would turn them into text.
        const auto run = [&](const QString& command) {
            return runChild(
                QStringLiteral("/bin/sh"),
                {"-c", command, QStringLiteral(QUILLO_BINARY_DIR "/quillo-cli"), dir.path()});
        };
        const QString bad = QStringLiteral("\"$1/bad$(printf '\\377').txt\"");
        ChildRun result = run("exec \"$0\" convert " + bad + " " + bad);
        QVERIFY2(result.exitCode == 0, result.err.constData());
        QCOMPARE(namesIn(folder), QList<QByteArray>{"bad\xff.txt"});
        QCOMPARE(readNamed(name), QByteArray("caf\xc3\xa9\n"));
        result = run("exec \"$0\" convert " + bad + " \"$1/out$(printf '\\376').rtf\"");
        QVERIFY2(result.exitCode == 0, result.err.constData());
        QVERIFY(readNamed(folder + "/out\xfe.rtf").startsWith("{\\rtf1"));
        result = run("exec \"$0\" strip -o \"$1/s.txt\" " + bad);
        QVERIFY2(result.exitCode == 0, result.err.constData());

        result = run("exec \"$0\" convert \"$1/gone$(printf '\\377').txt\" \"$1/x.txt\"");
        QCOMPARE(result.exitCode, 1);
        QVERIFY2(result.err.contains("gone\xff.txt") && result.err.contains("does not exist"),
                 result.err.constData());
        // A name whose bytes were lost on the way (shown as U+FFFD) is no missing file.
        result = run("exec \"$0\" convert \"$1/bad$(printf '\\357\\277\\275').txt\" \"$1/x.txt\"");
        QVERIFY2(result.err.contains("cannot be represented"), result.err.constData());
    }
};

QTEST_GUILESS_MAIN(CliTest)
#include "tst_cli.moc"
