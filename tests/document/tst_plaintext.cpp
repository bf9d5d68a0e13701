// SPDX-License-Identifier: GPL-3.0-or-later
// The plain-text editor: keys from a case table, Unicode's own cases, long lines laid out in
// pieces, the mouse and input methods. The buffer and its undo history against a plain string
// are fuzz/text_buffer's; what assistive tools read and hear is checked through a real AT-SPI
// client (tests/desktop).
#include <QClipboard>
#include <QInputMethodEvent>
#include <QMimeData>
#include <QRandomGenerator>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTextBoundaryFinder>
#include <QTextLayout>
#include <QtTest>
#include <functional>

#include "TestHelpers.h"
#include "document/PlainTextEdit.h"
#include "document/PlainTextLayout.h"
#include "document/RichTextBox.h"
#include "document/core/TextBuffer.h"
#include "document/core/TextNavigation.h"

namespace {

// "[ab]*3" stands for "ababab": long lines in a case table.
QString expandRepeats(QString text) {
    static const QRegularExpression repeat(QStringLiteral("\\[([^\\]]*)\\]\\*(\\d+)"));
    for (QRegularExpressionMatch m = repeat.match(text); m.hasMatch(); m = repeat.match(text))
        text.replace(m.capturedStart(), m.capturedLength(),
                     m.captured(1).repeated(m.captured(2).toInt()));
    return text;
}

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

// Counts the paint events of a widget.
struct PaintCount : QObject {
    int paints = 0;
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == QEvent::Paint) ++paints;
        return false;
    }
};

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
    void keys_data() { addCaseRows(QStringLiteral("editing/keys.tsv"), 4, true); }
    void keys() {
        QFETCH(QStringList, row);
        RichTextBox box;
        box.resize(400, 200);
        auto* edit = qobject_cast<PlainTextEdit*>(box.editor());
        QVERIFY(edit);
        const Marked before = parse(expandRepeats(row[0]));
        box.setText(before.text);
        box.ClearUndo();
        edit->select(before.anchor, before.caret);
        QTemporaryDir dir;
        for (const QString& key : row[1].split(u' ')) {
            if (key.startsWith(QLatin1String("width:"))) {
                box.resize(key.mid(6).toInt(), box.height());
            } else if (key.startsWith(QLatin1String("clip:"))) {
                QGuiApplication::clipboard()->setText(key.mid(5));
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
        QCOMPARE(mark(*edit), expandRepeats(row[2]));
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
            // What is left is the start of the text, not ending inside a surrogate pair.
            const bool backspaceOk =
                text.startsWith(backspaced) &&
                (backspaced.isEmpty() || !backspaced.back().isHighSurrogate()) &&
                backspaced.size() >= lastStart && backspaced.size() < text.size();
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

    // End on a row wrapped inside a word shows the caret at the end of that row, past its last
    // character and never inside one; an edit there leaves it at the next row's start.
    void endOfRowWrappedInAWord() {
        PlainTextEdit edit;
        edit.resize(150, 200);
        edit.show();
        edit.load(QStringLiteral("\U0001F600").repeated(200));
        const QRect first = edit.characterRect(0);
        QTest::keyClick(&edit, Qt::Key_End);
        const qsizetype end = edit.caret();
        QVERIFY(end > 0 && end < edit.length() && !edit.text()[end].isLowSurrogate());
        QCOMPARE(edit.characterRect(end).y(), first.y());
        QTest::keyClick(&edit, Qt::Key_Delete);
        QVERIFY(edit.characterRect(end).y() > first.y());
    }

    // The caret is drawn anew at once when overwrite mode or a drag coming over the text moves
    // it.
    void caretRedrawnAtOnce() {
        PlainTextEdit edit;
        edit.resize(300, 100);
        edit.show();
        QVERIFY(QTest::qWaitForWindowExposed(&edit));
        edit.load(QStringLiteral("abc"));
        PaintCount count;
        edit.viewport()->installEventFilter(&count);
        const auto repainted = [&](const std::function<void()>& action) {
            QCoreApplication::processEvents();
            count.paints = 0;
            action();
            QCoreApplication::processEvents();
            return count.paints > 0;
        };
        QVERIFY(repainted([&] { edit.setOverwriteMode(true); }));
        QMimeData data;
        data.setText(QStringLiteral("XY"));
        QVERIFY(repainted([&] {
            QDragEnterEvent enter(edit.characterRect(1).center(), Qt::CopyAction, &data,
                                  Qt::LeftButton, {});
            QCoreApplication::sendEvent(edit.viewport(), &enter);
        }));
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

    // A long line is laid out in pieces, yet wraps row for row as the whole line at once would,
    // also after edits anywhere in it: no row ends short where a piece does, none is shown twice
    // or lost. Far into a line, rows show at once from the start of a run of pieces and are
    // joined to the rows before when the layout settles.
    void longLinesWrapAsAWhole() {
        QRandomGenerator random(3);
        QString prose;
        while (prose.size() < 100000) {
            prose += QString(1 + random.bounded(11), QChar(u'a' + random.bounded(26)));
            prose += random.bounded(9) ? u' ' : u'-';
        }
        const QFont font;
        constexpr qreal kWidth = 400;
        const auto whole = [&](const QString& text) {
            QTextLayout layout(text, font);
            QTextOption option;
            option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
            option.setTabStopDistance(80);
            layout.setTextOption(option);
            QList<qsizetype> starts;
            layout.beginLayout();
            for (QTextLine row = layout.createLine(); row.isValid(); row = layout.createLine()) {
                row.setLineWidth(kWidth);
                starts << row.textStart();
            }
            layout.endLayout();
            return starts;
        };
        // Where the rows start, which must tile the line; {-1} where they do not.
        const auto inPieces = [&](PlainTextLayout& layout, const TextBuffer& text) {
            QList<qsizetype> starts;
            qsizetype end = 0;
            for (TextRow row = layout.rowAt(0); row.isValid(); row = layout.next(row)) {
                if (layout.rowStart(row) != end) return QList<qsizetype>{-1};
                starts << end;
                end += layout.line(row).textLength();
            }
            return end == text.length() ? starts : QList<qsizetype>{-1};
        };

        TextBuffer buffer;
        buffer.setText(prose);
        PlainTextLayout layout(buffer);
        layout.setFont(font);
        layout.setWidth(kWidth);
        const auto settled = [&] {
            layout.last();
            while (!layout.settled(buffer.length())) layout.settle(buffer.length(), 1000);
            return inPieces(layout, buffer);
        };
        layout.last();  // far into the line: shown from the start of the last run at once
        QVERIFY(!layout.settled(90000) && layout.settle(90000, 1000) && layout.settled(90000));
        QVERIFY(!layout.settled(buffer.length()));
        QCOMPARE(settled(), whole(prose));
        // Typing in a piece, at and near the places pieces start, at the end of the line;
        // deleting a word and a long stretch.
        const QList<std::tuple<qsizetype, qsizetype, QString>> edits = {
            {20000, 0, QStringLiteral("X")},
            {4096, 0, QStringLiteral(" ")},
            {65400, 0, QStringLiteral("longerword")},
            {65500, 5, QString()},
            {-1, 0, QStringLiteral(" end")},
            {8190, 0, QStringLiteral("\u0301")},
            {50000, 3000, QString()}};
        for (const auto& [where, removed, with] : edits) {
            const qsizetype at = where < 0 ? buffer.length() : where;
            buffer.replace(at, removed, with);
            layout.lineEdited(at, removed, with.size());
            QCOMPARE(settled(), whole(buffer.text()));
        }
        // One word repeated: two ways of wrapping it never meet again.
        const QString repeated = QStringLiteral("abcdefghi ").repeated(8000);
        buffer.setText(repeated);
        layout.invalidateAll();
        QCOMPARE(settled(), whole(repeated));
        // An edit that moves no row leaves the rest of the line joined as it was.
        buffer.replace(40000, 1, QStringLiteral("a"));
        layout.lineEdited(40000, 1, 1);
        QCOMPARE(layout.rowStart(layout.last()), whole(repeated).back());
        QVERIFY(layout.settled(buffer.length()));
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
    void shortcutsLeftToTheWindow_data() {
        addCaseRows(QStringLiteral("editing/shortcuts.tsv"), 4);
    }
    void shortcutsLeftToTheWindow() {
        QFETCH(QStringList, row);
        PlainTextEdit edit;
        const QKeyCombination key = QKeySequence(row[0])[0];
        QKeyEvent event(QEvent::ShortcutOverride, key.key(), key.keyboardModifiers(), row[1]);
        event.ignore();
        QCoreApplication::sendEvent(&edit, &event);
        QCOMPARE(event.isAccepted(), row[2] == u'1');
    }

    // A line of 300 KB opens, scrolls and takes typing in its middle like any other; it is
    // wrapped on the screen only, and saved comes back byte for byte.
    void longLineStaysEditable() {
        QTemporaryDir dir;
        QString line;
        for (int i = 0; line.size() < 300000; ++i) line += QStringLiteral("word%1 ").arg(i % 97);
        const QByteArray bytes = line.toUtf8() + "\r\nend\r\n";
        QVERIFY(writeBytes(dir.filePath("line.txt"), bytes));
        RichTextBox box;
        box.resize(500, 300);
        box.show();
        QVERIFY(box.LoadFile(dir.filePath("line.txt"), RichTextBox::rtfText));
        QVERIFY(box.SaveFile(dir.filePath("saved.txt"), RichTextBox::rtfText));
        QCOMPARE(readBytes(dir.filePath("saved.txt")), bytes);
        auto* edit = qobject_cast<PlainTextEdit*>(box.editor());
        QScrollBar* bar = edit->verticalScrollBar();
        QVERIFY(bar->maximum() > 0);

        box.setSelStart(150000);
        QTest::keyClicks(edit, "XYZ");
        QCOMPARE(box.Text(), line.left(150000) + "XYZ" + line.mid(150000) + "\nend\n");
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

        // Its candidate window follows the caret: every move tells it where the caret is now.
        QApplication::setActiveWindow(&box);
        edit->setFocus();
        QTRY_VERIFY(edit->hasFocus());
        QInputMethod* inputMethod = QGuiApplication::inputMethod();
        QSignalSpy told(inputMethod, &QInputMethod::cursorRectangleChanged);
        const auto caretAt = [&] { return edit->inputMethodQuery(Qt::ImCursorRectangle).toRect(); };
        const QRect before = caretAt();
        QTest::keyClick(edit, Qt::Key_End);
        QCOMPARE(told.count(), 1);
        QVERIFY(caretAt().x() > before.x());
    }
};

QTEST_MAIN(PlainTextTest)
#include "tst_plaintext.moc"
