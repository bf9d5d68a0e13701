// quillo-cli convert, run as a separate program: open by the open rule, save by the save rule.
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTextDocument>
#include <QtTest>

#include "document/core/RtfReader.h"

namespace {

struct Run {
    int exitCode = -1;
    QString errors;
};

Run convert(const QStringList& args) {
    QProcess process;
    // Qt warns on standard error where the session has no runtime folder; give it one so
    // the program's own messages are all there is.
    static QTemporaryDir runtime;
    QFile::setPermissions(runtime.path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("XDG_RUNTIME_DIR"), runtime.path());
    process.setProcessEnvironment(environment);
    process.setProgram(QStringLiteral(QUILLO_BINARY_DIR "/quillo-cli"));
    process.setArguments(QStringList{QStringLiteral("convert")} + args);
    process.start();
    if (!process.waitForFinished(60000)) return {};
    return {process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1,
            QString::fromLocal8Bit(process.readAllStandardError())};
}

bool writeBytes(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

QByteArray readBytes(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<unreadable>");
}

const QByteArray kRtf =
    "{\\rtf1\\ansi\\ansicpg1252{\\fonttbl{\\f0 Arial;}}\\f0\\fs24 Plain {\\b bold} "
    "caf\\'e9 \\uc1\\u8212?\\par Second\\par}";

}  // namespace

class ConvertCliTest : public QObject {
    Q_OBJECT

    QTemporaryDir dir;
    QString path(const QString& name) const { return dir.filePath(name); }

  private slots:
    // Output type by the save rule, input type by the open rule.
    void conversions_data() {
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
        // Asked for as RTF but not RTF: plain text.
        QTest::newRow("plain .rtf")
            << "notes.rtf" << QByteArray("just text") << "out.htm" << false << "just text";
    }
    void conversions() {
        QFETCH(QString, inName);
        QFETCH(QByteArray, input);
        QFETCH(QString, outName);
        QFETCH(bool, richOut);
        QFETCH(QString, text);
        QVERIFY(writeBytes(path(inName), input));
        const Run run = convert({path(inName), path(outName)});
        QCOMPARE(run.errors, QString());
        QCOMPARE(run.exitCode, 0);
        const QByteArray output = readBytes(path(outName));
        if (richOut) {
            QVERIFY(RtfReader::isRtf(output));
            QTextDocument document;
            QVERIFY(RtfReader::read(output, &document));
            QCOMPARE(document.toPlainText(), text);
        } else {
            QCOMPARE(QString::fromUtf8(output), text);
        }
        QFile::remove(path(outName));
    }

    // Plain text keeps its encoding, byte-order mark and line endings.
    void plainTextKeepsItsBytes_data() {
        QTest::addColumn<QByteArray>("bytes");
        QTest::newRow("UTF-8 BOM CRLF") << QByteArray(
            "\xef\xbb\xbf"
            "a\xc3\xa9\r\nb\r\n");
        QTest::newRow("UTF-16 LE BOM") << QByteArray(
            "\xff\xfe"
            "a\0\n\0",
            6);
        QTest::newRow("UTF-16 BE BOM") << QByteArray("\xfe\xff\0a\0\r\0\n", 8);
        QTest::newRow("Windows-1252 CR") << QByteArray("caf\xe9\r\x80\r");
    }
    void plainTextKeepsItsBytes() {
        QFETCH(QByteArray, bytes);
        QVERIFY(writeBytes(path("in.txt"), bytes));
        const Run run = convert({path("in.txt"), path("out.bat")});
        QCOMPARE(run.exitCode, 0);
        QCOMPARE(readBytes(path("out.bat")), bytes);
    }

    void binaryInputWarns() {
        QVERIFY(writeBytes(path("data.bin"), QByteArray("ab\0\0cd", 6)));
        const Run run = convert({path("data.bin"), path("data.txt")});
        QCOMPARE(run.exitCode, 0);
        QVERIFY2(run.errors.contains(QStringLiteral("warning")), qPrintable(run.errors));
        QVERIFY(run.errors.contains(path("data.bin")));
    }

    void failures_data() {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<int>("exitCode");
        QTest::addColumn<QString>("mentions");
        QTest::newRow("missing input")
            << QStringList{"missing.txt", "out.txt"} << 1 << "missing.txt";
        QTest::newRow("input is a folder") << QStringList{"", "out.txt"} << 1 << "folder";
        QTest::newRow("output below a file")
            << QStringList{"in.txt", "in.txt/out.txt"} << 1 << "in.txt/out.txt";
        QTest::newRow("output folder missing")
            << QStringList{"in.txt", "no/such/out.rtf"} << 1 << "no/such/out.rtf";
        QTest::newRow("one argument") << QStringList{"in.txt"} << 2 << "Usage";
        QTest::newRow("three arguments") << QStringList{"in.txt", "a", "b"} << 2 << "Usage";
    }
    void failures() {
        QFETCH(QStringList, args);
        QFETCH(int, exitCode);
        QFETCH(QString, mentions);
        QVERIFY(writeBytes(path("in.txt"), "text"));
        QFile::remove(path("out.txt"));
        QStringList paths;
        for (const QString& arg : args) paths << path(arg);
        const Run run = convert(paths);
        QCOMPARE(run.exitCode, exitCode);
        QVERIFY2(run.errors.contains(mentions), qPrintable(run.errors));
        QVERIFY(!QFile::exists(path("out.txt")));
    }
};

QTEST_GUILESS_MAIN(ConvertCliTest)
#include "tst_convertcli.moc"
