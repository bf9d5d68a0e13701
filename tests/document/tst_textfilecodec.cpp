// Plain-text files: encoding, byte order mark and line endings found and kept byte for byte,
// the fall-back to UTF-8, binary and lossy files. Samples: tests/data/text, one file per style,
// with the style each is read as in tests/data/codec/formats.tsv.
#include <QTest>
#include <QTextCursor>
#include <QTextDocument>

#include "TestHelpers.h"
#include "document/core/TextFileCodec.h"

namespace {

// "UTF-8 BOM CRLF" and the like.
QString describe(const TextFileFormat& format) {
    static const char* const kEncodings[] = {"UTF-8", "UTF-16LE", "UTF-16BE", "Windows-1252"};
    static const char* const kEndings[] = {"LF", "CRLF", "CR"};
    return QStringLiteral("%1%2 %3").arg(QLatin1String(kEncodings[int(format.encoding)]),
                                         format.bom ? QStringLiteral(" BOM") : QString(),
                                         QLatin1String(kEndings[int(format.lineEnding)]));
}

}  // namespace

class TestTextFileCodec : public QObject {
    Q_OBJECT

  private slots:
    void samplesKeepTheirBytes_data() {
        QTest::addColumn<QString>("sample");
        QTest::addColumn<QString>("format");
        for (const QByteArray& line :
             readBytes(QStringLiteral(QUILLO_TEST_DATA "/codec/formats.tsv")).split('\n')) {
            const QList<QByteArray> fields = line.split('\t');
            if (fields.size() == 2)
                QTest::newRow(fields[0].constData())
                    << QString::fromUtf8(fields[0]) << QString::fromUtf8(fields[1]);
        }
    }
    void samplesKeepTheirBytes() {
        QFETCH(QString, sample);
        QFETCH(QString, format);
        const QByteArray file = readBytes(QStringLiteral(QUILLO_TEST_DATA "/text/") + sample);
        const DecodedText decoded = TextFileCodec::decode(file);
        QCOMPARE(describe(decoded.format), format);
        QVERIFY(!decoded.lossy);
        QVERIFY(!decoded.looksBinary);
        QVERIFY(!decoded.text.contains(QLatin1Char('\r')));
        const EncodedText direct = TextFileCodec::encode(decoded.text, decoded.format);
        QVERIFY(!direct.fellBackToUtf8);
        QCOMPARE(direct.bytes, file);
    }

    // QUILLO_UPDATE_GOLDEN=1 lists the samples afresh with the style each is read as; review the
    // difference before committing it.
    void everySampleIsListed() {
        if (qEnvironmentVariableIsSet("QUILLO_UPDATE_GOLDEN")) {
            QByteArray table;
            for (const QString& path : testCases(QStringLiteral("text"), QStringLiteral("*")))
                table += (QFileInfo(path).fileName() + u'\t' +
                          describe(TextFileCodec::decode(readBytes(path)).format) + u'\n')
                             .toUtf8();
            QVERIFY(writeBytes(QStringLiteral(QUILLO_TEST_DATA "/codec/formats.tsv"), table));
        }
        QStringList listed;
        for (const QByteArray& line :
             readBytes(QStringLiteral(QUILLO_TEST_DATA "/codec/formats.tsv")).split('\n'))
            if (line.contains('\t')) listed << QString::fromUtf8(line.split('\t')[0]);
        QStringList samples;
        for (const QString& path : testCases(QStringLiteral("text"), QStringLiteral("*")))
            samples << QFileInfo(path).fileName();
        QCOMPARE(listed, samples);
    }

    void decodes_data() {
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<QString>("text");
        QTest::newRow("utf-8") << QByteArray("caf\xC3\xA9\r\n") << QStringLiteral("caf\u00e9\n");
        QTest::newRow("windows-1252") << QByteArray("\x80\x93\x94\x81 caf\xE9")
                                      << QStringLiteral("\u20ac\u201c\u201d\u0081 caf\u00e9");
        QTest::newRow("overlong utf-8 is windows-1252")
            << QByteArray("\xC0\xAF") << QStringLiteral("\u00c0\u00af");
        QTest::newRow("encoded surrogate is windows-1252")
            << QByteArray("\xED\xBF\xBF") << QStringLiteral("\u00ed\u00bf\u00bf");
        QTest::newRow("utf-16 be") << QByteArray("\xFE\xFF\0h\0i", 6) << QStringLiteral("hi");
        QTest::newRow("mixed endings") << QByteArray("a\rb\nc\r\n") << QStringLiteral("a\nb\nc\n");
    }
    void decodes() {
        QFETCH(QByteArray, file);
        QFETCH(QString, text);
        QCOMPARE(TextFileCodec::decode(file).text, text);
    }

