// Replace: the dialog, the replace-all run over the region, its messages and its single undo step.
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QPushButton>
#include <QRandomGenerator>
#include <QTextCursor>
#include <QTextDocument>
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
#include "search/frmREPLACE.h"

class ReplaceTest : public QObject {
    Q_OBJECT

    std::unique_ptr<TestEnvironment> env;
    frmMain* main = nullptr;
    RichTextBox* txt = nullptr;
    QList<QDialog*> shown;

    frmREPLACE* openReplace() {
        main->menuItem("mnuReplace")->trigger();
        return main->findChild<frmREPLACE*>();
    }

    void setFields(frmREPLACE* dialog, const QString& what, const QString& with, bool matchCase,
                   bool wholeWord) {
        dialog->txtFind->setText(what);
        dialog->txtReplace->setText(with);
        dialog->Check1->setChecked(matchCase);
        dialog->Check2->setChecked(wholeWord);
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
    void cleanup() { env.reset(); }

    void dialogLayout() {
        frmREPLACE* dialog = openReplace();
        QVERIFY(dialog);
        QCOMPARE(shown, QList<QDialog*>{dialog});
        QCOMPARE(dialog->parentWidget(), main);
        QCOMPARE(dialog->windowTitle(), QStringLiteral("Replace"));
        QCOMPARE(dialog->windowType(), Qt::Tool);
        QCOMPARE(dialog->minimumSize(), dialog->maximumSize());
        QCOMPARE(dialog->size(), twips(dialog, 0, 0, 4305, 1575).size());

        QCOMPARE(dialog->Label1->text(), QStringLiteral("Find:"));
        QCOMPARE(dialog->Label2->text(), QStringLiteral("Replace:"));
        QCOMPARE(dialog->Check1->text(), QStringLiteral("Case sensitive"));
        QCOMPARE(dialog->Check2->text(), QStringLiteral("Match whole word only"));
        QCOMPARE(dialog->Command1->text(), QStringLiteral("Replace"));
        QCOMPARE(dialog->Command2->text(), QStringLiteral("Close"));
        QCOMPARE(dialog->Label1->geometry(), twips(dialog, 50, 160, 735, 255));
        QCOMPARE(dialog->txtFind->geometry(), twips(dialog, 840, 120, 3375, 285));
        QCOMPARE(dialog->Label2->geometry(), twips(dialog, 50, 520, 735, 255));
        QCOMPARE(dialog->txtReplace->geometry(), twips(dialog, 840, 480, 3375, 285));
        QCOMPARE(dialog->Check1->geometry(), twips(dialog, 840, 840, 1455, 255));
        QCOMPARE(dialog->Check2->geometry(), twips(dialog, 2280, 840, 2055, 255));
        QCOMPARE(dialog->Command1->geometry(), twips(dialog, 2400, 1200, 855, 315));
        QCOMPARE(dialog->Command2->geometry(), twips(dialog, 3360, 1200, 855, 315));
        // The captions fit their fixed boxes whatever the desktop font.
        for (QCheckBox* box : dialog->findChildren<QCheckBox*>()) {
            QVERIFY2(box->sizeHint().width() <= box->width(), qPrintable(box->text()));
        }

        QStringList order;
        for (QWidget* w = dialog->nextInFocusChain(); w != dialog; w = w->nextInFocusChain()) {
            if (w->focusPolicy() & Qt::TabFocus) order << w->objectName();
        }
        QCOMPARE(order.mid(0, 2), QStringList({"txtFind", "txtReplace"}));

        // Enter in a box does not press "Replace" by itself.
        setFields(dialog, "a", "b", false, false);
        txt->setText("a");
        QTest::keyClick(dialog->txtFind, Qt::Key_Return);
        QCOMPARE(txt->Text(), QStringLiteral("a"));
        QVERIFY(env->dialogs.messages.isEmpty());
    }

    void replaceAll_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("selStart");
        QTest::addColumn<int>("selLength");
        QTest::addColumn<QString>("what");
        QTest::addColumn<QString>("with");
        QTest::addColumn<int>("options");  // 4 case, 2 whole word
        QTest::addColumn<QString>("expected");
        QTest::addColumn<int>("count");
        QTest::addColumn<int>("caret");  // after the run; -1: the selection is kept

        QTest::newRow("from the start: 3 of 3") << "cat cat cat" << 0 << 0 << "cat"
                                                << "dog" << 0 << "dog dog dog" << 3 << 11;
        QTest::newRow("after the second: 1") << "cat cat cat" << 7 << 0 << "cat"
                                             << "dog" << 0 << "cat cat dog" << 1 << 11;
        QTest::newRow("selected occurrence kept") << "cat cat cat" << 4 << 3 << "cat"
                                                  << "dog" << 0 << "cat cat dog" << 1 << 11;
        QTest::newRow("caret before the end") << "cat cat dog" << 0 << 0 << "cat"
                                              << "x" << 0 << "x x dog" << 2 << 3;
        QTest::newRow("doubling replacement") << "cat cat" << 0 << 0 << "cat"
                                              << "catcat" << 0 << "catcat catcat" << 2 << 13;
        QTest::newRow("new case not searched again") << "aaa" << 0 << 0 << "a"
                                                     << "A" << 0 << "AAA" << 3 << 3;
        QTest::newRow("empty replacement deletes") << "a-b-c-d" << 0 << 0 << "-"
                                                   << "" << 0 << "abcd" << 3 << 3;
        QTest::newRow("whole word") << "cat concat cats cat" << 0 << 0 << "cat"
                                    << "dog" << 2 << "dog concat cats dog" << 2 << 19;
        QTest::newRow("case sensitive") << "Cat cat CAT" << 0 << 0 << "cat"
                                        << "dog" << 4 << "Cat dog CAT" << 1 << 7;
        QTest::newRow("case ignored") << "Cat cat CAT" << 0 << 0 << "cat"
                                      << "dog" << 0 << "dog dog dog" << 3 << 11;
        QTest::newRow("across paragraphs") << "cat\ncat" << 0 << 0 << "cat"
                                           << "a\nb" << 0 << "a\nb\na\nb" << 2 << 7;
        // Each search resumes right after the text just inserted, which it then sees as its left
        // neighbour: a replacement ending in a letter glues on to what follows.
        QTest::newRow("resumes after the replacement") << "x-x-" << 0 << 0 << "x-"
                                                       << "y" << 2 << "yx-" << 1 << 1;
        QTest::newRow("empty replacement, whole word") << "x-x-" << 0 << 0 << "x-"
                                                       << "" << 2 << "" << 2 << 0;
        QTest::newRow("not found") << "cat" << 1 << 1 << "dog"
                                   << "x" << 0 << "cat" << 0 << -1;
        QTest::newRow("only before the region") << "cat dog" << 3 << 0 << "cat"
                                                << "x" << 0 << "cat dog" << 0 << -1;
        QTest::newRow("empty search text") << "cat" << 1 << 0 << ""
                                           << "x" << 0 << "cat" << 0 << -1;
    }

