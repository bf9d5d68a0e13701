// SPDX-License-Identifier: GPL-3.0-or-later
// Browser windows with the real web view, served by a local server: the load steps, captions and
// status texts, the address box, Stop, the version-check redirect, Edit HTML from the toolbar,
// the resize rule, and the web page preview. Page loads are kept few: each costs the web engine.
#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QSaveFile>
#include <QTimer>
#include <QToolBar>
#include <QWebEngineView>
#include <QtTest>

#include "LocalHttpServer.h"
#include "TestEnvironment.h"
#include "TestHelpers.h"
#include "app/frmMain.h"
#include "browser/core/BrowserAddresses.h"
#include "browser/frmBrowser.h"
#include "document/RichTextBox.h"
#include "document/frmDocument.h"
#include "html/PreviewCommand.h"

namespace {

constexpr int kLoadTimeoutMs = 30000;

QStringList addressList(frmBrowser* browser) {
    QStringList entries;
    for (int i = 0; i < browser->cboAddress->count(); ++i)
        entries << browser->cboAddress->itemText(i);
    return entries;
}

QList<frmBrowser*> browsers(frmMain* main) {
    QList<frmBrowser*> result;
    for (ChildForm* child : main->ChildForms()) {
        if (auto* browser = qobject_cast<frmBrowser*>(child)) result << browser;
    }
    return result;
}

}  // namespace

class BrowserWindowTest : public QObject {
    Q_OBJECT

    std::unique_ptr<TestEnvironment> env;
    frmMain* main = nullptr;
    LocalHttpServer server;
    BrowserAddresses addresses;

  private slots:
    void initTestCase() {
        addresses.homePage = server.url("/quillo/");
        addresses.versionCheck = addresses.homePage + "versioncheck.htm";
        addresses.searchEngine = server.url("/search/");
        addresses.outsideSite = server.url("/outside.html");
        BrowserAddresses::setCurrent(addresses);
        server.page("/quillo/",
                    "<html><head><title>Quillo Home</title></head><body>home</body></html>");
        server.page("/quillo/index.html",
                    "<html><head><title>Index</title></head><body>caf\xC3\xA9</body></html>");
        server.page("/quillo/versioncheck.htm", "<html><head><title>Check</title></head></html>");
        server.page("/quillo/11.htm", "<html><head><title>Version 1.1</title></head></html>");
        server.page("/outside.html", "<html><head><title>Outside</title></head></html>");
        server.page("/slow.html", "<html><head><title>Slow</title></head></html>");
        server.hold("/slow.html");
    }
    void cleanupTestCase() { BrowserAddresses::reset(); }

    void init() {
        env = std::make_unique<TestEnvironment>();
        env->setSetting("FirstTime", "No");
        main = env->start();
        server.clearLog();
    }
    void cleanup() {
        env.reset();
        server.release("/slow.html");
        server.hold("/slow.html");
    }

    void windowIsBuiltAsDesigned() {
        frmBrowser* browser = frmBrowser::Open(main, QString());
        QCOMPARE(browser->Tag(), QStringLiteral("Web"));
        QCOMPARE(main->ActiveForm(), browser);
        QCOMPARE(browser->lblAddress->buddy(), browser->cboAddress);
        // Without a starting address: the outside site only, the home page as the box's text,
        // and no page asked for.
        QCOMPARE(addressList(browser), QStringList{addresses.outsideSite});
        QCOMPARE(browser->cboAddress->currentText(), addresses.homePage);

        // Back with no earlier page does nothing; the poll ends at its first tick.
        main->setStatusText(QString());
        browser->tbToolBar_ButtonClick("Back");
        QVERIFY(browser->timTimer->isActive());
        QTRY_VERIFY(!browser->timTimer->isActive());
        QCOMPARE(main->statusText(), QStringLiteral("Ready."));
        QVERIFY(!browser->Busy());
        QCOMPARE(browser->Caption(), browser->LocationName());
        QVERIFY(server.requests().isEmpty());

        // Each View > Web Browser and each "Browser" key makes one more window.
        main->mnuViewBrowser_Click();
        main->tbToolBar_ButtonClick("Browser");
        QCOMPARE(browsers(main).size(), 3);
    }

