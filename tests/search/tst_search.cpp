// SPDX-License-Identifier: GPL-3.0-or-later
// Find, Find Next and Replace: the dialogs over the active document, their options and fields,
// and replace-all against the literal Find loop it stands for. Cases: tests/data/search/*.tsv.
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRandomGenerator>
#include <QtTest>

#include "TestEnvironment.h"
#include "TestHelpers.h"
#include "app/frmMain.h"
#include "document/RichTextBox.h"
#include "document/core/TextFormats.h"
#include "document/frmDocument.h"
#include "search/SearchCommands.h"
#include "search/TextSearch.h"
#include "search/frmFIND.h"
#include "search/frmREPLACE.h"

namespace {

// The part of a control that shows something: a caption may have room to spare on its right.
QRect shownPart(const QWidget* w) {
    if (!qobject_cast<const QCheckBox*>(w) && !qobject_cast<const QLabel*>(w)) return w->geometry();
    return QRect(w->pos(), QSize(qMin(w->width(), w->sizeHint().width()), w->height()));
}

}  // namespace

class SearchTest : public WindowTest {
    Q_OBJECT

    RichTextBox* txt = nullptr;
    QList<QDialog*> shown;  // dialogs the modal showing was asked for

    frmFIND* openFind() {
        main->menuItem("mnuFind")->trigger();
        return main->findChild<frmFIND*>();
    }
    frmREPLACE* openReplace() {
        main->menuItem("mnuReplace")->trigger();
        return main->findChild<frmREPLACE*>();
    }
    void select(const QString& text, int start, int length) {
        txt->setText(text);
        txt->setSelStart(start);
        txt->setSelLength(length);
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
        WindowTest::init();
        txt = main->ActiveDocument()->txtText;
    }

    // What a user notices of the fixed-size dialogs: captions that fit, no control over
    // another, the search box ready for typing, one dialog each. (The tab order to the buttons
    // is the desktop scenario find_replace.)
    void dialogsFit() {
        frmFIND* find = openFind();
        QCOMPARE(find->focusWidget(), find->Text1);
        frmREPLACE* replace = openReplace();
        QCOMPARE(replace->focusWidget(), replace->txtFind);
        QCOMPARE(shown, (QList<QDialog*>{find, replace}));
        for (QDialog* dialog : {static_cast<QDialog*>(find), static_cast<QDialog*>(replace)}) {
            QCOMPARE(dialog->parentWidget(), main);
            // Screen readers name each box after its label.
            for (QLabel* label : dialog->findChildren<QLabel*>())
                QVERIFY2(qobject_cast<QLineEdit*>(label->buddy()), qPrintable(label->text()));
            for (QCheckBox* box : dialog->findChildren<QCheckBox*>())
                QVERIFY2(box->sizeHint().width() <= box->width(), qPrintable(box->text()));
            const QList<QWidget*> controls =
                dialog->findChildren<QWidget*>(Qt::FindDirectChildrenOnly);
            for (QWidget* a : controls) {
                QVERIFY2(dialog->rect().contains(shownPart(a)), qPrintable(a->objectName()));
                for (QWidget* b : controls)
                    QVERIFY2(a == b || !shownPart(a).intersects(shownPart(b)),
                             qPrintable(a->objectName() + " over " + b->objectName()));
            }
        }
        QCOMPARE(openFind(), find);
        QCOMPARE(main->findChildren<frmFIND*>().size(), 1);
        find->Command2->click();  // Close
        replace->Command2->click();
        QVERIFY(!find->isVisible() && !replace->isVisible());
    }

