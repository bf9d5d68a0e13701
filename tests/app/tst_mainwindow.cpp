// The main window: menus, toolbar, status bar, routing, the refresher, view and window commands.
#include <QAbstractScrollArea>
#include <QAction>
#include <QLabel>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QMenuBar>
#include <QStatusBar>
#include <QToolBar>
#include <QtTest>

#include "TestEnvironment.h"
#include "TestHelpers.h"
#include "app/ChildForm.h"
#include "app/frmMain.h"
#include "document/RichTextBox.h"
#include "document/frmDocument.h"

namespace {

QStringList enabledStates(frmMain* main, std::initializer_list<int> indices) {
    QStringList states;
    for (int index : indices) states << (main->toolbarButton(index)->isEnabled() ? "on" : "off");
    return states;
}

const std::initializer_list<int> kRefreshed = {3, 5, 7, 8, 10, 11, 13, 14, 15, 17, 18, 20};

}  // namespace

class MainWindowTest : public QObject {
    Q_OBJECT

    std::unique_ptr<TestEnvironment> env;
    frmMain* main = nullptr;

  private slots:
    void init() {
        env = std::make_unique<TestEnvironment>();
        env->setSetting("FirstTime", "No");
        main = env->start();
    }
    void cleanup() { env.reset(); }

    void menuTreeInOrder() {
        QStringList seen;
        for (QAction* top : main->menuBar()->actions()) {
            seen << top->objectName() + "=" + top->text();
            for (QAction* item : top->menu()->actions()) {
                if (item->isSeparator()) {
                    seen << item->objectName() + "=-";
                } else {
                    seen << item->objectName() + "=" + item->text() + "|" +
                                item->shortcut().toString();
                }
            }
        }
        const QStringList expected = {"mnuFile=File",
                                      "mnuFileNew=&New|Ctrl+N",
                                      "mnuFileOpen=&Open|Ctrl+O",
                                      "mnuFileClose=&Close|",
                                      "mnuFileBar1=-",
                                      "mnuFileSave=&Save|Ctrl+S",
                                      "mnuFileSaveAs=Save &As...|",
                                      "fgf=-",
                                      "mnuHear=&Hear Text|F5",
                                      "re=-",
                                      "mnuPre=Preview as Webpage|F11",
                                      "mnuStrip=S&trip HTML Codes|",
                                      "mnuFilePrint=&Print...|Ctrl+P",
                                      "mnuFileBar4=-",
                                      "mnuFileExit=E&xit|",
                                      "mnuEdit=&Edit",
                                      "mnuEditCut=Cu&t|Ctrl+X",
                                      "mnuEditCopy=&Copy|Ctrl+C",
                                      "mnuEditPaste=&Paste|",
                                      "dfgh=-",
                                      "mnuEditSelect=Select &All|Ctrl+A",
                                      "sdt=-",
                                      "mnuEditUndo=&Undo|Ctrl+Z",
                                      "mnuEditRedo=&Redo|",
                                      "fghd=-",
                                      "mnuFind=&Find|Ctrl+F",
                                      "mnuFindNext=Find &Next|F3",
                                      "mnuReplace=&Replace|Ctrl+R",
                                      "mnuView=&View",
                                      "mnuViewToolbar=&Toolbar|",
                                      "mnuViewStatusBar=Status &Bar|",
                                      "mnuViewBar2=-",
                                      "mnuViewOptions=&Options...|",
                                      "mnuViewBrowser=&Web Browser|F4",
                                      "mnuWindow=&Window",
                                      "mnuWindowCascade=&Cascade|",
                                      "mnuWindowTileHorizontal=Tile &Horizontal|",
                                      "mnuWindowTileVertical=Tile &Vertical|",
                                      "mnuHelp=&Help",
                                      "mnuHelpContents=&Contents|F1",
                                      "mnuHelpSearch=&Search For Help On...|",
                                      "mnuHelpBar1=-",
                                      "mnuHelpAbout=&About Quillo...|"};
        QCOMPARE(seen, expected);
        QVERIFY(main->menuItem("mnuViewToolbar")->isChecked());
        QVERIFY(main->menuItem("mnuViewStatusBar")->isChecked());
    }