    void replaceAll() {
        QFETCH(QString, text);
        QFETCH(int, selStart);
        QFETCH(int, selLength);
        QFETCH(QString, what);
        QFETCH(QString, with);
        QFETCH(int, options);
        QFETCH(QString, expected);
        QFETCH(int, count);
        QFETCH(int, caret);

        txt->setText(text);
        txt->setSelStart(selStart);
        txt->setSelLength(selLength);
        main->ActiveDocument()->setTag(QString());
        frmREPLACE* dialog = openReplace();
        QVERIFY(dialog->isVisible());
        setFields(dialog, what, with, options & 4, options & 2);
        dialog->Command1->click();

        QVERIFY(!dialog->isVisible());
        QCOMPARE(txt->Text(), expected);
        if (caret >= 0) {
            QCOMPARE(txt->SelStart(), caret);
            QCOMPARE(txt->SelLength(), 0);
        } else {
            QCOMPARE(txt->SelStart(), selStart);
            QCOMPARE(txt->SelLength(), selLength);
        }
        QCOMPARE(main->ActiveDocument()->Tag(), QString(count ? "SAVE" : ""));

        QCOMPARE(env->dialogs.messages.size(), 1);
        const auto message = env->dialogs.messages.first();
        const QString expectedText =
            count
                ? QString("The specified region has been searched. %1 replacements have been made")
                      .arg(count)
                : "Unable to find '" + what + "' in specified range";
        QCOMPARE(message.text, expectedText);
        QCOMPARE(message.style, 0);
        QCOMPARE(message.title, QStringLiteral("Quillo"));
    }

    // Against the loop it stands for: Find from the end of the selection, write SelText, repeat.
    void replaceAllMatchesTheFindLoop() {
        QRandomGenerator random(20240611);
        const QString alphabet = QStringLiteral("aAb _-\n");
        const QStringList searches = {"a", "A", "ab", "a a", "-", "a-", "b_", "aa", " "};
        const QStringList replacements = {"", "a", "x", "aa", "-", "Ab", " a"};
        RichTextBox reference;
        for (int round = 0; round < 400; ++round) {
            QString text;
            const int length = random.bounded(0, 24);
            for (int i = 0; i < length; ++i) text += alphabet[random.bounded(alphabet.size())];
            const QString what = searches[random.bounded(searches.size())];
            const QString with = replacements[random.bounded(replacements.size())];
            const int options = 2 * random.bounded(4);  // 0, 2, 4 or 6
            const int start = random.bounded(0, length + 1);

            reference.setText(text);
            reference.setSelStart(start);
            int loopCount = 0;
            while (loopCount < 100 &&
                   reference.Find(what, reference.SelStart() + reference.SelLength(), -1,
                                  options) >= 0) {
                ++loopCount;
                reference.setSelText(with);
            }

            txt->setText(text);
            txt->setSelStart(start);
            const int count = txt->ReplaceAll(what, with, start, options);
            const QByteArray where = QString("text '%1' from %2: '%3' -> '%4', options %5")
                                         .arg(text)
                                         .arg(start)
                                         .arg(what, with)
                                         .arg(options)
                                         .toUtf8();
            QVERIFY2(count == loopCount, where);
            QVERIFY2(txt->Text() == reference.Text(), where);
            QVERIFY2(txt->SelStart() == reference.SelStart() && txt->SelLength() == 0, where);
        }
    }

