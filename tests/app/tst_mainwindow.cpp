// SPDX-License-Identifier: GPL-3.0-or-later
// The main window made by the real start-up: the settings and command line it reads, the
// commands the refresher offers for the active child, closing a changed document, the Window
// menu, and files dropped onto it. What only a real desktop shows (first start, placement on the
// screen, the close question, a killed editor) is in tests/desktop.
#include <QAbstractScrollArea>
#include <QLineEdit>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QMimeData>
#include <QUrl>
#include <QtTest>

#include "TestEnvironment.h"
#include "TestHelpers.h"
#include "app/Startup.h"
#include "app/frmMain.h"
#include "common/core/DocumentSettings.h"
#include "document/RichTextBox.h"
#include "document/core/PreviewRule.h"
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

// File managers put the addresses in as text as well; the edit controls would take that.
QMimeData* fileDrag(const QStringList& paths) {
    QList<QUrl> urls;
    for (const QString& path : paths) urls << QUrl::fromLocalFile(path);
    auto* data = new QMimeData;
    data->setUrls(urls);
    data->setText(QUrl::toStringList(urls).join(QLatin1Char('\n')));
    return data;
}

// One drag over `target` and a drop on it, as the window system delivers them: whether the
// drag was welcome, and the action the drop took.
std::pair<bool, Qt::DropAction> dragAndDrop(QWidget* target, const QMimeData* data,
                                            Qt::DropActions actions = Qt::CopyAction |
                                                                      Qt::MoveAction) {
    const QPoint pos = target->rect().center();
    QDragEnterEvent enter(pos, actions, data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(target, &enter);
    QDragMoveEvent move(pos, actions, data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(target, &move);
    QDropEvent drop(QPointF(pos), actions, data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(target, &drop);
    QCoreApplication::processEvents();  // the files open once the drop is over
    return {enter.isAccepted(), drop.isAccepted() ? drop.dropAction() : Qt::IgnoreAction};
}

}  // namespace

class MainWindowTest : public WindowTest {
    Q_OBJECT

    frmDocument* document() const { return main->ActiveDocument(); }
    QMdiSubWindow* showBrowser() {
        QMdiSubWindow* window = main->addChildWindow(new FakeBrowser);
        window->show();
        main->mdiArea()->setActiveSubWindow(window);
        return window;
    }
    QString file(const QString& name, const QByteArray& bytes) {
        const QString path = env->scratch(name);
        return writeBytes(path, bytes) ? path : QString();
    }

  private slots:
    void settingTextConversions_data() {
        addCaseRows(QStringLiteral("settings/conversions.tsv"), 4);
    }
    void settingTextConversions() {
        QFETCH(QStringList, row);
        const QString& kind = row[0];
        QString result;
        if (kind == "whole")
            result = QString::number(SettingText::toWholeNumber16(row[1], row[2].toShort()));
        if (kind == "colour")
            result = QString::number(SettingText::toColourValue(row[1], row[2].toInt()));
        if (kind == "flag") result = QString::number(SettingText::toFlag(row[1], row[2].toInt()));
        if (kind == "number")
            result = SettingText::fromNumber(SettingText::toNumber(row[1], nullptr));
        QCOMPARE(result, row[3]);
    }

    // Closing stores the window state; the placement and the document colours only in the
    // normal state.
    void closingStoresThePlacement() {
        env->setSetting("MainLeft", "1234");
        QVERIFY(env->closeMain());
        QCOMPARE(env->setting("WindowState"), QStringLiteral("2"));
        QCOMPARE(env->setting("MainLeft"), QStringLiteral("1234"));
        QCOMPARE(env->setting("DocFG"), QStringLiteral("<missing>"));
        TestEnvironment normal;
        normal.setSetting("FirstTime", "No");
        normal.setSetting("WindowState", "0");
        normal.start();
        QVERIFY(normal.closeMain());
        QCOMPARE(normal.setting("WindowState"), QStringLiteral("0"));
        QCOMPARE(normal.setting("DocFG"), QStringLiteral("0"));
        QVERIFY(normal.setting("MainWidth").toDouble() > 0);
    }

    // A store far larger than the program's keys make it is not read: it is moved aside with
    // a message, the defaults are used and a new store begins. The desktop scenario
    // settings_junk starts the program with 100 MB of junk.
    void oversizedSettingsAreSetAside() {
        TestEnvironment other;
        other.setSetting("FontSize", "30");
        const QString store = other.settingsFolder() + "/Quillo.conf";
        QFile file(store);
        QVERIFY(file.open(QIODevice::Append));
        for (int i = 0; i < 20000; ++i)
            file.write(QByteArray("junk") + QByteArray::number(i) + "=x\n");
        file.close();
        frmMain* started = other.start();
        QCOMPARE(other.dialogs.messages.size(), 1);
        const QString message = other.dialogs.messages[0].text;
        QCOMPARE(other.dialogs.messages[0].style, 48);
        QVERIFY2(message.contains(store) && message.contains("too large") &&
                     message.contains("moved aside"),
                 qPrintable(message));
        QCOMPARE(started->ActiveDocument()->txtText->FontSize(), 10.0);
        const QStringList aside =
            QDir(other.settingsFolder()).entryList({"Quillo.conf.unusable-*"}, QDir::Files);
        QCOMPARE(aside.size(), 1);
        QVERIFY(QFileInfo(other.settingsFolder() + "/" + aside[0]).size() > 64 * 1024);
        QVERIFY(QFileInfo(store).size() < 1024);
        QCOMPARE(other.setting("FontSize"), QStringLiteral("<missing>"));
    }

    // The readme comes on the first start only, installed from share/quillo (beside the program
    // it is the desktop scenario first_start); without one nothing is asked and the next start
    // tries again.
    void readmeOnFirstStart() {
        for (const char* place : {"", "share"}) {
            TestEnvironment other;
            const QString bin = other.scratch("bin"), share = other.scratch("share/quillo");
            QVERIFY(QDir().mkpath(bin) && QDir().mkpath(share));
            if (*place)
                QVERIFY(QFile::copy(QStringLiteral(QUILLO_TEST_DATA "/../../resources/readme.qlo"),
                                    share + "/readme.qlo"));
            other.services.programFolder = bin;
            frmMain* started = other.start();
            QVERIFY(started->windowState() & Qt::WindowMaximized);
            QCOMPARE(started->ActiveDocument()->txtText->Text().isEmpty(), !*place);
            QCOMPARE(started->ActiveDocument()->Tag(), QString());
            QCOMPARE(other.setting("FirstTime"), QString(*place ? "No" : "<missing>"));
            QVERIFY(other.dialogs.messages.isEmpty());
        }
        env->installReadme();  // FirstTime is No already
        QVERIFY(env->start()->ActiveDocument()->txtText->Text().isEmpty());
    }

    // The command line's words are one file name; RTF opens formatted unless it is a page.
    // A file that cannot be read is reported, and the start goes on with an empty document.
    void commandLineFile() {
        QCOMPARE(Startup::commandLineFile({"quillo", "my", "notes.txt"}),
                 QStringLiteral("my notes.txt"));
        QCOMPARE(Startup::commandLineFile({"quillo"}), QString());
        for (const char* name : {"NOTES.RTF", "my notes.qlo", "page.htm", "\"quoted.txt\""}) {
            TestEnvironment other;
            other.setSetting("FirstTime", "No");
            const QString path = other.scratch(QString::fromLatin1(name));
            const bool exists = !path.endsWith(u'"');
            if (exists) QVERIFY(writeBytes(path, "{\\rtf1\\ansi {\\b Bold} text\\par}"));
            frmMain* started = other.start(path);
            frmDocument* opened = started->ActiveDocument();
            QCOMPARE(opened->Caption(), exists ? path : QStringLiteral("Document 1"));
            QCOMPARE(opened->Tag(), QString());
            QCOMPARE(opened->txtText->Text().startsWith(QStringLiteral("Bold text")),
                     exists && !path.endsWith(QStringLiteral(".htm")));
            QCOMPARE(other.dialogs.messages.size(), exists ? 0 : 1);
            if (!exists) {
                QVERIFY(other.dialogs.messages[0].text.contains(path));
                QCOMPARE(other.dialogs.messages[0].style, 16);
            }
            QVERIFY(started->refresherEnabled());
        }
    }

    void refresherFollowsTheActiveChild() {
        // The Edit menu's Undo is off with nothing to undo.
        QMetaObject::invokeMethod(main->menuItem("mnuEdit")->menu(), "aboutToShow");
        QVERIFY(!main->menuItem("mnuEditUndo")->isEnabled());
        QCOMPARE(main->menuItem("mnuEditUndo")->text(), QStringLiteral("&Undo"));
        QCOMPARE(refreshed(main), QStringLiteral("011111111110"));
        QTest::keyClicks(document()->txtText->editor(), "<html>");
        QCOMPARE(document()->Tag(), QStringLiteral("SAVE"));
        QCOMPARE(refreshed(main), QStringLiteral("111111111111"));
        // A tag outside the three literals counts as clean.
        document()->setTag("save");
        QVERIFY(!main->toolbarButton(3)->isEnabled());

        // A browser child: all off, even with documents behind it; New, Open, Browser, Options
        // and About stay on. Back on the document, Preview waits for the next change.
        frmDocument* first = document();
        showBrowser();
        QCOMPARE(refreshed(main), QStringLiteral("000000000000"));
        for (int index : {1, 2, 21, 23, 25}) QVERIFY(main->toolbarButton(index)->isEnabled());
        main->mdiArea()->setActiveSubWindow(qobject_cast<QMdiSubWindow*>(first->parentWidget()));
        QVERIFY(!main->toolbarButton(20)->isEnabled());
        first->txtText->setSelStart(1);
        QVERIFY(main->toolbarButton(20)->isEnabled());

        main->mdiArea()->closeAllSubWindows();
        QCoreApplication::processEvents();
        QCOMPARE(main->ActiveForm(), nullptr);
        QCOMPARE(refreshed(main), QStringLiteral("000000000000"));
        main->mnuFileClose_Click();  // nothing to close, nothing asked
        QVERIFY(env->dialogs.messages.size() <= 1);
    }

    // Preview is offered while the text starts like a page.
    void previewRule() {
        const auto startsLikePage = [](const QString& text) {
            return StartsLikeHtmlPage([&](int i) { return text.at(i); }, int(text.size()));
        };
        for (const char* page : {"<html><body>", "<HTML>", "\r\n  \n<HTML>", "HTML<<>><html>"})
            QVERIFY2(startsLikePage(QString::fromLatin1(page)), page);
        for (const char* other :
             {"", "\t<HTML>", "<body><html>", "<!DOCTYPE html><html>", "Hello <html>", "<htm"})
            QVERIFY2(!startsLikePage(QString::fromLatin1(other)), other);
    }

    // Closing a changed document asks; No closes, Yes saves then closes, unless the save is
    // cancelled or fails. A clean document or a browser window closes without a question.
    void closePrompt_data() {
        QTest::addColumn<int>("answer");
        QTest::addColumn<QString>("saveAs");
        QTest::addColumn<bool>("closes");
        QTest::newRow("No") << int(MsgBoxResult::No) << QString() << true;
        QTest::newRow("Yes") << int(MsgBoxResult::Yes) << "draft.txt" << true;
        QTest::newRow("Yes, save cancelled") << int(MsgBoxResult::Yes) << "" << false;
        QTest::newRow("Yes, save fails") << int(MsgBoxResult::Yes) << "no/such/draft.txt" << false;
        QTest::newRow("Cancel") << int(MsgBoxResult::Cancel) << QString() << false;
    }
    void closePrompt() {
        QFETCH(int, answer);
        QFETCH(QString, saveAs);
        QFETCH(bool, closes);
        main->LoadNewDoc();
        main->mnuFileClose_Click();
        QCoreApplication::processEvents();
        showBrowser();
        main->mnuFileClose_Click();
        QCoreApplication::processEvents();
        QCOMPARE(main->ChildForms().size(), 1);
        QVERIFY(env->dialogs.messages.isEmpty());

        QTest::keyClicks(document()->txtText->editor(), "draft");
        env->dialogs.msgBoxAnswers.enqueue(answer);
        if (!saveAs.isNull())
            env->dialogs.fileAnswers.enqueue(saveAs.isEmpty() ? QString() : env->scratch(saveAs));
        main->mnuFileClose_Click();
        QCoreApplication::processEvents();
        QCOMPARE(main->ChildForms().isEmpty(), closes);
        QVERIFY(env->dialogs.messages[0].text.contains(QStringLiteral("save it")));
        if (answer == MsgBoxResult::Yes && closes)
            QCOMPARE(readBytes(env->scratch(saveAs)), QByteArray("draft"));
        if (!closes) {
            QCOMPARE(document()->txtText->Text(), QStringLiteral("draft"));
            QCOMPARE(document()->Tag(), QStringLiteral("SAVE"));
        }
        // A failed save says so after the question.
        QCOMPARE(env->dialogs.messages.size(), saveAs.contains(u'/') ? 2 : 1);
    }

    // The Window menu lists and activates the documents, the File menu strips; numbers of new
    // documents are never reused.
    void windowMenuAndDocumentNumbers() {
        frmDocument* first = document();
        main->LoadNewDoc();
        QMenu* window = main->menuItem("mnuWindow")->menu();
        for (int shown = 0; shown < 3; ++shown)  // the list is made afresh each time
            QMetaObject::invokeMethod(window, "aboutToShow");
        QList<QAction*> entries;
        for (QAction* action : window->actions())
            if (action->text().contains("Document")) entries << action;
        QCOMPARE(entries.size(), 2);
        QVERIFY(entries[1]->isChecked());
        entries[0]->trigger();
        QCOMPARE(main->ActiveForm(), first);
        QVERIFY(main->mdiArea()->currentSubWindow()->testAttribute(Qt::WA_SetWindowIcon));
        document()->txtText->setText("<HTML><BODY><B>bold</B><P>Next</BODY></HTML>");
        main->menuItem("mnuStrip")->trigger();
        QTRY_COMPARE(document()->txtText->Text(), QStringLiteral("bold\n\nNext"));
        main->tbToolBar_ButtonClick("new");  // toolbar keys are case-sensitive
        QCOMPARE(main->ChildForms().size(), 2);
        for (int i = 0; i < 34; ++i) main->LoadNewDoc();
        main->mnuFileClose_Click();
        main->LoadNewDoc();
        QCOMPARE(document()->Caption(), QStringLiteral("Document 37"));
        main->Arrange(1);
        main->mdiArea()->closeAllSubWindows();
        main->Arrange(0);  // nothing to arrange, nothing happens
    }

    // Dropped files open like File > Open of each, wherever they land: the empty new document
    // takes the first, each further file gets a window. A copy, never a move.
    void dropOpensFiles_data() {
        QTest::addColumn<QString>("where");
        for (const char* where : {"main window", "document area", "rich edit control"})
            QTest::newRow(where) << where;
    }
    void dropOpensFiles() {
        QFETCH(QString, where);
        RichTextBox* text = document()->txtText;
        QWidget* target = where == "main window"     ? main
                          : where == "document area" ? main->mdiArea()->viewport()
                                                     : text->editor()->viewport();
        if (where == "rich edit control")
            QVERIFY(
                text->LoadFile(file("rich.rtf", "{\\rtf1 {\\b Bold}\\par}"), RichTextBox::rtfRTF));
        const bool reused = text->Text().isEmpty();
        const QString first = file("first.txt", "First file\n");
        const QString second = file("second.rtf", "{\\rtf1\\ansi Second {\\i file}\\par}");
        std::unique_ptr<QMimeData> data(fileDrag({first, second}));
        QCOMPARE(dragAndDrop(target, data.get()), std::make_pair(true, Qt::CopyAction));
        QCOMPARE(main->ChildForms().size(), reused ? 2 : 3);
        auto* firstDoc = qobject_cast<frmDocument*>(main->ChildForms().at(reused ? 0 : 1));
        QCOMPARE(firstDoc->Caption(), first);
        QCOMPARE(firstDoc->txtText->Text(), QStringLiteral("First file\n"));
        QCOMPARE(main->ActiveDocument()->Caption(), second);
        QCOMPARE(main->ActiveDocument()->txtText->Text(), QStringLiteral("Second file"));
        QVERIFY(env->dialogs.messages.isEmpty());
    }

    // A file that cannot be read gets Open's message and the next still opens; a web address, a
    // move-only drag or a drop on another window opens nothing.
    void otherDrops() {
        std::unique_ptr<QMimeData> files(
            fileDrag({env->scratch("missing.txt"), file("good.txt", "good")}));
        dragAndDrop(main, files.get());
        QCOMPARE(env->dialogs.messages.size(), 1);
        QVERIFY(env->dialogs.messages[0].text.contains(QStringLiteral("does not exist")));
        QCOMPARE(document()->Caption(), env->scratch("good.txt"));

        main->LoadNewDoc();
        QMimeData link;
        link.setUrls({QUrl(QStringLiteral("http://127.0.0.1/page.html"))});
        QVERIFY(!dragAndDrop(main, &link).first);
        files.reset(fileDrag({file("kept.txt", "kept")}));
        QCOMPARE(dragAndDrop(main, files.get(), Qt::MoveAction).second, Qt::IgnoreAction);
        QLineEdit elsewhere;  // in a window of its own: no business of the main window
        dragAndDrop(&elsewhere, files.get());
        QCOMPARE(main->ChildForms().size(), 2);
        QCOMPARE(document()->txtText->Text(), QString());
        QVERIFY(QFile::exists(env->scratch("kept.txt")));
        // Where a copy is not offered a link will do; the main window comes to the front.
        elsewhere.show();
        elsewhere.activateWindow();
        QTRY_COMPARE(QApplication::activeWindow(), &elsewhere);
        QCOMPARE(dragAndDrop(main, files.get(), Qt::LinkAction),
                 std::make_pair(true, Qt::LinkAction));
        QCOMPARE(document()->Caption(), env->scratch("kept.txt"));
        QTRY_COMPARE(QApplication::activeWindow(), main);
    }
};

QTEST_MAIN(MainWindowTest)
#include "tst_mainwindow.moc"
