// SPDX-License-Identifier: GPL-3.0-or-later
// Edit HTML without a web view, against a local web server: the page fetched into a new
// document, and every way a fetch can fail (refused, too large, too slow, redirected in a loop
// or away) leaving the new document empty with the reason in the status bar.
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

#include "LocalHttpServer.h"
#include "TestEnvironment.h"
#include "TestHelpers.h"
#include "app/frmMain.h"
#include "browser/engine/EditHtml.h"
#include "browser/engine/PageFetcher.h"
#include "document/RichTextBox.h"
#include "document/frmDocument.h"

class EditHtmlTest : public WindowTest {
    Q_OBJECT

    LocalHttpServer server;

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
        server.page(
            "/site/index.html",
            "<html><head><title>Site</title></head><body>caf\xC3\xA9 \xE2\x82\xAC</body></html>");
        server.page("/big.html", QByteArray(4000, 'x'));
        server.page("/streamed.html", QByteArray(4000, 'y'), QByteArray(), false);
        server.hold("/slow.html");
        server.redirect("/moved.html", "/site/index.html");
        server.redirect("/loop.html", "/loop.html");
        server.redirect("/tofile.html", "file:///etc/hostname");
    }

    void init() {
        WindowTest::init();
        EditHtml::defaultLimits() = PageFetcher::Limits();
    }

    // The proposal for a folder address; the page, here after a redirect, decoded into a new
    // document titled after it.
    void editHtmlFetchesThePage() {
        frmDocument* document = editHtml(server.url("/site/"), "Site", server.url("/moved.html"));
        QVERIFY(document);
        QCOMPARE(env->dialogs.fileRequests.constFirst().fileName, server.url("/site/index.html"));
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
            text->replace("%server%", server.url(QString()));
            text->replace("%closed%", QString::number(closedPort));
            text->replace("%folder%", folder.path());
        }
        EditHtml::defaultLimits().maxBytes = row[1].toLongLong();
        EditHtml::defaultLimits().timeoutMs = row[2].toInt();

        frmDocument* document = editHtml(server.url("/page.html"), QStringLiteral("Page"), answer);
        QVERIFY(document);
        QVERIFY(document->txtText->Text().isEmpty());
        QVERIFY(document->Caption().startsWith(QStringLiteral("Document ")));
        QVERIFY2(main->statusText().startsWith(status), qPrintable(main->statusText()));
        QVERIFY(env->dialogs.messages.isEmpty());
    }
};

QTEST_MAIN(EditHtmlTest)
#include "tst_edithtml.moc"
