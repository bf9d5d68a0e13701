// SPDX-License-Identifier: GPL-3.0-or-later
// The plain-text editor: its buffer and undo history against a plain string under random edits,
// keys from a case table, a line of hundreds of kilobytes, input methods and assistive tools.
#include <QAccessible>
#include <QClipboard>
#include <QInputMethodEvent>
#include <QRandomGenerator>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QtTest>

#include "TestHelpers.h"
#include "document/PlainTextEdit.h"
#include "document/RichTextBox.h"
#include "document/core/EditHistory.h"
#include "document/core/TextBuffer.h"

namespace {

// "a{bc|d": the text "abcd", anchor 1, caret 3.
struct Marked {
    QString text;
    qsizetype anchor = 0, caret = 0;
};

Marked parse(const QString& marked) {
    Marked m;
    m.text = marked;
    m.caret = m.text.indexOf(u'|');
    m.text.remove(m.caret, 1);
    m.anchor = m.text.indexOf(u'{');
    if (m.anchor < 0) {
        m.anchor = m.caret;
    } else {
        m.text.remove(m.anchor, 1);
        if (m.anchor < m.caret) --m.caret;
    }
    return m;
}

QString mark(const PlainTextEdit& edit) {
    QString text = edit.text();
    const qsizetype caret = edit.caret(), anchor = edit.anchor();
    if (anchor != caret) text.insert(std::max(anchor, caret), anchor > caret ? u'{' : u'|');
    text.insert(std::min(anchor, caret), anchor < caret ? u'{' : u'|');
    return text;
}

// What the buffer says of its lines, against the lines of `expected`.
bool linesMatch(const TextBuffer& buffer, const QString& expected) {
    qsizetype start = 0, line = 0;
    for (;; ++line) {
        if (line >= buffer.lineCount() || buffer.lineStart(line) != start) return false;
        const qsizetype end = expected.indexOf(u'\n', start);
        if (buffer.lineEnd(line) != (end < 0 ? expected.size() : end)) return false;
        if (buffer.lineOf(start) != line) return false;
        if (end < 0) break;
        start = end + 1;
    }
    return buffer.lineCount() == line + 1;
}

}  // namespace

class PlainTextTest : public QObject {
    Q_OBJECT

  private slots:
    // Random edits, small and large, single and many at once, applied to the buffer and to a
    // string; then all undone and redone. Copies handed out stay as they were.
    void bufferAndHistoryMatchAString() {
        QRandomGenerator random(7);
        const auto pick = [&](qsizetype bound) { return qsizetype(random.bounded(int(bound))); };
        TextBuffer buffer;
        EditHistory history;
        QString expected;
        QList<QString> states{expected};
        QString handedOut;
        QString handedOutCopy;
        for (int i = 0; i < 4000; ++i) {
            TextChange change;
            if (i % 97 == 96) {  // every "a" at once, as Replace All does
                for (qsizetype at = expected.indexOf(u'a'); at >= 0;
                     at = expected.indexOf(u'a', at + 1))
                    change.positions.push_back(at);
                if (change.positions.empty()) continue;
                change.removedLength = 1;
                change.removed = QString(qsizetype(change.positions.size()), u'a');
                change.inserted = i % 2 ? QStringLiteral("\nA") : QString();
            } else {
                const qsizetype at = pick(expected.size() + 1);
                const qsizetype count = pick(std::min<qsizetype>(expected.size() - at, 9) + 1);
                QString with;
                const qsizetype length = i % 500 == 0 ? 6000 : pick(6);
                for (qsizetype k = 0; k < length; ++k) with += QStringLiteral("ab\nc ")[pick(5)];
                change = TextChange::single(at, expected.mid(at, count), with);
            }
            change.apply(buffer);
            QString next;
            qsizetype from = 0;
            for (qsizetype at : change.positions) {
                next += expected.mid(from, at - from) + change.inserted;
                from = at + change.removedLength;
            }
            expected = next + expected.mid(from);
            history.record(std::move(change), 0, false);
            states << expected;
            QVERIFY(buffer.length() == expected.size());
            const qsizetype probe = pick(expected.size() + 1);
            QCOMPARE(buffer.mid(probe, 40), expected.mid(probe, 40));
            QVERIFY2(linesMatch(buffer, expected), qPrintable(QString::number(i)));
            if (i % 250 == 0) {
                QCOMPARE(handedOut, handedOutCopy);
                handedOut = buffer.text();
                handedOutCopy = QString(handedOut.constData(), handedOut.size());
            }
        }
        QCOMPARE(buffer.text(), expected);
        for (qsizetype i = states.size() - 2; i >= 0; --i) {
            history.undo(buffer);
            QCOMPARE(buffer.mid(0, buffer.length()), states[i]);
        }
        QVERIFY(linesMatch(buffer, states.front()));
        while (history.canRedo()) history.redo(buffer);
        QCOMPARE(buffer.text(), expected);
        QVERIFY(linesMatch(buffer, expected));
    }