    void toolbarButtonsInOrder() {
        const QList<QAction*> buttons = main->tbToolBar()->actions();
        QCOMPARE(buttons.size(), 25);
        const QStringList keys = {"New",   "Open",    "Save", "",     "Print", "",    "Find",
                                  "Strip", "",        "Undo", "Redo", "",      "Cut", "Copy",
                                  "Paste", "",        "Hear", "Stop", "",      "Pre", "Browser",
                                  "",      "Options", "",     "About"};
        for (int i = 0; i < 25; ++i) {
            QCOMPARE(buttons[i]->isSeparator(), keys[i].isEmpty());
            QCOMPARE(buttons[i]->data().toString(), keys[i]);
            if (!keys[i].isEmpty()) QVERIFY2(!buttons[i]->icon().isNull(), qPrintable(keys[i]));
        }
        QCOMPARE(main->toolbarButton(8)->toolTip(), QStringLiteral("Remove HTML Tags"));
        QCOMPARE(main->toolbarButton(17)->toolTip(), QStringLiteral("Hear text"));
        QCOMPARE(main->toolbarButton(18)->toolTip(), QStringLiteral("Stop hearing text"));
        QCOMPARE(main->toolbarButton(20)->toolTip(), QStringLiteral("Preview as webpage"));
    }

    void statusBarPanels() {
        QCOMPARE(main->statusText(), QStringLiteral("Ready."));
        const QList<QLabel*> labels = main->sbStatusBar()->findChildren<QLabel*>();
        QStringList texts;
        for (QLabel* label : labels) texts << label->text();
        QVERIFY(texts.contains("CAPS"));
        QVERIFY(texts.contains("NUM"));
        QVERIFY(texts.contains("INS"));
    }

    void refresherRows() {
        // A clean document: Save off, the other eleven on.
        frmDocument* document = main->ActiveDocument();
        QCOMPARE(document->Tag(), QString());
        QCOMPARE(enabledStates(main, {3, 5, 7, 8, 10, 11, 13, 14, 15, 17, 18}),
                 QStringList({"off", "on", "on", "on", "on", "on", "on", "on", "on", "on", "on"}));

        // Typing makes it "SAVE": Save comes on at once.
        QTest::keyClicks(document->txtText->editor(), "x");
        QCOMPARE(document->Tag(), QStringLiteral("SAVE"));
        QVERIFY(main->toolbarButton(3)->isEnabled());

        // A tag outside the three literals counts as clean.
        document->setTag("save");
        QVERIFY(!main->toolbarButton(3)->isEnabled());
        QVERIFY(main->toolbarButton(5)->isEnabled());

        // A browser-like child: everything off, also with documents behind it.
        auto* browser = new FakeBrowser;
        main->addChildWindow(browser)->show();
        main->mdiArea()->setActiveSubWindow(qobject_cast<QMdiSubWindow*>(browser->parentWidget()));
        QCOMPARE(enabledStates(main, kRefreshed), QStringList(12, "off"));
        // New, Open, Browser, Options and About are left alone.
        for (int index : {1, 2, 21, 23, 25}) QVERIFY(main->toolbarButton(index)->isEnabled());

        // No child at all: the same.
        main->mdiArea()->closeAllSubWindows();
        QCoreApplication::processEvents();
        QCOMPARE(main->ActiveForm(), nullptr);
        QCOMPARE(enabledStates(main, kRefreshed), QStringList(12, "off"));
    }

    void previewButtonStaysGreyUntilTheDocumentChanges() {
        frmDocument* document = main->ActiveDocument();
        QTest::keyClicks(document->txtText->editor(), "<html>");
        QVERIFY(main->toolbarButton(20)->isEnabled());
        auto* browser = new FakeBrowser;
        QMdiSubWindow* browserWindow = main->addChildWindow(browser);
        browserWindow->show();
        main->mdiArea()->setActiveSubWindow(browserWindow);
        QVERIFY(!main->toolbarButton(20)->isEnabled());
        main->mdiArea()->setActiveSubWindow(qobject_cast<QMdiSubWindow*>(document->parentWidget()));
        QVERIFY(!main->toolbarButton(20)->isEnabled());
        document->txtText->setSelStart(1);
        QVERIFY(main->toolbarButton(20)->isEnabled());
    }

    void viewToggles() {
        QVERIFY(main->tbToolBar()->isVisibleTo(main));
        main->mnuViewToolbar_Click();
        QVERIFY(!main->tbToolBar()->isVisibleTo(main));
        QVERIFY(!main->menuItem("mnuViewToolbar")->isChecked());
        QVERIFY(main->sbStatusBar()->isVisibleTo(main));
        main->mnuViewToolbar_Click();
        QVERIFY(main->tbToolBar()->isVisibleTo(main));
        QVERIFY(main->menuItem("mnuViewToolbar")->isChecked());

        main->mnuViewStatusBar_Click();
        QVERIFY(!main->sbStatusBar()->isVisibleTo(main));
        QVERIFY(!main->menuItem("mnuViewStatusBar")->isChecked());
        QVERIFY(main->tbToolBar()->isVisibleTo(main));
    }