    void undoIsOneStep() {
        const QString text = QStringLiteral("one cat, two cats, three cat");
        txt->setText(text);
        txt->ClearUndo();
        frmREPLACE* dialog = openReplace();
        setFields(dialog, "cat", "dog", false, false);
        dialog->Command1->click();
        QCOMPARE(txt->Text(), QStringLiteral("one dog, two dogs, three dog"));

        QVERIFY(txt->CanUndo());
        main->menuItem("mnuEditUndo")->trigger();
        QCOMPARE(txt->Text(), text);
        QVERIFY(!txt->CanUndo());
        txt->Redo();
        QCOMPARE(txt->Text(), QStringLiteral("one dog, two dogs, three dog"));
    }

    void formattingAroundTheMatchesIsKept() {
        txt->setText("cat BOLD cat");
        QTextCursor bold(txt->document());
        bold.setPosition(4);
        bold.setPosition(8, QTextCursor::KeepAnchor);
        QTextCharFormat format;
        format.setFontWeight(QFont::Bold);
        bold.mergeCharFormat(format);

        QCOMPARE(txt->ReplaceAll("cat", "kitten", 0, 0), 2);
        QCOMPARE(txt->Text(), QStringLiteral("kitten BOLD kitten"));
        QTextCursor probe(txt->document());
        probe.setPosition(9);
        QCOMPARE(probe.charFormat().fontWeight(), int(QFont::Bold));
        probe.setPosition(3);
        QVERIFY(probe.charFormat().fontWeight() != int(QFont::Bold));
    }

    void fieldsPersistAndAreSeparateFromFind() {
        frmREPLACE* dialog = openReplace();
        setFields(dialog, "this", "that", true, false);
        dialog->Command2->click();
        QVERIFY(!dialog->isVisible());
        QVERIFY(env->dialogs.messages.isEmpty());

        main->mnuFind_Click();
        frmFIND* find = main->findChild<frmFIND*>();
        QCOMPARE(find->Text1->text(), QString());
        find->Command2_Click();

        txt->setText("something else");
        txt->SelectAll();
        QCOMPARE(openReplace(), dialog);
        QVERIFY(dialog->isVisible());
        QCOMPARE(dialog->txtFind->text(), QStringLiteral("this"));
        QCOMPARE(dialog->txtReplace->text(), QStringLiteral("that"));
        QVERIFY(dialog->Check1->isChecked());
        QVERIFY(!dialog->Check2->isChecked());
        dialog->close();
        QCOMPARE(openReplace(), dialog);
        QCOMPARE(main->findChildren<frmREPLACE*>().size(), 1);
    }

    void browserActiveOrNoDocumentReplacesNothing() {
        txt->setText("cat cat");
        auto* browser = new FakeBrowser;
        QMdiSubWindow* window = main->addChildWindow(browser);
        window->show();
        main->mdiArea()->setActiveSubWindow(window);

        frmREPLACE* dialog = openReplace();
        setFields(dialog, "cat", "dog", false, false);
        dialog->Command1->click();
        QVERIFY(!dialog->isVisible());
        QCOMPARE(txt->Text(), QStringLiteral("cat cat"));
        QVERIFY(env->dialogs.messages.isEmpty());

        // The changed document asks whether to save it on closing: No.
        env->dialogs.msgBoxAnswers.enqueue(MsgBoxResult::No);
        main->mdiArea()->closeAllSubWindows();
        QCoreApplication::processEvents();
        const int prompts = env->dialogs.messages.size();
        QCOMPARE(main->ActiveForm(), nullptr);
        QCOMPARE(openReplace(), dialog);
        dialog->Command1->click();
        QVERIFY(!dialog->isVisible());
        QCOMPARE(env->dialogs.messages.size(), prompts);
        QCOMPARE(dialog->txtFind->text(), QStringLiteral("cat"));
    }
};

QTEST_MAIN(ReplaceTest)
#include "tst_replace.moc"
