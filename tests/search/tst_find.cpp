// Find and Find Next: the dialog, the search from the selection, the options, persistence.
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QPushButton>
#include <QtTest>

#include "TestEnvironment.h"
#include "TestHelpers.h"
#include "app/ChildForm.h"
#include "app/Twips.h"
#include "app/frmMain.h"
#include "document/RichTextBox.h"
#include "document/frmDocument.h"
#include "search/SearchCommands.h"
#include "search/frmFIND.h"

class FindTest : public QObject {
    Q_OBJECT

    std::unique_ptr<TestEnvironment> env;
    frmMain* main = nullptr;
    RichTextBox* txt = nullptr;
    QList<QDialog*> shown;  // dialogs the modal showing was asked for

    frmFIND* openFind() {
        main->menuItem("mnuFind")->trigger();
        return main->findChild<frmFIND*>();
    }

    void setFields(frmFIND* dialog, const QString& text, bool matchCase, bool wholeWord) {
        dialog->Text1->setText(text);
        dialog->Check1->setChecked(matchCase);
        dialog->Check2->setChecked(wholeWord);
    }

    void showBrowser() {
        auto* browser = new FakeBrowser;
        QMdiSubWindow* window = main->addChildWindow(browser);
        window->show();
        main->mdiArea()->setActiveSubWindow(window);
        QCOMPARE(main->ActiveForm(), browser);
    }

  private slots:
    void initTestCase() {
        SearchCommands::setShowModal([this](QDialog* dialog) {
            shown << dialog;
            dialog->show();
        });
    }
    void cleanupTestCase() { SearchCommands::setShowModal({}); }

    void init() {
        shown.clear();
        env = std::make_unique<TestEnvironment>();
        env->setSetting("FirstTime", "No");
        main = env->start();
        txt = main->ActiveDocument()->txtText;
    }
    void cleanup() {
        // Nothing found, nothing searched: a search never asks anything.
        QVERIFY(env->dialogs.messages.isEmpty());
        env.reset();
    }

    void dialogLayout() {
        frmFIND* dialog = openFind();
        QVERIFY(dialog);
        QCOMPARE(shown, QList<QDialog*>{dialog});
        QCOMPARE(dialog->parentWidget(), main);
        QCOMPARE(dialog->windowTitle(), QStringLiteral("Find"));
        QCOMPARE(dialog->windowType(), Qt::Tool);
        QCOMPARE(dialog->minimumSize(), dialog->maximumSize());
        QCOMPARE(dialog->size(), twips(dialog, 0, 0, 4170, 1215).size());

        QCOMPARE(dialog->Label1->text(), QStringLiteral("Find:"));
        QCOMPARE(dialog->Check1->text(), QStringLiteral("Case sensitive"));
        QCOMPARE(dialog->Check2->text(), QStringLiteral("Match whole word only"));
        QCOMPARE(dialog->Command1->text(), QStringLiteral("Find"));
        QCOMPARE(dialog->Command2->text(), QStringLiteral("Close"));
        QCOMPARE(dialog->Label1->geometry(), twips(dialog, 50, 170, 615, 255));
        QCOMPARE(dialog->Text1->geometry(), twips(dialog, 720, 120, 3375, 285));
        QCOMPARE(dialog->Check1->geometry(), twips(dialog, 720, 480, 1455, 255));
        QCOMPARE(dialog->Check2->geometry(), twips(dialog, 2160, 480, 2055, 255));
        QCOMPARE(dialog->Command1->geometry(), twips(dialog, 2280, 840, 855, 315));
        QCOMPARE(dialog->Command2->geometry(), twips(dialog, 3240, 840, 855, 315));
        for (QWidget* w : dialog->findChildren<QWidget*>()) {
            QVERIFY2(!w->objectName().isEmpty(), w->metaObject()->className());
        }
        // The captions fit their fixed boxes whatever the desktop font.
        for (QCheckBox* box : dialog->findChildren<QCheckBox*>()) {
            QVERIFY2(box->sizeHint().width() <= box->width(), qPrintable(box->text()));
        }

        // The search box is first in tab order.
        QStringList order;
        for (QWidget* w = dialog->nextInFocusChain(); w != dialog; w = w->nextInFocusChain()) {
            if (w->focusPolicy() & Qt::TabFocus) order << w->objectName();
        }
        QCOMPARE(order, QStringList({"Text1", "Check1", "Check2", "Command1", "Command2"}));
    }

    void search_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("selStart");
        QTest::addColumn<int>("selLength");
        QTest::addColumn<QString>("what");
        QTest::addColumn<bool>("matchCase");
        QTest::addColumn<bool>("wholeWord");
        QTest::addColumn<int>("foundStart");
        QTest::addColumn<int>("foundLength");