    // From the View menu: home page as starting address, "Working..." and the download text
    // while it loads, then the title and "Ready."; then Edit HTML from the toolbar, Enter in the
    // address box leading to the version check and on to the version's page, and a pick from the
    // list.
    void browsingFromTheViewMenu() {
        server.hold("/quillo/");
        main->menuItem("mnuViewBrowser")->trigger();
        auto* browser = qobject_cast<frmBrowser*>(main->ActiveForm());
        QVERIFY(browser);
        QCOMPARE(addressList(browser), QStringList({addresses.outsideSite, addresses.homePage}));
        QCOMPARE(browser->cboAddress->currentText(), addresses.homePage);
        QTRY_COMPARE(browser->Caption(), QStringLiteral("Working..."));
        QTRY_COMPARE_WITH_TIMEOUT(server.heldCount("/quillo/"), 1, kLoadTimeoutMs);
        QTRY_COMPARE(main->statusText(), "Downloading webpage..." + addresses.homePage);
        QVERIFY(browser->timTimer->isActive());

        server.release("/quillo/");
        QTRY_COMPARE_WITH_TIMEOUT(browser->Caption(), QStringLiteral("Quillo Home"),
                                  kLoadTimeoutMs);
        QTRY_COMPARE(main->statusText(), QStringLiteral("Ready."));
        QVERIFY(!browser->timTimer->isActive());
        QCOMPARE(addressList(browser), QStringList({addresses.outsideSite, addresses.homePage}));
        QCOMPARE(browser->cboAddress->currentText(), addresses.homePage);

        // Edit HTML: the proposal for an address ending in "/", the page title as caption.
        env->dialogs.fileAnswers.enqueue(addresses.homePage + "index.html");
        browser->toolbarButton("Edit")->trigger();
        QCOMPARE(env->dialogs.fileRequests.constLast().fileName, addresses.homePage + "index.html");
        frmDocument* document = main->ActiveDocument();
        QVERIFY(document);
        QTRY_COMPARE(
            document->txtText->Text(),
            QStringLiteral("<html><head><title>Index</title></head><body>caf\u00E9</body></html>"));
        QCOMPARE(document->Caption(), QStringLiteral("Quillo Home"));
        QCOMPARE(main->statusText(), QStringLiteral("Ready."));
        QVERIFY(!browser->Busy());

        // Enter in the address box: the version-check page leads on to this version's page.
        main->mdiArea()->setActiveSubWindow(qobject_cast<QMdiSubWindow*>(browser->parentWidget()));
        browser->cboAddress->lineEdit()->clear();
        QTest::keyClicks(browser->cboAddress->lineEdit(), addresses.versionCheck);
        QTest::keyClick(browser->cboAddress->lineEdit(), Qt::Key_Return);
        QTRY_COMPARE_WITH_TIMEOUT(browser->LocationURL(), addresses.homePage + "11.htm",
                                  kLoadTimeoutMs);
        QTRY_COMPARE_WITH_TIMEOUT(browser->Caption(), QStringLiteral("Version 1.1"),
                                  kLoadTimeoutMs);
        QTRY_COMPARE(main->statusText(), QStringLiteral("Ready."));
        QVERIFY(server.requests().contains("/quillo/versioncheck.htm"));
        // The address box losing the focus to the new document navigated nowhere.
        QCOMPARE(server.requests().count("/quillo/"), 1);
        // Visited pages join the list, newest first, after the outside site.
        QCOMPARE(addressList(browser),
                 QStringList({addresses.outsideSite, addresses.homePage + "11.htm",
                              addresses.versionCheck, addresses.homePage}));
        QCOMPARE(browser->cboAddress->currentText(), addresses.homePage + "11.htm");

        // Picking the first entry navigates there; the list does not grow.
        const int entries = browser->cboAddress->count();
        browser->cboAddress->setCurrentIndex(0);  // from code: no navigation
        emit browser->cboAddress->activated(0);
        QTRY_COMPARE_WITH_TIMEOUT(browser->Caption(), QStringLiteral("Outside"), kLoadTimeoutMs);
        QCOMPARE(server.requests().count("/outside.html"), 1);
        QCOMPARE(browser->cboAddress->count(), entries);
        QCOMPARE(browser->cboAddress->itemText(0), addresses.outsideSite);
    }

    // Stop during a load: the caption becomes the title, the download text stays.
    void stopKeepsTheDownloadText() {
        frmBrowser* browser = frmBrowser::Open(main, server.url("/slow.html"));
        QTRY_COMPARE_WITH_TIMEOUT(server.heldCount("/slow.html"), 1, kLoadTimeoutMs);
        const QString downloading = "Downloading webpage..." + server.url("/slow.html");
        QTRY_COMPARE(main->statusText(), downloading);
        QCOMPARE(browser->Caption(), QStringLiteral("Working..."));

        browser->tbToolBar_ButtonClick("Stop");
        QVERIFY(!browser->timTimer->isActive());
        QCOMPARE(browser->Caption(), browser->LocationName());
        QTRY_VERIFY(!browser->Busy());
        QCOMPARE(main->statusText(), downloading);
        QVERIFY(browser->Caption() != QLatin1String("Working..."));
    }

