// SPDX-License-Identifier: GPL-3.0-or-later
// Plain-text files: encoding, byte order mark and line endings found and kept byte for byte,
// the fall-back to UTF-8, binary and lossy files. Samples: tests/data/text, one file per style,
// with the style each is read as in tests/data/codec/formats.tsv; what a text is saved as in a
// file's style, tests/data/codec/encoding.tsv.
#include <QTest>

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
    // Every sample, in the table or not, is read as the style listed for it and written back
    // byte for byte. QUILLO_UPDATE_GOLDEN=1 lists the samples afresh; review the difference
    // before committing it.
    void samplesKeepTheirBytes_data() {
        QTest::addColumn<QString>("sample");
        QTest::addColumn<QString>("format");
        QHash<QString, QString> listed;
        for (const QStringList& row : caseTable(QStringLiteral("codec/formats.tsv")))
            listed.insert(row[0], row.value(1));
        QByteArray table;
        for (const QString& path : testCases(QStringLiteral("text"), QStringLiteral("*"))) {
            const QString name = QFileInfo(path).fileName();
            QTest::newRow(qPrintable(name)) << path << listed.value(name, "not listed");
            table +=
                (name + u'\t' + describe(TextFileCodec::decode(readBytes(path)).format) + u'\n')
                    .toUtf8();
        }
        if (qEnvironmentVariableIsSet("QUILLO_UPDATE_GOLDEN"))
            QVERIFY(writeBytes(QStringLiteral(QUILLO_TEST_DATA "/codec/formats.tsv"), table));
    }
    void samplesKeepTheirBytes() {
        QFETCH(QString, sample);
        QFETCH(QString, format);
        const QByteArray file = readBytes(sample);
        const DecodedText decoded = TextFileCodec::decode(file);
        QCOMPARE(describe(decoded.format), format);
        QVERIFY(!decoded.lossy && !decoded.looksBinary && !decoded.text.contains(u'\r'));
        // The editor reads it one byte a character where it can, as the same text.
        const DecodedText compact = TextFileCodec::decodeCompact(file);
        QCOMPARE(describe(compact.format), format);
        QCOMPARE(compact.text.isEmpty() ? QString::fromLatin1(compact.latin1) : compact.text,
                 decoded.text);
        const EncodedText direct = TextFileCodec::encode(decoded.text, decoded.format);
        QVERIFY(!direct.fellBackToUtf8);
        QCOMPARE(direct.bytes, file);

        // Made in pieces, also with a CR LF or a surrogate pair where a piece ends, and from
        // runs of a Latin-1 text (whole pieces, or shorter as a gap in the text cuts them), the
        // bytes are the same.
        if (!TextFileCodec::PieceEncoder::inPieces(decoded.format)) return;
        for (const QString& text :
             {decoded.text + QStringLiteral("\r\n\U0001F600\r\r\n\U0001F600"),
              decoded.text + QStringLiteral("\u00e9\r\nplain text after a CR LF\n"),
              decoded.text + QStringLiteral("\r\nplain text after a CR LF\n")}) {
            const QByteArray whole = TextFileCodec::encode(text, decoded.format).bytes;
            const QByteArray latin1 = text.toLatin1();
            TextFileCodec::PieceEncoder::ReadLatin1 runs;
            if (QtPrivate::isLatin1(text)) {
                runs = [&](qsizetype at, qsizetype count) {
                    return QByteArrayView(latin1).sliced(
                        at, std::min<qsizetype>(count, 3 + at % 2 * 99));
                };
            }
            for (qsizetype size : {2, 3, 5, 4096}) {
                TextFileCodec::PieceEncoder pieces(
                    [&](qsizetype at, qsizetype count) { return text.mid(at, count); }, text.size(),
                    decoded.format, size, runs);
                QByteArray joined;
                for (QByteArrayView piece = pieces.next(); !piece.isEmpty(); piece = pieces.next())
                    joined += piece;
                QCOMPARE(joined, whole);
            }
        }
    }

    // What bytes are read as, and which are taken for binary or cannot be kept as read.
    void decodes_data() { addCaseRows(QStringLiteral("codec/decoding.tsv"), 4); }
    void decodes() {
        QFETCH(QStringList, row);
        const DecodedText decoded = TextFileCodec::decode(unescapeBytes(row[0].toUtf8()));
        if (row[1] != u'*') QCOMPARE(decoded.text, unescapeText(row[1]));
        if (row[2] == QLatin1String("binary")) QVERIFY(decoded.looksBinary);
        if (row[2] == QLatin1String("text")) QVERIFY(!decoded.looksBinary);
        QCOMPARE(decoded.lossy, row[2] == QLatin1String("lossy"));
        QCOMPARE(decoded.changes.isEmpty(), !decoded.lossy);
    }

    // What a text is saved as in the format of the file it was read from.
    void encodes_data() { addCaseRows(QStringLiteral("codec/encoding.tsv"), 5); }
    void encodes() {
        QFETCH(QStringList, row);
        const TextFileFormat read =
            row[0] == u'-' ? TextFileFormat()
                           : TextFileCodec::decode(unescapeBytes(row[0].toUtf8())).format;
        const EncodedText saved = TextFileCodec::encode(unescapeText(row[1]), read);
        QCOMPARE(saved.bytes, unescapeBytes(row[2].toUtf8()));
        QCOMPARE(describe(saved.format) +
                     (saved.format.mixedLineEndings.isEmpty() ? "" : " mixed") +
                     (saved.fellBackToUtf8 ? ", fell back" : ""),
                 row[3]);
    }
};

QTEST_MAIN(TestTextFileCodec)
#include "tst_textfilecodec.moc"
