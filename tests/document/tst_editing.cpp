// SPDX-License-Identifier: GPL-3.0-or-later
// The Edit menu: Cut, Copy and Paste through the clipboard as plain text, Undo and Redo, and the
// Undo/Redo captions naming what they would revert.
#include <QAbstractScrollArea>
#include <QAction>
#include <QClipboard>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QMimeData>
#include <QtTest>

#include "TestEnvironment.h"
#include "TestHelpers.h"
#include "app/frmMain.h"
#include "common/ChildForm.h"
#include "document/RichTextBox.h"
#include "document/core/TextFormats.h"
#include "document/frmDocument.h"

class EditingTest : public WindowTest {
    Q_OBJECT

    static QClipboard* clipboard() { return QGuiApplication::clipboard(); }
    RichTextBox* text() const { return main->ActiveDocument()->txtText; }
    QWidget* editor() const { return text()->editor(); }
    QAction* undoItem() const { return main->menuItem(QStringLiteral("mnuEditUndo")); }
    QAction* redoItem() const { return main->menuItem(QStringLiteral("mnuEditRedo")); }

    // Opens the Edit menu as the user does, which refreshes the two items; returns their states.
    QString editMenu() const {
        QMenu* menu = main->menuItem(QStringLiteral("mnuEdit"))->menu();
        emit menu->aboutToShow();
        return QStringLiteral("%1%2|%3%4")
            .arg(undoItem()->text(), undoItem()->isEnabled() ? "" : " (off)", redoItem()->text(),
                 redoItem()->isEnabled() ? "" : " (off)");
    }

    void select(int start, int length) {
        text()->setSelStart(start);
        text()->setSelLength(length);
    }

    QTextCharFormat formatAt(qsizetype position) {
        const TextFormats* formats = text()->formats();
        return formats->charFormat(formats->charFormatAt(position));
    }

    bool loadRtf(const QByteArray& rtf) {
        return text()->LoadFile(file("sample.rtf", rtf), RichTextBox::rtfRTF) &&
               text()->isRichMode();
    }

  private slots:
    void init() {
        WindowTest::init();
        clipboard()->clear();
    }

