#include <QTest>
#include <QTextCursor>
#include <QTextDocument>

#include "TestHelpers.h"
#include "document/core/TextFileCodec.h"

using Encoding = TextFileFormat::Encoding;
using LineEnding = TextFileFormat::LineEnding;

Q_DECLARE_METATYPE(Encoding)
Q_DECLARE_METATYPE(LineEnding)

class TestTextFileCodec : public QObject {
    Q_OBJECT

  private slots:
    void unchangedFileSavesByteForByte_data();
    void unchangedFileSavesByteForByte();
    void detection_data();
    void detection();
    void editedMixedFileUsesDominantEnding();
    void newDocumentsAreUtf8WithLf();
    void unrepresentableCharactersFallBackToUtf8();
    void loneSurrogatesNeverBecomeQuestionMarks();
    void looksBinary_data();
    void looksBinary();
    void lossyDecodesAreFlagged_data();
    void lossyDecodesAreFlagged();
    void plainTextOfDocument();
};

// Every sample file (one per encoding, byte order mark and line-ending style) decodes without
// loss and saves back byte for byte, directly and through an editor document.
void TestTextFileCodec::unchangedFileSavesByteForByte_data() {
    QTest::addColumn<QByteArray>("file");
    const QStringList samples = testCases(QStringLiteral("text"), QStringLiteral("*"));
    QVERIFY(samples.size() > 20);
    for (const QString& sample : samples)
        QTest::newRow(qPrintable(QFileInfo(sample).fileName())) << readBytes(sample);
}

void TestTextFileCodec::unchangedFileSavesByteForByte() {
    QFETCH(QByteArray, file);
    const DecodedText decoded = TextFileCodec::decode(file);
    QVERIFY(!decoded.lossy);
    QVERIFY(!decoded.text.contains(QLatin1Char('\r')));
    const EncodedText direct = TextFileCodec::encode(decoded.text, decoded.format);
    QVERIFY(!direct.fellBackToUtf8);
    QCOMPARE(direct.bytes, file);

    // The road through the editor: into a document and out again.
    QTextDocument doc;
    doc.setPlainText(decoded.text);
    QCOMPARE(TextFileCodec::encode(TextFileCodec::plainText(doc), decoded.format).bytes, file);
}

void TestTextFileCodec::detection_data() {
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<Encoding>("encoding");
    QTest::addColumn<bool>("bom");
    QTest::addColumn<LineEnding>("ending");
    QTest::addColumn<QString>("text");

    QTest::newRow("ascii is utf-8")
        << QByteArray("abc") << Encoding::Utf8 << false << LineEnding::LF << "abc";
    QTest::newRow("utf-8") << QByteArray("caf\xC3\xA9\r\n") << Encoding::Utf8 << false
                           << LineEnding::CRLF << QString::fromUtf8("café\n");
    QTest::newRow("utf-8 bom") << QByteArray("\xEF\xBB\xBFx\ry") << Encoding::Utf8 << true
                               << LineEnding::CR << "x\ny";
    QTest::newRow("utf-16 le") << QByteArray("\xFF\xFEh\0i\0", 6) << Encoding::Utf16LE << true
                               << LineEnding::LF << "hi";
    QTest::newRow("utf-16 be") << QByteArray("\xFE\xFF\0h\0i", 6) << Encoding::Utf16BE << true
                               << LineEnding::LF << "hi";
    QTest::newRow("latin-1 byte is windows-1252")
        << QByteArray("caf\xE9") << Encoding::Windows1252 << false << LineEnding::LF
        << QString::fromUtf8("café");
    QTest::newRow("windows-1252 specials")
        << QByteArray("\x80\x93\x94\x81") << Encoding::Windows1252 << false << LineEnding::LF
        << QString::fromUtf8("€“”\u0081");
    QTest::newRow("overlong utf-8") << QByteArray("\xC0\xAF") << Encoding::Windows1252 << false
                                    << LineEnding::LF << QString::fromUtf8("À¯");
    QTest::newRow("utf-8 surrogate") << QByteArray("\xED\xA0\x80") << Encoding::Windows1252 << false
                                     << LineEnding::LF << QString::fromUtf8("í\u00A0€");
    QTest::newRow("beyond U+10FFFF") << QByteArray("\xF4\x90\x80\x80") << Encoding::Windows1252
                                     << false << LineEnding::LF << QString::fromUtf8("ô\u0090€€");
    QTest::newRow("truncated utf-8") << QByteArray("ab\xE2\x82") << Encoding::Windows1252 << false
                                     << LineEnding::LF << QString::fromUtf8("abâ‚");
    QTest::newRow("dominant ending wins") << QByteArray("a\nb\r\nc\r\nd") << Encoding::Utf8 << false
                                          << LineEnding::CRLF << "a\nb\nc\nd";
    QTest::newRow("first ending wins a tie")
        << QByteArray("a\rb\nc") << Encoding::Utf8 << false << LineEnding::CR << "a\nb\nc";
}

