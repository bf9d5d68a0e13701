// SPDX-License-Identifier: GPL-3.0-or-later
// Edit HTML without a web view, against a local web server (the desktop scenarios' own): the
// page fetched into a new document, and every way a fetch can fail (refused, too large, too
// slow, redirected in a loop or away) leaving the new document empty with the reason in the
// status bar.
#include <QProcess>
#include <QSignalSpy>
#include <QTcpServer>
#include <QTemporaryDir>
#include <QtTest>

#include "TestEnvironment.h"
#include "TestHelpers.h"
#include "app/frmMain.h"
#include "browser/engine/EditHtml.h"
#include "browser/engine/PageFetcher.h"
#include "document/RichTextBox.h"
#include "document/frmDocument.h"

class EditHtmlTest : public WindowTest {
    Q_OBJECT

    QProcess server;
    QString site;
    QString url(const QString& path) const { return site + path; }

    // Runs Edit HTML for `address` with the dialog answering `answer`; returns the new document
    // once the command is over.
    frmDocument* editHtml(const QString& address, const QString& title, const QString& answer) {
        env->dialogs.fileAnswers.enqueue(answer);
        const int before = main->ChildForms().size();
        EditHtml* command = EditHtml::Run(main, address, title);
        if (main->ChildForms().size() != before + 1) return nullptr;
        frmDocument* document = main->ActiveDocument();
        if (command) {
            QSignalSpy done(command, &EditHtml::done);
            if (!done.wait(10000)) return nullptr;
        }
        return document;
    }

  private slots:
    void initTestCase() {
        // Its pages (tests/data/pages/edit-html-server.json): /slow.html is held back longer
        // than any fetch here waits, /streamed.html comes without a length.
        server.start("python3", {QStringLiteral(QUILLO_TEST_DATA "/../desktop/desktop.py"),
                                 QStringLiteral(QUILLO_TEST_DATA "/pages/edit-html-server.json")});
        QVERIFY(server.waitForReadyRead(10000));
        site = QString::fromUtf8(server.readLine()).trimmed();
    }
    void cleanupTestCase() {
        server.closeWriteChannel();
        server.waitForFinished();
    }

    void init() {
        WindowTest::init();
        EditHtml::defaultLimits() = PageFetcher::Limits();
    }

    // The proposal for a folder address; the page, here after a redirect, decoded into a new
    // document titled after it.
    void editHtmlFetchesThePage() {
        frmDocument* document = editHtml(url("/site/"), "Site", url("/moved.html"));
        QVERIFY(document);
        QCOMPARE(env->dialogs.fileRequests.constFirst().fileName, url("/site/index.html"));
        QCOMPARE(document->txtText->Text(), QStringLiteral("<html><head><title>Site</title></head>"
                                                           "<body>caf\u00E9 \u20AC</body></html>"));
        QCOMPARE(document->Caption(), QStringLiteral("Site"));
        QCOMPARE(document->Tag(), QStringLiteral("SAVE"));
    }

    void editHtmlFailures_data() { addCaseRows(QStringLiteral("pages/fetch-failures.tsv"), 4); }
    void editHtmlFailures() {
        QFETCH(QStringList, row);
        QString answer = row[0], status = row[3];
        quint16 closedPort = 0;
        {
            QTcpServer probe;
            QVERIFY(probe.listen(QHostAddress::LocalHost));
            closedPort = probe.serverPort();
        }
        QTemporaryDir folder;
        for (QString* text : {&answer, &status}) {
            text->replace("%server%", url(QString()));
            text->replace("%closed%", QString::number(closedPort));
            text->replace("%folder%", folder.path());
        }
        EditHtml::defaultLimits().maxBytes = row[1].toLongLong();
        EditHtml::defaultLimits().timeoutMs = row[2].toInt();

        frmDocument* document = editHtml(url("/page.html"), QStringLiteral("Page"), answer);
        QVERIFY(document);
        QVERIFY(document->txtText->Text().isEmpty());
        QVERIFY(document->Caption().startsWith(QStringLiteral("Document ")));
        QVERIFY2(main->statusText().startsWith(status), qPrintable(main->statusText()));
        QVERIFY(env->dialogs.messages.isEmpty());
    }
};

QTEST_MAIN(EditHtmlTest)
#include "tst_edithtml.moc"