    void editedMixedFileUsesDominantEnding() {
        const DecodedText decoded = TextFileCodec::decode("a\r\nb\r\nc\nd");
        QCOMPARE(decoded.format.lineEnding, TextFileFormat::LineEnding::CRLF);
        QVERIFY(!decoded.format.mixedLineEndings.isEmpty());
        // Same number of lines: each break keeps its own ending.
        QCOMPARE(TextFileCodec::encode(QStringLiteral("A\nB\nC\nD"), decoded.format).bytes,
                 QByteArray("A\r\nB\r\nC\nD"));
        // A line more: the endings can no longer be matched to lines, all become the dominant
        // one, and from then on the file has one style.
        const EncodedText edited =
            TextFileCodec::encode(QStringLiteral("a\nb\nnew\nc\nd"), decoded.format);
        QCOMPARE(edited.bytes, QByteArray("a\r\nb\r\nnew\r\nc\r\nd"));
        QVERIFY(edited.format.mixedLineEndings.isEmpty());
        QVERIFY(TextFileCodec::decode("a\r\nb\r\n").format.mixedLineEndings.isEmpty());
        // A tie goes to the first ending.
        QCOMPARE(TextFileCodec::decode("a\rb\nc").format.lineEnding,
                 TextFileFormat::LineEnding::CR);
    }

    // New documents are UTF-8 with LF; characters Windows-1252 lacks make the file UTF-8 with its
    // line endings kept, never "?".
    void newAndUnrepresentableTextIsUtf8() {
        const EncodedText fresh = TextFileCodec::encode(
            QStringLiteral("\u00e9\nx\r\ny") + QChar(0xD800), TextFileFormat());
        QCOMPARE(fresh.bytes, QByteArray("\xC3\xA9\nx\ny\xEF\xBF\xBD"));
        QCOMPARE(fresh.format.encodingName(), QStringLiteral("UTF-8"));

        const TextFileFormat legacy = TextFileCodec::decode("caf\xE9\r\n").format;
        const EncodedText euro =
            TextFileCodec::encode(QStringLiteral("\u20ac caf\u00e9\n"), legacy);
        QVERIFY(!euro.fellBackToUtf8);
        QCOMPARE(euro.bytes, QByteArray("\x80 caf\xE9\r\n"));
        const EncodedText omega =
            TextFileCodec::encode(QStringLiteral("\u03a9 caf\u00e9\n"), legacy);
        QVERIFY(omega.fellBackToUtf8);
        QCOMPARE(describe(omega.format), QStringLiteral("UTF-8 CRLF"));
        QCOMPARE(omega.bytes, QStringLiteral("\u03a9 caf\u00e9\r\n").toUtf8());

        TextFileFormat utf16;
        utf16.encoding = TextFileFormat::Encoding::Utf16LE;
        QVERIFY(!TextFileCodec::encode(QStringLiteral("\u03a9 \U0001F600"), utf16).fellBackToUtf8);
    }

    void binaryAndLossyFilesAreFlagged() {
        for (const QByteArray& binary : {QByteArray("text with a \0 nul", 17),
                                         QByteArray("\xFF\xFE"
                                                    "a\0\0\0",
                                                    6),
                                         QByteArray("\x01\x02\x03\x04 abc\x05\x06\x07"),
                                         QByteArray("\x7F"
                                                    "ELF\x02\x01\x01\0\0\0",
                                                    10)})
            QVERIFY2(TextFileCodec::decode(binary).looksBinary, binary.toHex().constData());
        const QByteArray escapes =
            "colour: \x1B[1m bold \x1B[0m and a long line of ordinary words around it,"
            " enough of them to count for much more than the escapes do.";
        QVERIFY(!TextFileCodec::decode(escapes).looksBinary);
        for (const QByteArray& lossy :
             {QByteArray("\xEF\xBB\xBF"
                         "ok \xFF"),
              QByteArray("\xFF\xFE"
                         "a\0b",
                         5),
              QStringLiteral("a\u2028b").toUtf8(), QStringLiteral("a\u2029b").toUtf8()}) {
            const DecodedText decoded = TextFileCodec::decode(lossy);
            QVERIFY2(decoded.lossy && !decoded.text.isEmpty(), lossy.toHex().constData());
        }
    }

    void plainTextOfDocument() {
        QTextDocument doc;
        doc.setPlainText(QStringLiteral("one\u00A0space\ntwo"));
        QTextCursor c(&doc);
        c.movePosition(QTextCursor::End);
        c.insertText(QString(QChar::LineSeparator) + QStringLiteral("soft"));
        c.insertImage(QStringLiteral("picture.png"));
        QCOMPARE(TextFileCodec::plainText(doc), QStringLiteral("one\u00A0space\ntwo\nsoft"));
        doc.clear();
        QCOMPARE(TextFileCodec::plainText(doc), QString());
    }
};

QTEST_MAIN(TestTextFileCodec)
#include "tst_textfilecodec.moc"