void TestTextFileCodec::detection() {
    QFETCH(QByteArray, file);
    QFETCH(Encoding, encoding);
    QFETCH(bool, bom);
    QFETCH(LineEnding, ending);
    QFETCH(QString, text);
    const DecodedText decoded = TextFileCodec::decode(file);
    QCOMPARE(decoded.format.encoding, encoding);
    QCOMPARE(decoded.format.bom, bom);
    QCOMPARE(decoded.format.lineEnding, ending);
    QCOMPARE(decoded.text, text);
}

void TestTextFileCodec::editedMixedFileUsesDominantEnding() {
    const DecodedText decoded = TextFileCodec::decode("a\r\nb\r\nc\nd");
    QCOMPARE(decoded.format.lineEnding, LineEnding::CRLF);
    QVERIFY(!decoded.format.mixedLineEndings.isEmpty());
    // Same number of lines: each break keeps its own ending.
    QCOMPARE(TextFileCodec::encode(QStringLiteral("A\nB\nC\nD"), decoded.format).bytes,
             QByteArray("A\r\nB\r\nC\nD"));
    // A line more: the endings can no longer be matched to lines, all become the dominant one,
    // and from then on the file has one style.
    const EncodedText edited =
        TextFileCodec::encode(QStringLiteral("a\nb\nnew\nc\nd"), decoded.format);
    QCOMPARE(edited.bytes, QByteArray("a\r\nb\r\nnew\r\nc\r\nd"));
    QVERIFY(edited.format.mixedLineEndings.isEmpty());
    QCOMPARE(TextFileCodec::encode(QStringLiteral("a\nb\nc\nd"), edited.format).bytes,
             QByteArray("a\r\nb\r\nc\r\nd"));
    // A file with one style records no list.
    QVERIFY(TextFileCodec::decode("a\r\nb\r\n").format.mixedLineEndings.isEmpty());
}

void TestTextFileCodec::newDocumentsAreUtf8WithLf() {
    const TextFileFormat format;
    QCOMPARE(format.encoding, Encoding::Utf8);
    QVERIFY(!format.bom);
    QCOMPARE(format.lineEnding, LineEnding::LF);
    const EncodedText out = TextFileCodec::encode(QString::fromUtf8("é\nx\r\ny"), format);
    QCOMPARE(out.bytes, QByteArray("\xC3\xA9\nx\ny"));
    QCOMPARE(out.format.encodingName(), QStringLiteral("UTF-8"));
}

void TestTextFileCodec::unrepresentableCharactersFallBackToUtf8() {
    const DecodedText decoded = TextFileCodec::decode("caf\xE9\r\n");
    QCOMPARE(decoded.format.encoding, Encoding::Windows1252);

    // Characters Windows-1252 has: it stays.
    const EncodedText euro = TextFileCodec::encode(QString::fromUtf8("€ café\n"), decoded.format);
    QVERIFY(!euro.fellBackToUtf8);
    QCOMPARE(euro.bytes, QByteArray("\x80 caf\xE9\r\n"));

    // Characters it lacks: UTF-8, with the line endings kept and no "?" anywhere.
    const EncodedText omega = TextFileCodec::encode(QString::fromUtf8("Ω café\n"), decoded.format);
    QVERIFY(omega.fellBackToUtf8);
    QCOMPARE(omega.format.encoding, Encoding::Utf8);
    QVERIFY(!omega.format.bom);
    QCOMPARE(omega.format.lineEnding, LineEnding::CRLF);
    QCOMPARE(omega.bytes, QString::fromUtf8("Ω café\r\n").toUtf8());
    QVERIFY(!omega.bytes.contains('?'));

    // UTF-16 holds everything.
    TextFileFormat utf16;
    utf16.encoding = Encoding::Utf16LE;
    utf16.bom = true;
    QVERIFY(!TextFileCodec::encode(QString::fromUtf8("Ω 😀"), utf16).fellBackToUtf8);
}

