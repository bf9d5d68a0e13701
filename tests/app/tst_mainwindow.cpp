// SPDX-License-Identifier: GPL-3.0-or-later
// The main window made by the real start-up: the settings and command line it reads, the
// commands the refresher offers for the active child, closing a changed document, the Window
// menu, and files dropped onto it. What only a real desktop shows (first start, placement on the
// screen, the close question, a killed editor) is in tests/desktop.
#include <QLabel>
#include <QLineEdit>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QMimeData>
#include <QUrl>
#include <QtTest>

#include "TestEnvironment.h"
#include "TestHelpers.h"
#include "app/CommandLine.h"
#include "app/RecentFiles.h"
#include "app/Startup.h"
#include "app/frmMain.h"
#include "common/core/DocumentSettings.h"
#include "document/FileCommands.h"
#include "document/LinePosition.h"
#include "document/PlainTextEdit.h"
#include "document/RichTextBox.h"
#include "document/core/DisplayColumn.h"
#include "document/core/PreviewRule.h"
#include "document/core/TextFormats.h"
#include "document/frmDocument.h"

namespace {

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

    void commandLine_data() { addCaseRows(QStringLiteral("app/command-line.tsv"), 4); }
    void commandLine() {
        QFETCH(QStringList, row);
        const auto list = [](const QString& field) {
            return field.isEmpty() ? QStringList() : field.split(u'|');
        };
        const QStringList existing = list(row[1]);
        const CommandLine command = CommandLine::parse(
            list(row[0]), [&](const QString& path) { return existing.contains(path); });
        using Action = CommandLine::Action;
        QString result = command.action == Action::Help      ? QString("help")
                         : command.action == Action::Version ? QString("version")
                         : command.action == Action::Error   ? "error: " + command.error
                                                             : QString("open ");
        if (command.action == Action::Open) {
            QCOMPARE(command.lines.size(), command.files.size());
            for (int i = 0; i < command.files.size(); ++i)
                result += (i ? "|" : "") + command.files[i] +
                          (command.lines[i] ? QString("@%1").arg(command.lines[i]) : "");
        }
        QCOMPARE(result, row[2]);
    }

