// SPDX-License-Identifier: GPL-3.0-or-later
// The plain-text editor: its buffer and undo history against a plain string under random edits,
// keys from a case table, a line of hundreds of kilobytes, input methods and assistive tools.
#include <QAccessible>
#include <QClipboard>
#include <QInputMethodEvent>
#include <QRandomGenerator>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QTextBoundaryFinder>
#include <QtTest>

#include "TestHelpers.h"
#include "document/PlainTextEdit.h"
#include "document/RichTextBox.h"
#include "document/core/EditHistory.h"
#include "document/core/TextBuffer.h"
#include "document/core/TextNavigation.h"

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

// The cases of /usr/share/unicode/auxiliary/<name> (Debian's unicode-data) that hold no control
// character or line break: those are line ends to a text editor.
QStringList unicodeCases(const QString& name) {
    QStringList cases;
    QFile file(QStringLiteral("/usr/share/unicode/auxiliary/") + name);
    if (!file.open(QIODevice::ReadOnly)) return cases;
    for (const QString& line : QString::fromUtf8(file.readAll()).split(u'\n')) {
        if (!line.startsWith(u'\u00F7')) continue;
        QString one;
        bool control = false;
        static const QRegularExpression blank(QStringLiteral("\\s+"));
        for (const QString& token : line.section(u'#', 0, 0).split(blank, Qt::SkipEmptyParts)) {
            if (token.size() < 4) continue;
            const char32_t c = token.toUInt(nullptr, 16);
            const QChar::Category category = QChar::category(c);
            control = control || category == QChar::Other_Control ||
                      category == QChar::Separator_Line || category == QChar::Separator_Paragraph;
            one += QString::fromUcs4(&c, 1);
        }
        if (!control) cases << one;
    }
    return cases;
}

// Where Qt's boundary finder breaks a text, but never inside a surrogate pair (Qt 6.4 does
// between a spacing mark and a regional indicator).
QList<qsizetype> finderBreaks(QTextBoundaryFinder::BoundaryType type, const QString& text) {
    QList<qsizetype> breaks;
    QTextBoundaryFinder finder(type, text);
    for (qsizetype at = finder.toNextBoundary(); at > 0; at = finder.toNextBoundary())
        if (!text[at - 1].isHighSurrogate()) breaks << at;
    return breaks;
}

// A lone surrogate does not survive a round trip through UTF-32.
bool hasLoneSurrogate(const QString& text) {
    const QList<uint> utf32 = text.toUcs4();
    return QString::fromUcs4(reinterpret_cast<const char32_t*>(utf32.data()), utf32.size()) != text;
}

// Presses `key` until the caret stops moving; the places it stopped.
QList<qsizetype> stops(PlainTextEdit& edit, Qt::Key key, Qt::KeyboardModifiers modifiers = {}) {
    QList<qsizetype> at;
    for (qsizetype before = -1; edit.caret() != before;) {
        before = edit.caret();
        QTest::keyClick(&edit, key, modifiers);
        if (edit.caret() != before) at << edit.caret();
    }
    return at;
}

}  // namespace

class PlainTextTest : public QObject {
    Q_OBJECT