        QTest::newRow("selected match is skipped")
            << "cat cat cat" << 4 << 3 << "cat" << false << false << 8 << 3;
        QTest::newRow("from the caret")
            << "the cat sat" << 0 << 0 << "cat" << false << false << 4 << 3;
        QTest::newRow("caret inside a match")
            << "cat cat" << 1 << 0 << "cat" << false << false << 4 << 3;
        QTest::newRow("no wrap after the last")
            << "cat dog" << 3 << 0 << "cat" << false << false << 3 << 0;
        QTest::newRow("no wrap keeps selection")
            << "cat dog" << 4 << 3 << "cat" << false << false << 4 << 3;
        QTest::newRow("case ignored (0)") << "A CAT" << 0 << 0 << "cat" << false << false << 2 << 3;
        QTest::newRow("case sensitive (4)")
            << "CAT Cat cat" << 0 << 0 << "cat" << true << false << 8 << 3;
        QTest::newRow("case sensitive, none")
            << "CAT Cat" << 0 << 0 << "cat" << true << false << 0 << 0;
        QTest::newRow("inside words (0)")
            << "concat" << 0 << 0 << "cat" << false << false << 3 << 3;
        QTest::newRow("whole word (2)")
            << "concat cats Cat" << 0 << 0 << "cat" << false << true << 12 << 3;
        QTest::newRow("whole word: digits, _")
            << "cat_1 cat2 cat." << 0 << 0 << "cat" << false << true << 11 << 3;
        QTest::newRow("whole word and case (6)")
            << "Cat cats cat" << 0 << 0 << "cat" << true << true << 9 << 3;
        QTest::newRow("across paragraphs")
            << "one\ntwo" << 1 << 0 << "two" << false << false << 4 << 3;
        QTest::newRow("empty search text") << "abc" << 1 << 1 << "" << false << false << 1 << 1;
    }

    void search() {
        QFETCH(QString, text);
        QFETCH(int, selStart);
        QFETCH(int, selLength);
        QFETCH(QString, what);
        QFETCH(bool, matchCase);
        QFETCH(bool, wholeWord);
        QFETCH(int, foundStart);
        QFETCH(int, foundLength);

        txt->setText(text);
        txt->setSelStart(selStart);
        txt->setSelLength(selLength);
        frmFIND* dialog = openFind();
        QVERIFY(dialog->isVisible());
        setFields(dialog, what, matchCase, wholeWord);
        dialog->Command1->click();

        QVERIFY(!dialog->isVisible());
        QCOMPARE(txt->SelStart(), foundStart);
        QCOMPARE(txt->SelLength(), foundLength);
        QCOMPARE(txt->Text(), text);
    }

    void findNextStepsThroughAndStops() {
        txt->setText("a x a x a");
        frmFIND* dialog = openFind();
        setFields(dialog, "A", false, false);
        dialog->Command1->click();
        QCOMPARE(txt->SelStart(), 0);
        shown.clear();

        QList<int> starts;
        for (int i = 0; i < 3; ++i) {
            main->menuItem("mnuFindNext")->trigger();
            starts << txt->SelStart();
        }
        QCOMPARE(starts, QList<int>({4, 8, 8}));
        QCOMPARE(txt->SelLength(), 1);
        QVERIFY(shown.isEmpty());
        QVERIFY(!dialog->isVisible());

        // Moving the caret moves the next starting point.
        txt->setSelStart(5);
        main->mnuFindNext_Click();
        QCOMPARE(txt->SelStart(), 8);
    }

    void findNextBeforeAnySearch() {
        txt->setText("some text");
        txt->setSelStart(2);
        QVERIFY(!main->findChild<frmFIND*>());
        main->mnuFindNext_Click();

        frmFIND* dialog = main->findChild<frmFIND*>();
        QVERIFY(dialog);
        QVERIFY(shown.isEmpty());
        QVERIFY(!dialog->isVisible());
        QCOMPARE(dialog->Text1->text(), QString());
        QVERIFY(!dialog->Check1->isChecked());
        QVERIFY(!dialog->Check2->isChecked());
        QCOMPARE(txt->SelStart(), 2);
        QCOMPARE(txt->SelLength(), 0);
        QCOMPARE(txt->Text(), QStringLiteral("some text"));

        // The dialog made hidden is the one Ctrl+F then shows.
        QCOMPARE(openFind(), dialog);
    }

    void fieldsPersistAfterClose() {
        frmFIND* dialog = openFind();
        setFields(dialog, "needle", true, true);
        dialog->Command2->click();
        QVERIFY(!dialog->isVisible());

        // The toolbar's Find key opens the same dialog, as it was left.
        main->tbToolBar_ButtonClick("Find");
        QCOMPARE(shown.size(), 2);
        QCOMPARE(shown.last(), dialog);
        QCOMPARE(dialog->Text1->text(), QStringLiteral("needle"));
        QVERIFY(dialog->Check1->isChecked());
        QVERIFY(dialog->Check2->isChecked());

        // The title bar's close box hides it too; nothing is copied in from the document.
        dialog->close();
        txt->setText("other words");
        txt->SelectAll();
        QCOMPARE(openFind(), dialog);
        QCOMPARE(dialog->Text1->text(), QStringLiteral("needle"));
        QCOMPARE(main->findChildren<frmFIND*>().size(), 1);
    }

    void enterInTheSearchBoxSearchesOnce_data() {
        QTest::addColumn<int>("key");
        QTest::newRow("Return") << int(Qt::Key_Return);
        QTest::newRow("keypad Enter") << int(Qt::Key_Enter);
    }

    void enterInTheSearchBoxSearchesOnce() {
        QFETCH(int, key);
        txt->setText("cat cat cat");
        frmFIND* dialog = openFind();
        dialog->Text1->setFocus();
        QTest::keyClicks(dialog->Text1, "ca");
        QVERIFY(dialog->isVisible());
        QCOMPARE(txt->SelLength(), 0);

        QTest::keyClick(dialog->Text1, Qt::Key(key));
        QVERIFY(!dialog->isVisible());
        QCOMPARE(txt->SelStart(), 0);  // one search, not two
        QCOMPARE(txt->SelLength(), 2);

        // Direct calls: only 13 searches.
        dialog->Text1_KeyPress(10);
        QCOMPARE(txt->SelStart(), 0);
        dialog->Text1_KeyPress(13);
        QCOMPARE(txt->SelStart(), 4);
    }

    void browserActiveSearchesNothing() {
        txt->setText("cat cat");
        showBrowser();
        frmFIND* dialog = openFind();
        QVERIFY(dialog->isVisible());
        setFields(dialog, "cat", false, false);
        dialog->Command1->click();
        QVERIFY(!dialog->isVisible());
        main->mnuFindNext_Click();
        QCOMPARE(txt->SelStart(), 0);
        QCOMPARE(txt->SelLength(), 0);
        QCOMPARE(dialog->Text1->text(), QStringLiteral("cat"));
    }

    void noDocumentSearchesNothing() {
        main->mdiArea()->closeAllSubWindows();
        QCoreApplication::processEvents();
        QCOMPARE(main->ActiveForm(), nullptr);
        main->mnuFindNext_Click();
        frmFIND* dialog = openFind();
        QVERIFY(dialog->isVisible());
        setFields(dialog, "x", false, false);
        dialog->Command1->click();
        QVERIFY(!dialog->isVisible());
        QCOMPARE(dialog->Text1->text(), QStringLiteral("x"));
    }

    // The control's own Find, which both dialogs rely on.
    void controlFind_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("what");
        QTest::addColumn<int>("start");
        QTest::addColumn<int>("end");
        QTest::addColumn<int>("options");
        QTest::addColumn<int>("expected");

        QTest::newRow("plain") << "abcabc"
                               << "bc" << 0 << -1 << 0 << 1;
        QTest::newRow("from start") << "abcabc"
                                    << "bc" << 2 << -1 << 0 << 4;
        QTest::newRow("match must end by end") << "dog cat"
                                               << "cat" << 0 << 6 << 0 << -1;
        QTest::newRow("match ending at end") << "dog cat"
                                             << "cat" << 0 << 7 << 0 << 4;
        QTest::newRow("start past the text") << "abc"
                                             << "c" << 9 << -1 << 0 << -1;
        QTest::newRow("negative start") << "abc"
                                        << "a" << -5 << -1 << 0 << 0;
        QTest::newRow("case folding") << "\u00c9t\u00c9"
                                      << "\u00e9t\u00e9" << 0 << -1 << 0 << 0;
        // A refused match must not hide a whole-word one that overlaps it.
        QTest::newRow("whole word after an overlap") << "ba a a"
                                                     << "a a" << 0 << -1 << 2 << 3;
        QTest::newRow("whole word at the start") << "cat"
                                                 << "cat" << 0 << -1 << 2 << 0;
        QTest::newRow("whole word: accent mark") << "cafe\u0301 cafe"
                                                 << "cafe" << 0 << -1 << 2 << 6;
        QTest::newRow("whole word: letters after") << "catalog"
                                                   << "cat" << 0 << -1 << 2 << -1;
        // Edges that are not word characters cannot be part of a longer word.
        QTest::newRow("whole word: punctuation") << "a-b"
                                                 << "-" << 0 << -1 << 2 << 1;
        QTest::newRow("whole word: space edge") << "xcat dog"
                                                << "cat " << 0 << -1 << 2 << -1;
        QTest::newRow("whole word: before the start") << "concat"
                                                      << "cat" << 3 << -1 << 2 << -1;
        QTest::newRow("case sensitive") << "aA"
                                        << "A" << 0 << -1 << 4 << 1;
    }

    void controlFind() {
        QFETCH(QString, text);
        QFETCH(QString, what);
        QFETCH(int, start);
        QFETCH(int, end);
        QFETCH(int, options);
        QFETCH(int, expected);

        txt->setText(text);
        txt->setSelStart(0);
        QCOMPARE(txt->Find(what, start, end, options), expected);
        if (expected >= 0) {
            QCOMPARE(txt->SelStart(), expected);
            QCOMPARE(txt->SelLength(), what.size());
        } else {
            QCOMPARE(txt->SelStart(), 0);
            QCOMPARE(txt->SelLength(), 0);
        }
    }
};

QTEST_MAIN(FindTest)
#include "tst_find.moc"
