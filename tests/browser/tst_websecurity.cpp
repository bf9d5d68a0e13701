// SPDX-License-Identifier: GPL-3.0-or-later
// What a page in a browser window can reach: a local page's script must not read the files
// beside it nor send WebRTC traffic past a proxy, while web sites keep their scripts. Real web
// views load real pages; the page reports what it managed in its title.
#include <QNetworkInterface>
#include <QUdpSocket>
#include <QWebEngineView>
#include <QtTest>

#include "TestEnvironment.h"
#include "TestHelpers.h"
#include "app/frmMain.h"
#include "browser/EngineStartup.h"
#include "browser/engine/frmBrowser.h"

namespace {

constexpr int kPageTimeoutMs = 30000;

// An address of this machine that is not loopback, where one exists: WebRTC would reach it
// over a real interface as it would reach an outside host.
QHostAddress stunAddress() {
    for (const QHostAddress& address : QNetworkInterface::allAddresses()) {
        if (address.protocol() == QAbstractSocket::IPv4Protocol && !address.isLoopback())
            return address;
    }
    return QHostAddress(QHostAddress::LocalHost);
}

}  // namespace

class WebSecurityTest : public QObject {
    Q_OBJECT

    TestEnvironment env;
    frmMain* main = nullptr;

  private slots:
    void initTestCase() {
        QStandardPaths::setTestModeEnabled(true);
        EngineStartup::keepWebRtcProxied();
        env.setSetting("FirstTime", "No");
        main = env.start();
    }

    // The View menu's zoom steps a browser window's page, and its normal size comes back.
    void zoomStepsThePage() {
        frmBrowser* browser = frmBrowser::Open(main, QStringLiteral("about:blank"));
        main->menuItem("mnuViewZoomIn")->trigger();
        main->menuItem("mnuViewZoomIn")->trigger();
        QCOMPARE(browser->brwWebBrowser->zoomFactor(), 1.25);
        main->menuItem("mnuViewZoomReset")->trigger();
        QCOMPARE(browser->brwWebBrowser->zoomFactor(), 1.0);
        browser->close();
    }

    void localPageReadsNoFileAndSendsNoUdp() {
        QUdpSocket stun;
        QVERIFY(stun.bind(stunAddress(), 0));
        const QString target =
            QStringLiteral("%1:%2").arg(stun.localAddress().toString()).arg(stun.localPort());
        QTemporaryDir folder;
        QVERIFY(writeBytes(folder.filePath("secret.txt"), "hunter2"));
        // The page tries to read its sibling file and shows what it got in its title, then gathers
        // WebRTC candidates against a STUN server and adds " gathered" once done.
        const QString page = QString::fromUtf8(readBytes(QUILLO_TEST_DATA "/pages/probe.html"));
        QVERIFY(writeBytes(folder.filePath("preview.html"), page.arg(target).toUtf8()));

        frmBrowser* browser = frmBrowser::Open(main, folder.filePath("preview.html"));
        const auto title = [&] { return browser->brwWebBrowser->title(); };
        (void)QTest::qWaitFor(
            [&] { return title().startsWith("blocked") || title().startsWith("read:"); },
            kPageTimeoutMs);
        QCOMPARE(title(), QStringLiteral("blocked"));
        // Gathering ends at once without UDP; with it, the request arrives first.
        QVERIFY(QTest::qWaitFor(
            [&] { return stun.hasPendingDatagrams() || title().endsWith(" gathered"); },
            kPageTimeoutMs));
        QVERIFY2(!stun.hasPendingDatagrams(), "a STUN request left the page");
    }
};

QTEST_MAIN(WebSecurityTest)
#include "tst_websecurity.moc"
