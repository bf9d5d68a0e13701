// quillo-cli strip and decode, run as the built program.
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

namespace {

struct Run {
    int exitCode = -1;
    QByteArray out;
    QByteArray err;
};

Run cli(const QStringList& args, const QByteArray& input = QByteArray()) {
    QProcess process;
    process.start(QStringLiteral(QUILLO_BINARY_DIR "/quillo-cli"), args);
    if (!process.waitForStarted()) return {};
    process.write(input);
    process.closeWriteChannel();
    if (!process.waitForFinished(60000)) {
        process.kill();
        process.waitForFinished();
        return {};
    }
    Run run;
    run.exitCode = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    run.out = process.readAllStandardOutput();
    run.err = process.readAllStandardError();
    return run;
}

bool writeFile(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

QByteArray readFile(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<unreadable>");
}

}  // namespace

class TestStripCli : public QObject {
    Q_OBJECT

  private slots:
    void initTestCase();
    void stripsInputBytes_data();
    void stripsInputBytes();
    void readsStandardInput();
    void writesOutputFile();
    void reportsUnreadableInput_data();
    void reportsUnreadableInput();
    void reportsUnwritableOutput();
    void rejectsBadUsage_data();
    void rejectsBadUsage();
    void decodes_data();
    void decodes();
    void helpDescribesBoth();

