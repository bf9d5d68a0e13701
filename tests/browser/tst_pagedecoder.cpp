// SPDX-License-Identifier: GPL-3.0-or-later
// What Edit HTML works from: the file name it proposes for an address
// (tests/data/pages/proposed-names.tsv), this version's page on the site, and how a fetched
// page's bytes are read (tests/data/pages/decoding.tsv).
#include <QtTest>

#include "TestHelpers.h"
#include "browser/core/BrowserAddresses.h"
#include "browser/core/PageDecoder.h"

class PageDecoderTest : public QObject {
    Q_OBJECT

  private slots:
    void addresses_data() { addCaseRows(QStringLiteral("pages/proposed-names.tsv"), 3); }
    void addresses() {
        QFETCH(QStringList, row);
        QCOMPARE(ProposedFileName(row[0]), row[1]);
    }
    void versionPage() {
        QCOMPARE(BrowserAddresses::versionPage("http://h/quillo/", 1, 1),
                 QStringLiteral("http://h/quillo/11.htm"));
        QCOMPARE(BrowserAddresses::versionPage("http://h/q", 2, 10),
                 QStringLiteral("http://h/q/210.htm"));
    }

    void decoding_data() { addCaseRows(QStringLiteral("pages/decoding.tsv"), 5); }
    void decoding() {
        QFETCH(QStringList, row);
        QByteArray used;
        QCOMPARE(PageDecoder::decode(unescapeBytes(row[0].toUtf8()), row[1].toUtf8(), &used),
                 unescapeText(row[2]));
        QCOMPARE(used, row[3].toUtf8());
        // A meta past the first 1024 bytes is not looked for.
        const QByteArray late = QByteArray(1100, ' ') + "<meta charset=koi8-r>\xC3\xA9";
        QCOMPARE(PageDecoder::decode(late, QByteArray(), &used),
                 QString(1100, u' ') + QStringLiteral("<meta charset=koi8-r>\u00E9"));
    }
};

QTEST_GUILESS_MAIN(PageDecoderTest)
#include "tst_pagedecoder.moc"