    // The window cannot be made smaller than its controls need; the page fills what is left.
    void resizeRule() {
        frmBrowser* browser = frmBrowser::Open(main, QString());
        auto* sub = qobject_cast<QMdiSubWindow*>(browser->parentWidget());
        QVERIFY(sub);
        sub->resize(40, 30);
        QTRY_VERIFY(sub->width() > 100 && sub->height() > 100);
        sub->resize(600, 400);
        QTRY_COMPARE(sub->size(), QSize(600, 400));
        QCOMPARE(browser->cboAddress->width(), browser->width());
        QCOMPARE(browser->brwWebBrowser->width(), browser->width());
        QVERIFY(browser->brwWebBrowser->geometry().bottom() < browser->height());
        QVERIFY(browser->brwWebBrowser->y() >= browser->picAddress->geometry().bottom());
    }

    // Two previews: two browser windows on the one preview file, which holds the document's
    // plain text.
    void previewTwice() {
        frmDocument* document = main->ActiveDocument();
        document->txtText->setText(
            QStringLiteral("<HTML><HEAD><TITLE>Preview caf\u00E9</TITLE></HEAD>x</HTML>"));
        document->setTag(QString());
        main->mnuPre_Click();
        main->mdiArea()->setActiveSubWindow(qobject_cast<QMdiSubWindow*>(document->parentWidget()));
        main->toolbarButton(20)->setEnabled(true);
        main->tbToolBar_ButtonClick("Pre");
        const QList<frmBrowser*> opened = browsers(main);
        QCOMPARE(opened.size(), 2);
        const QString path = env->programFolder() + "/preview.html";
        QCOMPARE(opened[0]->StartingAddress, path);
        QCOMPARE(opened[1]->StartingAddress, path);
        QCOMPARE(readBytes(path), "\xEF\xBB\xBF" + document->txtText->Text().toUtf8());
        QCOMPARE(document->Tag(), QString());  // the document is not changed by a preview
        for (frmBrowser* browser : opened) {
            QTRY_COMPARE_WITH_TIMEOUT(browser->Caption(), QStringLiteral("Preview caf\u00E9"),
                                      kLoadTimeoutMs);
            QCOMPARE(browser->brwWebBrowser->url(), QUrl::fromLocalFile(path));
        }
        QVERIFY(env->dialogs.messages.isEmpty());
    }

    void previewOfRichTextIsPlain() {
        frmDocument* document = main->ActiveDocument();
        QFile rtf(env->scratch("formatted.rtf"));
        QVERIFY(rtf.open(QIODevice::WriteOnly));
        rtf.write("{\\rtf1\\ansi {\\b Bold} and {\\i italic}\\par second line}");
        rtf.close();
        QVERIFY(document->txtText->LoadFile(rtf.fileName(), RichTextBox::rtfRTF));
        QCOMPARE(document->txtText->Text(), QStringLiteral("Bold and italic\nsecond line"));
        main->mnuPre_Click();
        const QByteArray written = readBytes(env->programFolder() + "/preview.html");
        QCOMPARE(written, QByteArray("\xEF\xBB\xBF"
                                     "Bold and italic\nsecond line"));
        QCOMPARE(browsers(main).size(), 1);
    }

    void previewFailsOrDoesNothing() {
        // A preview file that cannot be written: a critical message naming it, and no window.
        QVERIFY(QDir(env->programFolder()).mkdir("preview.html"));
        main->ActiveDocument()->txtText->setText("<HTML>x</HTML>");
        main->mnuPre_Click();
        QCOMPARE(env->dialogs.messages.size(), 1);
        const auto message = env->dialogs.messages.constFirst();
        QCOMPARE(message.style, 16);
        QVERIFY(message.text.startsWith(
            "Cannot write the preview file \"" +
            QDir::toNativeSeparators(env->programFolder() + "/preview.html") + "\".\n"));
        QVERIFY(message.text.size() > message.text.indexOf('\n') + 1);  // with the reason
        QVERIFY(browsers(main).isEmpty());

        // With a browser window active, or no window at all, the command does nothing.
        frmBrowser::Open(main, QString());
        main->mnuPre_Click();
        QCOMPARE(browsers(main).size(), 1);
        for (ChildForm* child : main->ChildForms())
            child->setTag(child->Tag() == "Web" ? "Web" : "");
        main->mdiArea()->closeAllSubWindows();
        QTRY_VERIFY(main->ChildForms().isEmpty());
        main->mnuPre_Click();
        QVERIFY(main->ChildForms().isEmpty());
        QCOMPARE(env->dialogs.messages.size(), 1);
    }
};

int main(int argc, char** argv) {
    // As in the program: the web engine needs shared contexts, set before the application.
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    QApplication app(argc, argv);
    BrowserWindowTest test;
    QTEST_SET_MAIN_SOURCE_PATH
    return QTest::qExec(&test, argc, argv);
}

#include "tst_browserwindow.moc"
