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
};

QTEST_GUILESS_MAIN(CliTest)
#include "tst_cli.moc"