    // Each kind of edit gives its name to the Undo caption, and after Undo to the Redo caption,
    // in both editors; one Undo takes the whole step back.
    void undoNamesAfterEdits_data() {
        QTest::addColumn<QStringList>("row");
        QTest::addColumn<bool>("rich");
        for (QStringList row : caseTable(QStringLiteral("editing/undo-names.tsv")))
            for (bool rich : {false, true})
                QTest::newRow(qPrintable(row.last() + (rich ? " (rich)" : " (plain)")))
                    << row << rich;
    }
    void undoNamesAfterEdits() {
        QFETCH(QStringList, row);
        QFETCH(bool, rich);
        const QString &action = row[0], &name = row[1];
        const QString after = unescapeText(row[2]), undone = unescapeText(row[3]);
        if (rich) QVERIFY(loadRtf("{\\rtf1\\ansi {\\b x}\\par}"));
        text()->setText(QStringLiteral("hello world"));
        text()->ClearUndo();
        text()->setSelStart(11);
        clipboard()->setText(QStringLiteral("[clip]"));

        if (action == "type") {
            QTest::keyClicks(editor(), "!?");
        } else if (action == "enterTwice") {
            QTest::keyClick(editor(), Qt::Key_Return);
            QTest::keyClick(editor(), Qt::Key_Return);
        } else if (action == "typeShifted") {
            for (QChar c : QStringLiteral("!A")) {
                QTest::keyClick(editor(), Qt::Key_Shift, Qt::ShiftModifier);
                QTest::keyClick(editor(), c.toLatin1(), Qt::ShiftModifier);
            }
        } else if (action == "typeOver") {
            select(6, 5);
            QTest::keyClicks(editor(), "X");
        } else if (action == "pasteOver") {
            select(6, 5);
            QTest::keyClick(editor(), Qt::Key_V, Qt::ControlModifier);
        } else if (action == "typeThenPaste") {
            QTest::keyClicks(editor(), "!");
            QTest::keyClick(editor(), Qt::Key_V, Qt::ControlModifier);
        } else if (action == "delete") {
            select(5, 6);
            QTest::keyClick(editor(), Qt::Key_Delete);
        } else if (action == "menuCut") {
            select(5, 6);
            main->mnuEditCut_Click();
        } else if (action == "keyPaste") {
            QTest::keyClick(editor(), Qt::Key_V, Qt::ControlModifier);
        } else if (action == "drop") {
            auto* editorWidget = qobject_cast<QAbstractScrollArea*>(editor());
            QMimeData data;
            data.setText(QStringLiteral("[dropped]"));
            QDragEnterEvent enter(QPoint(1, 1), Qt::CopyAction, &data, Qt::LeftButton,
                                  Qt::NoModifier);
            QCoreApplication::sendEvent(editorWidget->viewport(), &enter);
            QDropEvent drop(QPointF(1, 1), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
            QCoreApplication::sendEvent(editorWidget->viewport(), &drop);
        } else if (action == "program") {
            text()->setText(QStringLiteral("replaced"));
        }
        QCOMPARE(text()->Text(), after);
        QCOMPARE(editMenu(), QStringLiteral("&Undo %1|&Redo (off)").arg(name));

        // Undo and Redo do not refresh the captions themselves; opening the menu does.
        main->mnuEditUndo_Click();
        QCOMPARE(text()->Text(), undone);
        QCOMPARE(undoItem()->text(), QStringLiteral("&Undo %1").arg(name));
        const QString before = undone == u"hello world" ? "&Undo (off)" : "&Undo Typing";
        QCOMPARE(editMenu(), QStringLiteral("%1|&Redo %2").arg(before, name));
        main->ActiveDocument()->setTag(QString());
        main->mnuEditRedo_Click();
        QCOMPARE(main->ActiveDocument()->Tag(), QStringLiteral("SAVE"));  // a change, as any
        QCOMPARE(text()->Text(), after);
        QCOMPARE(editMenu(), QStringLiteral("&Undo %1|&Redo (off)").arg(name));
    }

    // Consecutive typing is one step; a different kind of edit starts a new one.
    void stepsFollowOneAnother() {
        QTest::keyClicks(editor(), "abc def");
        select(0, 3);
        main->mnuEditCut_Click();
        text()->setSelStart(text()->TextLength());
        main->mnuEditPaste_Click();
        QCOMPARE(text()->Text(), QStringLiteral(" defabc"));
        QTest::keyClicks(editor(), "!");
        main->mnuEditPaste_Click();
        main->mnuEditPaste_Click();
        QCOMPARE(text()->Text(), QStringLiteral(" defabc!abcabc"));
        for (int i = 0; i < 5; ++i) main->Undo();
        QCOMPARE(text()->Text(), QStringLiteral("abc def"));
        QCOMPARE(editMenu(), QStringLiteral("&Undo Typing|&Redo Cut"));
        main->Undo();
        QCOMPARE(text()->Text(), QString());
        QCOMPARE(editMenu(), QStringLiteral("&Undo (off)|&Redo Typing"));

        // A new edit after Undo drops the redo steps and names itself.
        QTest::keyClick(editor(), Qt::Key_Z);
        QCOMPARE(editMenu(), QStringLiteral("&Undo Typing|&Redo (off)"));
    }

    void cutWithoutSelection() {
        QTest::keyClicks(editor(), "text");
        main->ActiveDocument()->setTag(QString());
        text()->ClearUndo();
        clipboard()->setText(QStringLiteral("before"));
        main->mnuEditCut_Click();
        QCOMPARE(clipboard()->text(), QString());
        QCOMPARE(text()->Text(), QStringLiteral("text"));
        QCOMPARE(main->ActiveDocument()->Tag(), QString());
        QCOMPARE(editMenu(), QStringLiteral("&Undo (off)|&Redo (off)"));
    }

    // Copy of formatted text puts only its characters on the clipboard; they paste as plain text.
    void copyOfFormattedTextIsPlain() {
        QVERIFY(
            loadRtf("{\\rtf1\\ansi{\\colortbl;\\red255\\green0\\blue0;}plain {\\b\\cf1\\fs40 "
                    "bold red}\\par}"));
        const int at = text()->Text().indexOf(QStringLiteral("bold"));
        select(at, 8);
        main->mnuEditCopy_Click();
        const QMimeData* data = clipboard()->mimeData();
        QCOMPARE(data->text(), QStringLiteral("bold red"));
        QCOMPARE(data->formats(), QStringList{QStringLiteral("text/plain")});
        QCOMPARE(text()->SelText(), QStringLiteral("bold red"));  // copying changes nothing

        // A rich clipboard pastes as text too, without its formats.
        auto* rich = new QMimeData;
        rich->setHtml(QStringLiteral("<b>html</b>"));
        rich->setText(QStringLiteral("html"));
        clipboard()->setMimeData(rich);
        text()->setSelStart(0);
        QTest::keyClick(editor(), Qt::Key_V, Qt::ControlModifier);
        QVERIFY(text()->Text().startsWith(QStringLiteral("htmlplain")));
        QVERIFY(formatAt(0).fontWeight() < QFont::Bold);
    }

    // A line break and a no-break space of RTF read, copy and select as Text() shows them.
    void separatorsCopyAsShown() {
        QVERIFY(loadRtf("{\\rtf1\\ansi a\\line b\\~c\\par}"));
        QCOMPARE(text()->Text(), QStringLiteral("a\nb c"));
        select(0, 5);
        QCOMPARE(text()->SelText(), text()->Text());
        QCOMPARE(text()->CharAt(1), QChar(u'\n'));
        main->mnuEditCopy_Click();
        QCOMPARE(clipboard()->text(), text()->Text());
    }

    // With no document, or another kind of window active, the commands leave everything alone.
    void commandsWithoutDocument() {
        QTest::keyClicks(editor(), "behind");
        frmDocument* behind = main->ActiveDocument();
        behind->setTag(QString());
        QCOMPARE(editMenu(), QStringLiteral("&Undo Typing|&Redo (off)"));
        showBrowser();
        for (int round = 0; round < 2; ++round) {
            clipboard()->setText(QStringLiteral("clip"));
            main->mnuEditCut_Click();
            main->mnuEditCopy_Click();
            main->mnuEditPaste_Click();
            main->mnuEditUndo_Click();
            main->mnuEditRedo_Click();
            main->mnuEditSelect_Click();
            QCOMPARE(clipboard()->text(), QStringLiteral("clip"));
            QCOMPARE(editMenu(), QStringLiteral("&Undo (off)|&Redo (off)"));
            QVERIFY(env->dialogs.messages.isEmpty());
            if (round == 0) {
                QCOMPARE(behind->txtText->Text(), QStringLiteral("behind"));
                main->mdiArea()->closeAllSubWindows();
                QCoreApplication::processEvents();
                QCOMPARE(main->ActiveForm(), nullptr);
            }
        }
    }
};

QTEST_MAIN(EditingTest)
#include "tst_editing.moc"