    void keys_data() { addCaseRows(QStringLiteral("editing/keys.tsv"), 4, true); }
    void keys() {
        QFETCH(QStringList, row);
        RichTextBox box;
        box.resize(400, 200);
        auto* edit = qobject_cast<PlainTextEdit*>(box.editor());
        QVERIFY(edit);
        const Marked before = parse(row[0]);
        box.setText(before.text);
        box.ClearUndo();
        edit->select(before.anchor, before.caret);
        for (const QString& key : row[1].split(u' ')) {
            if (key.startsWith(QLatin1String("type:"))) {
                QTest::keyClicks(edit, key.mid(5));
            } else {
                const QKeyCombination combination = QKeySequence(key)[0];
                QTest::keyClick(edit, combination.key(), combination.keyboardModifiers());
            }
        }
        QCOMPARE(mark(*edit), row[2]);
    }

    // The editor takes its own keys before the window's shortcuts, and only those: Alt with a
    // letter opens a menu.
    void shortcutsLeftToTheWindow() {
        PlainTextEdit edit;
        const auto takes = [&](int key, Qt::KeyboardModifiers modifiers, const QString& text) {
            QKeyEvent event(QEvent::ShortcutOverride, key, modifiers, text);
            event.ignore();
            QCoreApplication::sendEvent(&edit, &event);
            return event.isAccepted();
        };
        QVERIFY(takes(Qt::Key_V, Qt::NoModifier, QStringLiteral("v")));
        QVERIFY(takes(Qt::Key_Z, Qt::ControlModifier, QString()));
        QVERIFY(takes(Qt::Key_Home, Qt::NoModifier, QString()));
        QVERIFY(!takes(Qt::Key_V, Qt::AltModifier, QStringLiteral("v")));
        QVERIFY(!takes(Qt::Key_S, Qt::ControlModifier, QString()));
        QVERIFY(!takes(Qt::Key_F3, Qt::NoModifier, QString()));
    }

    // A line of 300 KB opens, scrolls and takes typing in its middle like any other.
    void longLineStaysEditable() {
        QTemporaryDir dir;
        QString line;
        for (int i = 0; line.size() < 300000; ++i) line += QStringLiteral("word%1 ").arg(i % 97);
        QVERIFY(writeBytes(dir.filePath("line.txt"), line.toUtf8()));
        RichTextBox box;
        box.resize(500, 300);
        box.show();
        QVERIFY(box.LoadFile(dir.filePath("line.txt"), RichTextBox::rtfText));
        auto* edit = qobject_cast<PlainTextEdit*>(box.editor());
        QScrollBar* bar = edit->verticalScrollBar();
        QVERIFY(bar->maximum() > 0);

        box.setSelStart(150000);
        QTest::keyClicks(edit, "XYZ");
        QCOMPARE(box.Text(), line.left(150000) + "XYZ" + line.mid(150000));
        QVERIFY(!edit->characterRect(edit->caret()).isEmpty());
        QTest::keyClick(edit, Qt::Key_End, Qt::ControlModifier);
        QCOMPARE(bar->value(), bar->maximum());
        QVERIFY(!edit->characterRect(edit->caret()).isEmpty());
        QTest::keyClick(edit, Qt::Key_Home, Qt::ControlModifier);
        QCOMPARE(bar->value(), 0);
        QTest::keyClick(edit, Qt::Key_PageDown);
        QVERIFY(bar->value() > 0 && edit->caret() > 0);
        QVERIFY(!edit->characterRect(edit->caret()).isEmpty());
        // Clicking where a character is shown puts the caret before it.
        const qsizetype target = edit->caret() + 3;
        QTest::mouseClick(edit->viewport(), Qt::LeftButton, {},
                          edit->characterRect(target).center() - QPoint(1, 0));
        QCOMPARE(edit->caret(), target);
    }

