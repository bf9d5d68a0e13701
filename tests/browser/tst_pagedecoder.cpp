// SPDX-License-Identifier: GPL-3.0-or-later
// What Edit HTML works from: the file name it proposes for an address, this version's page on
// the site, and how a fetched page's bytes are read (tests/data/pages/decoding.tsv).
#include <QtTest>

#include "TestHelpers.h"
#include "browser/EditHtml.h"
#include "browser/core/BrowserAddresses.h"
#include "browser/core/PageDecoder.h"

class PageDecoderTest : public QObject {
    Q_OBJECT

  private slots:
    void addresses() {
        const QStringList cases[] = {{"http://h/site/", "http://h/site/index.html"},
                                     {"http://h/a/page.html", "http://h/a/page.html"},
                                     {"http://h/PAGE.HTM", "http://h/PAGE.HTM"},
                                     {"http://h/cgi/control", "http://h/cgi/control"},
                                     {"http://h/page.php", "http://h/page.php/index.html"}};
        for (const QStringList& c : cases) QCOMPARE(ProposedFileName(c[0]), c[1]);
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