    // Several files open in windows of their own, each at its line (the last within the text);
    // RTF opens formatted unless it is a page. A file that cannot be read is reported, and the
    // start goes on with an empty document.
    void startFiles() {
        {
            TestEnvironment other;
            other.setSetting("FirstTime", "No");
            const QString empty = other.scratch("empty.txt"), lines = other.scratch("lines.txt"),
                          rich = other.scratch("lines.rtf");
            QVERIFY(writeBytes(empty, "") && writeBytes(lines, "1\n2\n3\n4") &&
                    writeBytes(rich, "{\\rtf1\\ansi one\\par two\\par three}"));
            other.services.startFiles = {empty, lines, rich, lines};
            other.services.startLines = {0, 3, 2, 99};
            frmMain* started = Startup::Main(other.services);
            const QList<ChildForm*> windows = started->ChildForms();
            QCOMPARE(windows.size(), 4);
            const int expected[] = {0, 4, 4, 6};
            for (int i = 0; i < 4; ++i) {
                auto* opened = qobject_cast<frmDocument*>(windows[i]);
                QCOMPARE(opened->Caption(), other.services.startFiles[i]);
                QCOMPARE(opened->txtText->SelStart(), expected[i]);
            }
            delete started;
        }
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

    // Preview is offered while the text starts like a page, and the check kept up to date by
    // edits agrees with one of the whole text after each of them: the text typed forwards,
    // typed backwards, put in the middle of line breaks, and each character changed to a
    // letter and back.
    void previewRule_data() { addCaseRows(QStringLiteral("app/preview-rule.tsv"), 3, true); }
    void previewRule() {
        QFETCH(QStringList, row);
        const QString& given = row[0];
        QCOMPARE(StartsLikeHtmlPage([&](int i) { return given.at(i); }, given.size()),
                 row[1] == "yes");

        QString text;
        PreviewRuleCache cache;
        const auto charAt = [&](qsizetype i) { return text.at(i); };
        const auto edit = [&](qsizetype at, qsizetype removed, const QString& with) {
            text.replace(at, removed, with);
            cache.edited(charAt, at, removed, with.size());
            QCOMPARE(cache.page(), StartsLikeHtmlPage(charAt, text.size()));
        };
        for (qsizetype i = 0; i < given.size(); ++i) edit(i, 0, given.mid(i, 1));
        QCOMPARE(cache.page(), row[1] == "yes");
        edit(0, text.size(), QString());
        for (qsizetype i = given.size(); i-- > 0;) edit(0, 0, given.mid(i, 1));
        edit(0, 0, QString(8, u'\n'));
        edit(4, 0, QStringLiteral("x"));
        edit(4, 1, given);
        edit(4 + given.size(), 0, QStringLiteral("\n<html>"));
        edit(4 + given.size(), 7, QString());
        for (qsizetype i = 0; i < text.size(); ++i) {
            const QString was = text.mid(i, 1);
            edit(i, 1, QStringLiteral("h"));
            edit(i, 1, QStringLiteral("z"));
            edit(i, 1, was);
        }
        cache.reset(charAt, text.size());
        QCOMPARE(cache.page(), StartsLikeHtmlPage(charAt, text.size()));
    }

    // Closing a changed document asks; No closes, Yes saves then closes, unless the save is
    // cancelled or fails. A clean document or a browser window closes without a question.
    void closePrompt_data() { addCaseRows(QStringLiteral("app/close-prompt.tsv"), 4); }
    void closePrompt() {
        QFETCH(QStringList, row);
        const int answer = row[0] == "No"    ? MsgBoxResult::No
                           : row[0] == "Yes" ? MsgBoxResult::Yes
                                             : MsgBoxResult::Cancel;
        const QString& saveAs = row[1];
        const bool closes = row[2] == "1";
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
        if (saveAs != "-")
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

    void columns_data() { addCaseRows(QStringLiteral("editing/columns.tsv"), 3, true); }
    void columns() {
        QFETCH(QStringList, row);
        QCOMPARE(displayColumn(row[0]), row[1].toInt());
    }

    // The panel follows the caret of the active document in either editor, at the end of a
    // 50 MB file too; Go to Line asks within the text's lines and moves there.
    void lineAndColumn() {
        QLabel* panel = main->findChild<QLabel*>("sbPanelCaret");
        RichTextBox* text = document()->txtText;
        const QString big = file("big.txt", QByteArray("x\ty\n").repeated(12'500'000));
        QVERIFY(text->LoadFile(big, RichTextBox::rtfText));
        QTRY_COMPARE(panel->text(), "Ln 1, Col 1");
        QTest::keyClick(text->editor(), Qt::Key_End, Qt::ControlModifier);
        QTRY_COMPARE(panel->text(), QStringLiteral("Ln %L1, Col 1").arg(12'500'001));
        QTest::keyClick(text->editor(), Qt::Key_Up);
        QTest::keyClick(text->editor(), Qt::Key_End);
        QTRY_COMPARE(panel->text(), QStringLiteral("Ln %L1, Col 10").arg(12'500'000));

        env->dialogs.numberAnswers << 3;
        main->menuItem("mnuEditGoTo")->trigger();
        QCOMPARE(
            env->dialogs.numberQuestions,
            {QStringLiteral("Line number (1 to %L1): [12500000, 1..12500001]").arg(12'500'001)});
        QCOMPARE(text->SelStart(), 8);
        QTRY_COMPARE(panel->text(), "Ln 3, Col 1");
        main->mnuEditGoTo_Click();  // cancelled
        QCOMPARE(text->SelStart(), 8);

        // A line of every case above, long enough to be read in several pieces.
        QString line;
        while (line.size() < 300'000)
            for (const QStringList& row : caseTable("editing/columns.tsv"))
                line += unescapeText(row[0]) + u'y';
        text->setText(line);
        text->setSelStart(line.size());
        QCOMPARE(LinePosition::caretPlace(text).column, displayColumn(line));

        QVERIFY(text->LoadFile(file("r.rtf", "{\\rtf1\\ansi one\\par {\\b t}\\tab w\\u246?o}"),
                               RichTextBox::rtfRTF));
        text->setSelStart(text->TextLength());
        QTRY_COMPARE(panel->text(), "Ln 2, Col 12");
        showBrowser();
        QTRY_COMPARE(panel->text(), QString());
    }

    // Zoom changes the view of the active document, by keys, menu and Ctrl+wheel, in either
    // editor: never the document, its formatting or its file.
    void zoom() {
        RichTextBox* text = document()->txtText;
        text->setText("some text");
        document()->setTag(QString());
        const double points = text->FontSize();
        QWidget* view = text->editor();
        main->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(main));
        QTest::keyClick(view, Qt::Key_Plus, Qt::ControlModifier);
        QTest::keyClick(view, Qt::Key_Equal, Qt::ControlModifier);
        QCOMPARE(text->ZoomPercent(), 125);
        QCOMPARE(view->font().pointSizeF(), points * 1.25);
        QWheelEvent wheel(QPointF(5, 5), QPointF(5, 5), {}, QPoint(0, 240), Qt::NoButton,
                          Qt::ControlModifier, Qt::NoScrollPhase, false);
        QApplication::sendEvent(text->editor()->viewport(), &wheel);
        QCOMPARE(text->ZoomPercent(), 175);
        QTest::keyClick(view, Qt::Key_Minus, Qt::ControlModifier);
        QCOMPARE(text->ZoomPercent(), 150);
        text->setFontBold(true);  // a font for the document keeps the view's size
        QCOMPARE(view->font().pointSizeF(), points * 1.5);
        QCOMPARE(text->FontSize(), points);
        QCOMPARE(document()->Tag(), QString());

        const QByteArray rtf = "{\\rtf1\\ansi {\\fs40 Big} text\\par}";
        QVERIFY(text->LoadFile(file("z.rtf", rtf), RichTextBox::rtfRTF));
        QCOMPARE(text->ZoomPercent(), 150);  // the view keeps its size
        auto* shown = static_cast<PlainTextEdit*>(text->editor());
        const int zoomed = shown->characterRect(0).height();
        main->menuItem("mnuViewZoomReset")->trigger();
        QCOMPARE(text->ZoomPercent(), 100);
        QVERIFY2(shown->characterRect(0).height() * 1.4 < zoomed,
                 qPrintable(QString::number(zoomed)));
        const auto sizeAtStart = [text] {
            return text->formats()->charFormat(text->formats()->charFormatAt(0)).fontPointSize();
        };
        QCOMPARE(sizeAtStart(), 20.0);
        for (int i = 0; i < 20; ++i) main->menuItem("mnuViewZoomOut")->trigger();
        QCOMPARE(text->ZoomPercent(), 30);
        QVERIFY(text->SaveFile(env->scratch("z2.rtf"), RichTextBox::rtfRTF));
        QVERIFY(text->LoadFile(env->scratch("z2.rtf"), RichTextBox::rtfRTF));
        QCOMPARE(sizeAtStart(), 20.0);
    }

    // Files opened or saved come first in the File menu, eight at most, each once; choosing
    // one opens it as File > Open does; one that is gone is dropped with a message. The list
    // is in the settings store, so a later run has it.
    void recentFiles() {
        QAction* bar = main->findChild<QAction*>("mnuFileRecentBar");
        QVERIFY(!bar->isVisible());  // no list yet
        QStringList paths;
        for (int i = 0; i < 9; ++i) paths << file(QStringLiteral("f%1.txt").arg(i), "text");
        paths << file("rich.rtf", "{\\rtf1\\ansi {\\b Bold}\\par}");
        for (const QString& path : paths) QVERIFY(main->fileCommands()->OpenFile(path));
        QVERIFY(main->fileCommands()->OpenFile(paths[3]));  // again: moves to the front
        const QString saved = env->scratch("a&b.txt");
        env->dialogs.fileAnswers.enqueue(saved);
        main->mnuFileSaveAs_Click();
        RecentFiles* recent = main->recentFiles();
        QStringList expected = {saved,    paths[3], paths[9], paths[8],
                                paths[7], paths[6], paths[5], paths[4]};
        QCOMPARE(recent->paths(), expected);
        QCOMPARE(env->setting("RecentFile2"), "<missing>");  // not yet: the disk is not waited for
        QTRY_COMPARE(env->setting("RecentFile2"), paths[3]);
        emit main->menuItem("mnuFile")->menu()->aboutToShow();
        QVERIFY(bar->isVisible());
        QCOMPARE(main->findChild<QAction*>("mnuFileRecent1")->text(),
                 "&1 " + QString(saved).replace("&", "&&"));
        QVERIFY(recent->entries()[7]->isVisible());

        QVERIFY(QFile::remove(paths[8]));
        recent->entries()[3]->trigger();
        QCOMPARE(env->dialogs.messages.size(), 1);
        QVERIFY(env->dialogs.messages[0].text.contains(paths[8]));
        expected.removeAll(paths[8]);
        QCOMPARE(recent->paths(), expected);
        QVERIFY(!recent->entries()[7]->isVisible());
        // The empty-document rule and the file type by extension, as File > Open.
        main->LoadNewDoc();
        const int windows = main->ChildForms().size();
        recent->entries()[2]->trigger();
        QCOMPARE(main->ChildForms().size(), windows);
        QCOMPARE(document()->Caption(), paths[9]);
        QCOMPARE(document()->txtText->Text(), QStringLiteral("Bold"));
        QCOMPARE(recent->paths().first(), paths[9]);

        // Another window's addition in the meantime is kept.
        recent->save();
        env->setSetting("RecentFile1", paths[0]);
        recent->remember(paths[1]);
        recent->save();
        QCOMPARE(recent->paths().mid(0, 3), QStringList({paths[1], paths[0], saved}));

        TestEnvironment later;
        later.setSetting("FirstTime", "No");
        later.setSetting("RecentFile1", paths[2]);
        frmMain* next = later.start();
        emit next->menuItem("mnuFile")->menu()->aboutToShow();
        QCOMPARE(next->recentFiles()->entries()[0]->text(), "&1 " + paths[2]);
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