    void find_data() { addCaseRows(QStringLiteral("search/find.tsv"), 8, true); }
    void find() {
        QFETCH(QStringList, row);
        select(row[0], row[1].toInt(), row[2].toInt());
        frmFIND* dialog = openFind();
        dialog->Text1->setText(row[3]);
        dialog->Check1->setChecked(row[4].toInt() & 4);
        dialog->Check2->setChecked(row[4].toInt() & 2);
        dialog->Check3->setChecked(row[4].toInt() & 8);
        dialog->Command1->click();
        QVERIFY(!dialog->isVisible());
        QCOMPARE(txt->SelStart(), row[5].toInt());
        QCOMPARE(txt->SelLength(), row[6].toInt());
        QCOMPARE(txt->Text(), row[0]);
        QVERIFY(env->dialogs.messages.isEmpty());
    }

    // Also after a megabyte less three line breaks, where the plain text is read in windows of
    // a megabyte: each text then crosses from one window into the next.
    void controlFind_data() { addCaseRows(QStringLiteral("search/control-find.tsv"), 7, true); }
    void controlFind() {
        QFETCH(QStringList, row);
        for (const int pad : {0, (1 << 20) - 3}) {
            select(QString(pad, u'\n') + row[0], 0, 0);
            const int end = row[3].toInt(), found = row[5].toInt();
            const int expected = found < 0 ? -1 : found + pad;
            QCOMPARE(
                txt->Find(row[1], row[2].toInt() + pad, end < 0 ? end : end + pad, row[4].toInt()),
                expected);
            QCOMPARE(txt->SelStart(), qMax(expected, 0));
            QCOMPARE(txt->SelLength(), expected >= 0 ? row[1].size() : 0);
        }
    }

    void replaceAll_data() { addCaseRows(QStringLiteral("search/replace.tsv"), 10, true); }
    void replaceAll() {
        QFETCH(QStringList, row);
        const int selStart = row[1].toInt(), selLength = row[2].toInt(), count = row[7].toInt();
        select(row[0], selStart, selLength);
        main->ActiveDocument()->setTag(QString());
        frmREPLACE* dialog = openReplace();
        dialog->txtFind->setText(row[3]);
        dialog->txtReplace->setText(row[4]);
        dialog->Check1->setChecked(row[5].toInt() & 4);
        dialog->Check2->setChecked(row[5].toInt() & 2);
        dialog->Check3->setChecked(row[5].toInt() & 8);
        dialog->Command1->click();
        QVERIFY(!dialog->isVisible());
        QCOMPARE(txt->Text(), row[6]);
        const int caret = row[8].toInt();
        QCOMPARE(txt->SelStart(), caret >= 0 ? caret : selStart);
        QCOMPARE(txt->SelLength(), caret >= 0 ? 0 : selLength);
        QCOMPARE(main->ActiveDocument()->Tag(), QString(count ? "SAVE" : ""));
        QCOMPARE(env->dialogs.messages.size(), 1);
        QCOMPARE(env->dialogs.messages[0].text,
                 count
                     ? QStringLiteral(
                           "The specified region has been searched. %1 replacements have been made")
                           .arg(count)
                     : QStringLiteral("Unable to find '%1' in specified range").arg(row[3]));
        QCOMPARE(env->dialogs.messages[0].style, 0);
    }

    // A pattern or replacement that is not valid is told, changes nothing and keeps the dialog
    // for it to be put right; a pattern matching nothing steps through a long text and ends.
    void patternProblems() {
        select("abc abc", 1, 0);
        frmFIND* find = openFind();
        find->Text1->setText("a(b");
        find->Check3->setChecked(true);
        find->Command1->click();
        frmREPLACE* replace = openReplace();
        replace->txtFind->setText("(a)b");
        replace->txtReplace->setText("\\2");
        replace->Check3->setChecked(true);
        replace->Command1->click();
        QVERIFY(find->isVisible() && replace->isVisible());
        QCOMPARE(env->dialogs.messages.size(), 2);
        QCOMPARE(env->dialogs.messages[0].text,
                 "\"a(b\" is not a valid regular expression: missing closing parenthesis (at "
                 "character 4).");
        QCOMPARE(env->dialogs.messages[1].text,
                 "The replacement uses \\2, but the regular expression has only one group.");
        QCOMPARE(txt->Text(), "abc abc");
        QCOMPARE(txt->SelStart(), 1);

        txt->setText(QString(100000, u'y') + "\n\nend");
        txt->setSelStart(0);
        find->Text1->setText("^");
        find->Command1->click();
        QCOMPARE(txt->SelStart(), 100001);
        main->mnuFindNext_Click();
        QCOMPARE(txt->SelStart(), 100002);
        main->mnuFindNext_Click();
        main->mnuFindNext_Click();
        QCOMPARE(txt->SelStart(), 100002);
        txt->setSelStart(0);
        replace->txtFind->setText("y*");
        replace->txtReplace->setText("");
        replace->Command1->click();
        QCOMPARE(txt->Text(), "\n\nend");
    }