void TestTextFileCodec::loneSurrogatesNeverBecomeQuestionMarks() {
    const QString text = QStringLiteral("a") + QChar(0xD800) + QStringLiteral("b");
    const EncodedText out = TextFileCodec::encode(text, TextFileFormat());
    QCOMPARE(out.bytes, QByteArray("a\xEF\xBF\xBD"
                                   "b"));
}

void TestTextFileCodec::looksBinary_data() {
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<bool>("binary");
    QTest::newRow("text") << QByteArray("ordinary text\r\n\twith tabs\f\n") << false;
    QTest::newRow("one nul") << QByteArray("text with a \0 nul", 17) << true;
    QTest::newRow("nul in utf-16") << QByteArray(
                                          "\xFF\xFE"
                                          "a\0\0\0",
                                          6)
                                   << true;
    QTest::newRow("utf-16 text has zero bytes but no nul") << QByteArray(
                                                                  "\xFF\xFE"
                                                                  "a\0b\0",
                                                                  6)
                                                           << false;
    QTest::newRow("many controls") << QByteArray("\x01\x02\x03\x04 abc\x05\x06\x07") << true;
    QTest::newRow("an escape in a long text")
        << QByteArray(
               "colour: \x1B[1m bold \x1B[0m and a long line of ordinary words around it,"
               " enough of them to count for much more than the escapes do.")
        << false;
    QTest::newRow("executable header") << QByteArray(
                                              "\x7F"
                                              "ELF\x02\x01\x01\0\0\0",
                                              10)
                                       << true;
    QTest::newRow("empty") << QByteArray() << false;
}

void TestTextFileCodec::looksBinary() {
    QFETCH(QByteArray, file);
    QFETCH(bool, binary);
    QCOMPARE(TextFileCodec::decode(file).looksBinary, binary);
}

void TestTextFileCodec::lossyDecodesAreFlagged_data() {
    QTest::addColumn<QByteArray>("file");
    QTest::newRow("damaged utf-8 after a bom") << QByteArray(
        "\xEF\xBB\xBF"
        "ok \xFF");
    QTest::newRow("odd utf-16 length") << QByteArray(
        "\xFF\xFE"
        "a\0b",
        5);
    QTest::newRow("line separator") << QString::fromUtf8("a\u2028b").toUtf8();
    QTest::newRow("paragraph separator") << QString::fromUtf8("a\u2029b").toUtf8();
}

void TestTextFileCodec::lossyDecodesAreFlagged() {
    QFETCH(QByteArray, file);
    const DecodedText decoded = TextFileCodec::decode(file);
    QVERIFY(decoded.lossy);
    QVERIFY(!decoded.text.isEmpty());
}

void TestTextFileCodec::plainTextOfDocument() {
    QTextDocument doc;
    doc.setPlainText(QString::fromUtf8("one\u00A0space\ntwo"));
    QTextCursor c(&doc);
    c.movePosition(QTextCursor::End);
    c.insertText(QString(QChar::LineSeparator) + QStringLiteral("soft"));
    c.insertImage(QStringLiteral("picture.png"));
    QCOMPARE(TextFileCodec::plainText(doc), QString::fromUtf8("one\u00A0space\ntwo\nsoft"));
    doc.clear();
    QCOMPARE(TextFileCodec::plainText(doc), QString());
}

QTEST_MAIN(TestTextFileCodec)
#include "tst_textfilecodec.moc"