    // Text from a web page or another program's clipboard breaks its lines the way it likes.
    void lineBreaksFromElsewhere() {
        RichTextBox box;
        box.setText(QStringLiteral("one\r\ntwo\rthree"));
        QGuiApplication::clipboard()->setText(QStringLiteral("\r\nfour\r"));
        box.setSelStart(box.TextLength());
        box.Paste();
        QCOMPARE(box.Text(), QStringLiteral("one\ntwo\nthree\nfour\n"));
    }

    // Composed text goes in when the input method commits it, as one typing step.
    void inputMethodCommits() {
        RichTextBox box;
        box.resize(300, 100);
        box.show();
        auto* edit = qobject_cast<PlainTextEdit*>(box.editor());
        box.setText(QStringLiteral("ab"));
        box.ClearUndo();
        const QRect plain = edit->characterRect(1);
        // Composed text shows at the caret until it is committed or given up.
        for (const QString& commit : {QString(), QStringLiteral("\u304b")}) {
            QInputMethodEvent composing(QStringLiteral("WWWW"), {});
            QCoreApplication::sendEvent(edit, &composing);
            QCOMPARE(box.Text(), QStringLiteral("ab"));
            QVERIFY(edit->characterRect(1).x() > plain.x());
            QInputMethodEvent done;
            done.setCommitString(commit);
            QCoreApplication::sendEvent(edit, &done);
            if (commit.isEmpty()) QCOMPARE(edit->characterRect(1), plain);
        }
        QCOMPARE(box.Text(), QStringLiteral("\u304bab"));
        QCOMPARE(box.UndoActionType(), int(RichTextBox::UndoTyping));
        QCOMPARE(edit->inputMethodQuery(Qt::ImSurroundingText).toString(), box.Text());
        QCOMPARE(edit->inputMethodQuery(Qt::ImCursorPosition).toInt(), 1);
        box.Undo();
        QCOMPARE(edit->characterRect(1), plain);
    }

    // Assistive tools read the text, the caret and the selection, and can edit.
    void assistiveToolsSeeTheText() {
        RichTextBox box;
        box.show();
        box.setText(QStringLiteral("hello\nworld"));
        box.setSelStart(6);
        box.setSelLength(5);
        QAccessibleInterface* accessible = QAccessible::queryAccessibleInterface(box.editor());
        QVERIFY(accessible);
        QCOMPARE(accessible->role(), QAccessible::EditableText);
        QAccessibleTextInterface* text = accessible->textInterface();
        QVERIFY(text);
        QCOMPARE(text->characterCount(), 11);
        QCOMPARE(text->text(0, 5), QStringLiteral("hello"));
        int start = 0, end = 0;
        text->selection(0, &start, &end);
        QCOMPARE(start, 6);
        QCOMPARE(end, 11);
        accessible->editableTextInterface()->insertText(5, QStringLiteral(","));
        QCOMPARE(box.Text(), QStringLiteral("hello,\nworld"));
        QVERIFY(box.CanUndo());
    }
};

QTEST_MAIN(PlainTextTest)
#include "tst_plaintext.moc"
