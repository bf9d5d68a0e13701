// SPDX-License-Identifier: GPL-3.0-or-later
// The main window: which commands the refresher offers for the active child, closing children,
// toolbar routing and the Window menu.
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QtTest>

#include "TestEnvironment.h"
#include "TestHelpers.h"
#include "app/frmMain.h"
#include "document/RichTextBox.h"
#include "document/frmDocument.h"

namespace {

// The toolbar buttons the refresher switches: Save, Print, Find, Strip, Undo, Redo, Cut, Copy,
// Paste, Hear, Stop and Preview.
QString refreshed(frmMain* main) {
    QString states;
    for (int index : {3, 5, 7, 8, 10, 11, 13, 14, 15, 17, 18, 20})
        states += main->toolbarButton(index)->isEnabled() ? u'1' : u'0';
    return states;
}

}  // namespace

class MainWindowTest : public QObject {
    Q_OBJECT

    std::unique_ptr<TestEnvironment> env;
    frmMain* main = nullptr;

    QMdiSubWindow* showBrowser() {
        QMdiSubWindow* window = main->addChildWindow(new FakeBrowser);
        window->show();
        main->mdiArea()->setActiveSubWindow(window);
        return window;
    }

  private slots:
    void init() {
        env = std::make_unique<TestEnvironment>();
        env->setSetting("FirstTime", "No");
        main = env->start();
    }
    void cleanup() { env.reset(); }

    void refresherFollowsTheActiveChild() {
        frmDocument* document = main->ActiveDocument();
        QCOMPARE(refreshed(main), QStringLiteral("011111111110"));
        QTest::keyClicks(document->txtText->editor(), "<html>");
        QCOMPARE(document->Tag(), QStringLiteral("SAVE"));
        QCOMPARE(refreshed(main), QStringLiteral("111111111111"));
        // A tag outside the three literals counts as clean.
        document->setTag("save");
        QVERIFY(!main->toolbarButton(3)->isEnabled());

        // A browser child: all off, even with documents behind it; New, Open, Browser, Options
        // and About stay on. Back on the document, Preview waits for the next change.
        showBrowser();
        QCOMPARE(refreshed(main), QStringLiteral("000000000000"));
        for (int index : {1, 2, 21, 23, 25}) QVERIFY(main->toolbarButton(index)->isEnabled());
        main->mdiArea()->setActiveSubWindow(qobject_cast<QMdiSubWindow*>(document->parentWidget()));
        QVERIFY(!main->toolbarButton(20)->isEnabled());
        document->txtText->setSelStart(1);
        QVERIFY(main->toolbarButton(20)->isEnabled());

        main->mdiArea()->closeAllSubWindows();
        QCoreApplication::processEvents();
        QCOMPARE(main->ActiveForm(), nullptr);
        QCOMPARE(refreshed(main), QStringLiteral("000000000000"));
        main->mnuFileClose_Click();  // nothing to close, nothing asked
        QVERIFY(env->dialogs.messages.size() <= 1);
    }

    void fileCloseClosesTheActiveChild() {
        main->LoadNewDoc();
        main->mnuFileClose_Click();
        QCoreApplication::processEvents();
        QCOMPARE(main->ChildForms().size(), 1);

        // A changed document asks first; Cancel keeps it. A browser window closes at once.
        QTest::keyClicks(main->ActiveDocument()->txtText->editor(), "keep me");
        env->dialogs.msgBoxAnswers.enqueue(MsgBoxResult::Cancel);
        main->mnuFileClose_Click();
        QCOMPARE(main->ChildForms().size(), 1);
        QCOMPARE(env->dialogs.messages.size(), 1);
        showBrowser();
        main->mnuFileClose_Click();
        QCoreApplication::processEvents();
        QCOMPARE(main->ChildForms().size(), 1);
        QCOMPARE(env->dialogs.messages.size(), 1);
    }

    void toolbarRoutingIsCaseSensitive() {
        main->tbToolBar_ButtonClick("new");
        QCOMPARE(main->ChildForms().size(), 1);
        main->tbToolBar_ButtonClick("New");
        QCOMPARE(main->ChildForms().size(), 2);
        main->toolbarButton(1)->trigger();
        QCOMPARE(main->ChildForms().size(), 3);
        main->tbToolBar_ButtonClick("Stop");  // nothing is being read
        QVERIFY(env->dialogs.messages.isEmpty());
    }

    void windowMenuListsAndActivatesChildren() {
        frmDocument* first = main->ActiveDocument();
        main->LoadNewDoc();
        QMenu* window = main->menuItem("mnuWindow")->menu();
        QMetaObject::invokeMethod(window, "aboutToShow");
        QList<QAction*> entries;
        for (QAction* action : window->actions())
            if (action->text().contains("Document")) entries << action;
        QCOMPARE(entries.size(), 2);
        QVERIFY(entries[1]->isChecked());
        entries[0]->trigger();
        QCOMPARE(main->ActiveForm(), first);
        main->Arrange(1);
        main->mdiArea()->closeAllSubWindows();
        main->Arrange(0);  // nothing to arrange, nothing happens
    }
};

QTEST_MAIN(MainWindowTest)
#include "tst_mainwindow.moc"