    // Against the loop it stands for: Find from the end of the selection, write SelText, repeat.
    // Some texts come after nearly a megabyte of line breaks, so that they cross from one window
    // of the plain text into the next.
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
            if (round % 40 == 0) text.prepend(QString((1 << 20) - 12 + round / 40, u'\n'));
            const QString what = searches[random.bounded(searches.size())];
            const QString with = replacements[random.bounded(replacements.size())];
            const int options = 2 * random.bounded(4);  // 0, 2, 4 or 6
            const int start = random.bounded(0, int(text.size()) + 1);

            reference.setText(text);
            reference.setSelStart(start);
            int loopCount = 0;
            while (loopCount < 100 &&
                   reference.Find(what, reference.SelStart() + reference.SelLength(), -1,
                                  options) >= 0) {
                ++loopCount;
                reference.setSelText(with);
            }
            select(text, start, 0);
            const int count = txt->ReplaceAll(what, with, start, options);
            const QByteArray where = QString("'%1' from %2: '%3' -> '%4', options %5")
                                         .arg(text)
                                         .arg(start)
                                         .arg(what, with)
                                         .arg(options)
                                         .toUtf8();
            QVERIFY2(count == loopCount, where);
            QVERIFY2(txt->Text() == reference.Text(), where);
            QVERIFY2(txt->SelStart() == reference.SelStart() && txt->SelLength() == 0, where);
        }
        // A match right at the start of a window, after a word character, is no whole word.
        select("cat " + QString((1 << 20) - 5, u'-') + "ycat", 0, 0);
        QCOMPARE(txt->ReplaceAll("cat", "dog-", 0, RichTextBox::rtfWholeWord), 1);
    }

    // Replace all is one undo step in either editor, with the text or a pattern, and keeps the
    // formatting around the matches in formatted text.
    void replaceAllIsOneUndoStep() {
        const QString rtf = file("replace-all.rtf", "{\\rtf1\\ansi cat {\\b BOLD} cat}");
        for (int run = 0; run < 4; ++run) {
            const bool rich = run & 1, pattern = run & 2;
            if (rich) {
                QVERIFY(txt->LoadFile(rtf, RichTextBox::rtfRTF));
            } else {
                txt->setText("cat BOLD cat");
            }
            txt->ClearUndo();
            txt->setSelStart(0);
            const TextSearch search{pattern ? "c(a)t" : "cat", 0, pattern};
            QCOMPARE(search.replaceAll(txt, "kitten"), 2);
            QCOMPARE(txt->Text(), QStringLiteral("kitten BOLD kitten"));
            QCOMPARE(txt->SelStart(), 18);
            if (rich) {
                const TextFormats* formats = txt->formats();
                for (int at : {2, 8, 14}) {
                    const QTextCharFormat format = formats->charFormat(formats->charFormatAt(at));
                    QCOMPARE(format.fontWeight() == QFont::Bold, at == 8);
                }
            }
            main->menuItem("mnuEditUndo")->trigger();
            QCOMPARE(txt->Text(), QStringLiteral("cat BOLD cat"));
            QVERIFY(!txt->CanUndo());
        }
    }
};

QTEST_MAIN(SearchTest)
#include "tst_search.moc"