    void fileCloseClosesTheActiveChild() {
        main->LoadNewDoc();
        QCOMPARE(main->ChildForms().size(), 2);
        main->mnuFileClose_Click();
        QCoreApplication::processEvents();
        QCOMPARE(main->ChildForms().size(), 1);

        // A changed document asks first; Cancel keeps it.
        QTest::keyClicks(main->ActiveDocument()->txtText->editor(), "keep me");
        env->dialogs.msgBoxAnswers.enqueue(MsgBoxResult::Cancel);
        main->mnuFileClose_Click();
        QCOMPARE(main->ChildForms().size(), 1);
        QCOMPARE(env->dialogs.messages.size(), 1);

        // A browser window closes at once.
        auto* browser = new FakeBrowser;
        QMdiSubWindow* browserWindow = main->addChildWindow(browser);
        browserWindow->show();
        main->mdiArea()->setActiveSubWindow(browserWindow);
        main->mnuFileClose_Click();
        QCoreApplication::processEvents();
        QCOMPARE(main->ChildForms().size(), 1);
        QCOMPARE(env->dialogs.messages.size(), 1);
    }

    void fileCloseWithNoChildDoesNothing() {
        main->mdiArea()->closeAllSubWindows();
        QCoreApplication::processEvents();
        main->mnuFileClose_Click();
        QVERIFY(env->dialogs.messages.isEmpty());
    }

    void selectAllSelectsTheWholeText() {
        RichTextBox* text = main->ActiveDocument()->txtText;
        text->setText("one\ntwo");
        text->setSelStart(2);
        main->mnuEditSelect_Click();
        QCOMPARE(text->SelStart(), 0);
        QCOMPARE(text->SelLength(), 7);
    }

    void helpItemsShowTheNoHelpMessage() {
        main->mnuHelpContents_Click();
        main->mnuHelpSearch_Click();
        QCOMPARE(env->dialogs.messages.size(), 2);
        for (const auto& message : env->dialogs.messages) {
            QCOMPARE(message.style, 64);
            QCOMPARE(message.title, QStringLiteral("Quillo Meridian"));
            QVERIFY(message.text.startsWith("There is no help file with this release of Quillo."));
        }
    }

    void toolbarRoutingIsCaseSensitive() {
        main->tbToolBar_ButtonClick("new");
        QCOMPARE(main->ChildForms().size(), 1);
        main->tbToolBar_ButtonClick("New");
        QCOMPARE(main->ChildForms().size(), 2);
        main->toolbarButton(1)->trigger();
        QCOMPARE(main->ChildForms().size(), 3);
        // Stop with nothing being read has no visible effect.
        main->tbToolBar_ButtonClick("Stop");
        QVERIFY(env->dialogs.messages.isEmpty());
    }

    void arrangeTilesAllChildren() {
        main->LoadNewDoc();
        auto* browser = new FakeBrowser;
        main->addChildWindow(browser)->show();
        main->Arrange(1);
        QList<int> tops;
        for (QMdiSubWindow* sub : main->mdiArea()->subWindowList()) {
            QCOMPARE(sub->width(), main->mdiArea()->viewport()->width());
            tops << sub->y();
        }
        std::sort(tops.begin(), tops.end());
        QCOMPARE(tops.size(), 3);
        QVERIFY(tops[0] < tops[1] && tops[1] < tops[2]);
        main->Arrange(2);
        for (QMdiSubWindow* sub : main->mdiArea()->subWindowList()) {
            QCOMPARE(sub->height(), main->mdiArea()->viewport()->height());
        }
        main->mdiArea()->closeAllSubWindows();
        main->Arrange(0);  // nothing to arrange, nothing happens
        QVERIFY(env->dialogs.messages.isEmpty());
    }

    void windowMenuListsAndActivatesChildren() {
        frmDocument* first = main->ActiveDocument();
        main->LoadNewDoc();
        QMenu* window = main->menuItem("mnuWindow")->menu();
        QMetaObject::invokeMethod(window, "aboutToShow");
        QList<QAction*> entries;
        for (QAction* action : window->actions()) {
            if (action->text().contains("Document")) entries << action;
        }
        QCOMPARE(entries.size(), 2);
        QVERIFY(entries[0]->text().endsWith("Document 1"));
        QVERIFY(entries[1]->isChecked());
        entries[0]->trigger();
        QCOMPARE(main->ActiveForm(), first);
    }
};

QTEST_MAIN(MainWindowTest)
#include "tst_mainwindow.moc"