  private:
    QTemporaryDir dir_;
};

void TestStripCli::initTestCase() {
    QVERIFY(QFile::exists(QStringLiteral(QUILLO_BINARY_DIR "/quillo-cli")));
    QVERIFY(dir_.isValid());
}

void TestStripCli::stripsInputBytes_data() {
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QByteArray>("expected");
    QTest::newRow("Windows-1252")
        << QByteArray("<BODY>caf\xe9 \x93q\x94 \x80\x81!<BR>ok")
        << QByteArray("caf\xc3\xa9 \xe2\x80\x9cq\xe2\x80\x9d \xe2\x82\xac\xc2\x81!\r\nok");
    QTest::newRow("UTF-8") << QByteArray("<BODY>caf\xc3\xa9 \xe2\x82\xac &mdash; ok")
                           << QByteArray("caf\xc3\xa9 \xe2\x82\xac \xe2\x80\x94 ok");
    QTest::newRow("UTF-8 with byte order mark")
        << QByteArray("\xef\xbb\xbf<TITLE>\xc3\xa9t\xc3\xa9</TITLE>")
        << QByteArray("\xc3\xa9t\xc3\xa9\r\n\r\n");
    QTest::newRow("empty") << QByteArray() << QByteArray();
}

void TestStripCli::stripsInputBytes() {
    QFETCH(QByteArray, bytes);
    QFETCH(QByteArray, expected);
    const QString path = dir_.filePath(QStringLiteral("page.html"));
    QVERIFY(writeFile(path, bytes));
    const Run run = cli({QStringLiteral("strip"), path});
    QCOMPARE(run.err, QByteArray());
    QCOMPARE(run.exitCode, 0);
    QCOMPARE(run.out, expected);
}

void TestStripCli::readsStandardInput() {
    const Run run = cli({QStringLiteral("strip")}, QByteArray("<BODY>a &amp; b<P>c\xe9z"));
    QCOMPARE(run.exitCode, 0);
    QCOMPARE(run.out, QByteArray("a & b\r\n\r\nc\xc3\xa9z"));
    const Run dash = cli({QStringLiteral("strip"), QStringLiteral("-")}, QByteArray("<BODY>xyz"));
    QCOMPARE(dash.out, QByteArray("xyz"));
}

void TestStripCli::writesOutputFile() {
    const QString in = dir_.filePath(QStringLiteral("in.html"));
    const QString out = dir_.filePath(QStringLiteral("out.txt"));
    QVERIFY(writeFile(in, "<BODY>na\xefve<BR>end"));
    QVERIFY(writeFile(out, "an older and longer content"));
    const Run run = cli({QStringLiteral("strip"), QStringLiteral("-o"), out, in});
    QCOMPARE(run.exitCode, 0);
    QCOMPARE(run.out, QByteArray());
    QCOMPARE(run.err, QByteArray());
    QCOMPARE(readFile(out), QByteArray("na\xc3\xafve\r\nend\r\n"));
}

void TestStripCli::reportsUnreadableInput_data() {
    QTest::addColumn<QString>("path");
    QTest::newRow("missing") << dir_.filePath(QStringLiteral("no-such-page.html"));
    QTest::newRow("folder") << dir_.path();
}

void TestStripCli::reportsUnreadableInput() {
    QFETCH(QString, path);
    const QString out = dir_.filePath(QStringLiteral("never.txt"));
    const Run run = cli({QStringLiteral("strip"), QStringLiteral("-o"), out, path});
    QCOMPARE(run.exitCode, 1);
    QCOMPARE(run.out, QByteArray());
    QVERIFY2(run.err.contains(path.toLocal8Bit()), run.err.constData());
    QVERIFY(!QFile::exists(out));
}

void TestStripCli::reportsUnwritableOutput() {
    const QString in = dir_.filePath(QStringLiteral("ok.html"));
    QVERIFY(writeFile(in, "<BODY>text"));
    for (const QString& out : {dir_.filePath(QStringLiteral("missing/out.txt")), dir_.path()}) {
        const Run run = cli({QStringLiteral("strip"), QStringLiteral("-o"), out, in});
        QCOMPARE(run.exitCode, 1);
        QCOMPARE(run.out, QByteArray());
        QVERIFY2(run.err.contains(out.toLocal8Bit()), run.err.constData());
    }
    QVERIFY(QFileInfo(dir_.path()).isDir());
}

void TestStripCli::rejectsBadUsage_data() {
    QTest::addColumn<QStringList>("args");
    QTest::newRow("two files") << QStringList{QStringLiteral("strip"), QStringLiteral("a"),
                                              QStringLiteral("b")};
    QTest::newRow("unknown option") << QStringList{QStringLiteral("strip"), QStringLiteral("-x")};
    QTest::newRow("-o without a name")
        << QStringList{QStringLiteral("strip"), QStringLiteral("-o")};
    QTest::newRow("decode without a name") << QStringList{QStringLiteral("decode")};
    QTest::newRow("decode with two names")
        << QStringList{QStringLiteral("decode"), QStringLiteral("a"), QStringLiteral("b")};
}

void TestStripCli::rejectsBadUsage() {
    QFETCH(QStringList, args);
    const Run run = cli(args);
    QCOMPARE(run.exitCode, 2);
    QCOMPARE(run.out, QByteArray());
    QVERIFY(!run.err.isEmpty());
}

void TestStripCli::decodes_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<QByteArray>("expected");
    QTest::newRow("eacute") << QStringLiteral("eacute") << QByteArray("\xc3\xa9");
    QTest::newRow("Dagger") << QStringLiteral("Dagger") << QByteArray("\xe2\x80\xa1");
    QTest::newRow("#x1F600") << QStringLiteral("#x1F600") << QByteArray("\xf0\x9f\x98\x80");
    QTest::newRow("#150") << QStringLiteral("#150") << QByteArray("\xe2\x80\x93");
    QTest::newRow("unknown") << QStringLiteral("zzz") << QByteArray();
    QTest::newRow("empty") << QString() << QByteArray();
}

void TestStripCli::decodes() {
    QFETCH(QString, name);
    QFETCH(QByteArray, expected);
    const Run run = cli({QStringLiteral("decode"), name});
    QCOMPARE(run.exitCode, 0);
    QCOMPARE(run.out, expected);
    QCOMPARE(run.err, QByteArray());
}

void TestStripCli::helpDescribesBoth() {
    const Run run = cli({QStringLiteral("--help")});
    QCOMPARE(run.exitCode, 0);
    QVERIFY(run.out.contains("strip [-o OUT] [FILE]"));
    QVERIFY(run.out.contains("decode NAME"));
}

QTEST_GUILESS_MAIN(TestStripCli)
#include "tst_stripcli.moc"