  private slots:
    // Random edits, small and large, single and many at once, applied to the buffer and to a
    // string, in Latin-1 and then beyond; then all undone and redone. Copies handed out stay as
    // they were.
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
                // Latin-1 at first, held one byte a character; then also the euro sign, which
                // turns the buffer into UTF-16.
                const QString letters =
                    i < 2000 ? QStringLiteral("ab\nc \u00e9") : QStringLiteral("ab\nc \u20ac");
                for (qsizetype k = 0; k < length; ++k) with += letters[pick(6)];
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
        QVERIFY(!buffer.isLatin1());
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
        QTemporaryDir dir;
        for (const QString& key : row[1].split(u' ')) {
            if (key.startsWith(QLatin1String("width:"))) {
                box.resize(key.mid(6).toInt(), box.height());
            } else if (key == u"save") {
                QVERIFY(box.SaveFile(dir.filePath("saved.txt"), RichTextBox::rtfText));
            } else if (key.startsWith(QLatin1String("type:"))) {
                // A key a code point, as X11 sends an emoji: one event, two UTF-16 units.
                for (char32_t c : key.mid(5).toUcs4()) {
                    const QString text = QString::fromUcs4(&c, 1);
                    QTest::sendKeyEvent(QTest::Press, edit, Qt::Key_unknown, text, {});
                    QTest::sendKeyEvent(QTest::Release, edit, Qt::Key_unknown, text, {});
                }
            } else {
                const QKeyCombination combination = QKeySequence(key)[0];
                QTest::keyClick(edit, combination.key(), combination.keyboardModifiers());
            }
        }
        QCOMPARE(mark(*edit), row[2]);
    }

    // Unicode's grapheme cluster cases: Right and Left (Left and Right in a right-to-left line)
    // stop, Delete and overwrite remove, exactly where Qt's boundary finder sees a character end;
    // Backspace never leaves half of one.
    void characterKeysOnUnicodeCases() {
        const QStringList cases = unicodeCases(QStringLiteral("GraphemeBreakTest.txt"));
        QVERIFY2(cases.size() > 400, "GraphemeBreakTest.txt of Debian's unicode-data");
        PlainTextEdit edit;
        edit.resize(2000, 100);
        QStringList wrong;
        for (const QString& text : cases) {
            const QList<qsizetype> clusters = finderBreaks(QTextBoundaryFinder::Grapheme, text);
            const QString afterFirst = text.mid(clusters.front());
            edit.load(text);
            // The arrow pointing the way the line runs steps forward.
            const bool rtl = text.isRightToLeft();
            const QList<qsizetype> right = stops(edit, rtl ? Qt::Key_Left : Qt::Key_Right);
            QList<qsizetype> left = stops(edit, rtl ? Qt::Key_Right : Qt::Key_Left);
            std::reverse(left.begin(), left.end());
            edit.select(0, 0);
            QTest::keyClick(&edit, Qt::Key_Delete);
            const QString deleted = edit.text();
            edit.load(text);
            edit.setOverwriteMode(true);
            QTest::keyClicks(&edit, QStringLiteral("X"));
            edit.setOverwriteMode(false);
            const QString overwritten = edit.text();
            edit.load(text);
            edit.select(text.size(), text.size());
            QTest::keyClick(&edit, Qt::Key_Backspace);
            const QString backspaced = edit.text();

            QList<qsizetype> expectedLeft = clusters;
            expectedLeft.removeLast();
            expectedLeft.prepend(0);
            const qsizetype lastStart = expectedLeft.back();
            const bool backspaceOk = !hasLoneSurrogate(backspaced) &&
                                     backspaced.size() >= lastStart &&
                                     backspaced.size() < text.size();
            if (right != clusters || left != expectedLeft || deleted != afterFirst ||
                overwritten != u'X' + afterFirst || !backspaceOk)
                wrong << QString::fromLatin1(text.toUtf8().toHex(' '));
        }
        QVERIFY2(wrong.isEmpty(), qPrintable(wrong.mid(0, 5).join(u'/')));
    }

    // Unicode's word boundary cases: word moves and the word a double-click takes stop only at
    // word boundaries.
    void wordKeysOnUnicodeCases() {
        const QStringList cases = unicodeCases(QStringLiteral("WordBreakTest.txt"));
        QVERIFY2(cases.size() > 1000, "WordBreakTest.txt of Debian's unicode-data");
        PlainTextEdit edit;
        edit.resize(2000, 100);
        QStringList wrong;
        for (const QString& text : cases) {
            QList<qsizetype> words = finderBreaks(QTextBoundaryFinder::Word, text);
            words.prepend(0);
            edit.load(text);
            const QList<qsizetype> right = stops(edit, Qt::Key_Right, Qt::ControlModifier);
            const QList<qsizetype> left = stops(edit, Qt::Key_Left, Qt::ControlModifier);
            bool ok = !right.isEmpty() && right.back() == text.size() && !left.isEmpty() &&
                      left.back() == 0;
            for (qsizetype at : right + left) ok = ok && words.contains(at);
            QList<qsizetype> carets = finderBreaks(QTextBoundaryFinder::Grapheme, text);
            carets.prepend(0);
            for (qsizetype at : carets) {
                const auto [from, to] = TextNavigation::wordAt(edit.buffer(), at);
                ok = ok && from <= at && at <= to && from < to && words.contains(from) &&
                     words.contains(to);
            }
            if (!ok) wrong << QString::fromLatin1(text.toUtf8().toHex(' '));
        }
        QVERIFY2(wrong.isEmpty(), qPrintable(wrong.mid(0, 5).join(u'/')));
    }

    // End, Shift+End and a click past the end of a row wrapped inside a word reach past its last
    // character, and the caret shows there, not at the next row's start; a row of emoji is
    // never cut inside one.
    void endOfRowsWrappedInWords() {
        PlainTextEdit edit;
        edit.resize(150, 200);
        edit.show();
        for (const QString& unit : {QStringLiteral("x"), QStringLiteral("\U0001F600")}) {
            edit.load(unit.repeated(200));
            edit.setFocus();
            const QRect first = edit.characterRect(0);
            QTest::keyClick(&edit, Qt::Key_End);
            const qsizetype end = edit.caret();
            QVERIFY(end > 0 && end < edit.length() && !edit.text()[end].isLowSurrogate());
            QCOMPARE(edit.characterRect(end).y(), first.y());
            QVERIFY(edit.characterRect(end).x() > first.x() + 60);
            QTest::keyClick(&edit, Qt::Key_Down);
            QTest::keyClick(&edit, Qt::Key_Home);
            QCOMPARE(edit.caret(), end);             // where the second row starts
            QTest::keyClick(&edit, Qt::Key_Delete);  // an edit leaves the caret where it shows
            QVERIFY(edit.characterRect(end).y() > first.y());
            QTest::keyClick(&edit, Qt::Key_Up);
            QTest::keyClick(&edit, Qt::Key_End, Qt::ShiftModifier);
            QCOMPARE(edit.selectedText(), edit.text().left(end));
            QTest::mouseClick(edit.viewport(), Qt::LeftButton, {},
                              QPoint(edit.viewport()->width() - 2, first.center().y()));
            QCOMPARE(edit.caret(), end);
            QCOMPARE(edit.characterRect(end).y(), first.y());
        }
    }

    // A right-to-left line is aligned to the right, every row of it, also in a line too long to
    // lay out at once where a later piece starts with a left-to-right word; no row of it ends
    // inside a character.
    void rightToLeftLines() {
        PlainTextEdit edit;
        edit.resize(300, 200);
        edit.show();
        const int right = edit.viewport()->width();
        edit.load(QStringLiteral("\u05E9\u05DC\u05D5\u05DD"));
        QVERIFY(edit.characterRect(0).right() > right - 12);
        const int height = edit.characterRect(0).height();
        edit.setFont(QFont(edit.font().family(), edit.font().pointSize() * 2));
        QVERIFY(edit.characterRect(0).height() > height * 3 / 2);
        edit.load(QStringLiteral("\u05E9\u05DC\u05D5\u05DD ") +
                  QStringLiteral("abc ").repeated(1500) + QStringLiteral("abc"));
        QTest::keyClick(&edit, Qt::Key_End, Qt::ControlModifier);
        QVERIFY(edit.characterRect(edit.length() - 1).right() > right - 12);
        // Accented letters in a line of thousands: each row starts with a letter, not a mark.
        edit.load(QStringLiteral("e\u0301a").repeated(3000));
        for (int row = 0; row < 200; ++row) {
            QTest::keyClick(&edit, Qt::Key_Down);
            QTest::keyClick(&edit, Qt::Key_Home);
            QVERIFY(QChar::isLetter(edit.text()[edit.caret()].unicode()));
        }
    }

    // A double-click takes a word, a third click the whole line with its line break.
    void clicksTakeWordsAndLines() {
        PlainTextEdit edit;
        edit.resize(300, 100);
        edit.show();
        edit.load(QStringLiteral("one two\n\U0001D49Cbc four\nfive"));
        const QPoint at = edit.characterRect(10).center();
        QTest::mouseDClick(edit.viewport(), Qt::LeftButton, {}, at);
        QCOMPARE(edit.selectedText(), QStringLiteral("\U0001D49Cbc"));
        QTest::mouseClick(edit.viewport(), Qt::LeftButton, {}, at);
        QCOMPARE(edit.selectedText(), QStringLiteral("\U0001D49Cbc four\n"));
        QTest::mouseClick(edit.viewport(), Qt::LeftButton, {}, at);
        QCOMPARE(edit.selectedText(), QString());
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

        // The input method places the caret within its text; a click drops what it leaves
        // uncommitted.
        const auto caretX = [&](int at) {
            QInputMethodEvent composing(QStringLiteral("WWWW"),
                                        {{QInputMethodEvent::Cursor, at, 1, QVariant()}});
            QCoreApplication::sendEvent(edit, &composing);
            return edit->inputMethodQuery(Qt::ImCursorRectangle).toRect().x();
        };
        QVERIFY(caretX(0) < caretX(2));
        QTest::mouseClick(edit->viewport(), Qt::LeftButton, {}, plain.center());
        QCOMPARE(box.Text(), QStringLiteral("ab"));
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

        // Words, characters and lines around an offset, read without copying the text.
        const auto around = [&](int offset, QAccessible::TextBoundaryType type, int which) {
            int from = -1, to = -1;
            const QString found = which < 0   ? text->textBeforeOffset(offset, type, &from, &to)
                                  : which > 0 ? text->textAfterOffset(offset, type, &from, &to)
                                              : text->textAtOffset(offset, type, &from, &to);
            return QStringLiteral("%1 %2-%3").arg(found).arg(from).arg(to);
        };
        QCOMPARE(around(8, QAccessible::WordBoundary, 0), QStringLiteral("world 7-12"));
        QCOMPARE(around(1, QAccessible::CharBoundary, 1), QStringLiteral("l 2-3"));
        QCOMPARE(around(8, QAccessible::LineBoundary, -1), QStringLiteral("hello,\n 0-7"));
    }
};

QTEST_MAIN(PlainTextTest)
#include "tst_plaintext.moc"
