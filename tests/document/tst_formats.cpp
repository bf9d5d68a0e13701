// SPDX-License-Identifier: GPL-3.0-or-later
// Character and paragraph formats following the edits of a formatted text in the plain-text
// editor: the insertion rules from a case table, and random edits, Replace All, undo and redo
// against a model that keeps one format per character and per line.
#include <QRandomGenerator>
#include <QtTest>

#include "TestHelpers.h"
#include "document/PlainTextEdit.h"
#include "document/RichTextBox.h"

namespace {

// A text with a format for every character and every line; digits and capitals as in
// editing/formats.tsv.
struct Formatted {
    QString text;
    std::vector<int> chars, lines{0};
    bool merged = true;  // no run empty or of the format of the run before it

    static Formatted parse(const QString& marked) {
        Formatted f;
        int format = 0;
        for (QChar c : marked) {
            if (c.isDigit()) {
                format = c.digitValue();
            } else if (c.isUpper()) {
                f.lines.back() = c.unicode() - 'A';
            } else {
                f.text += c;
                f.chars.push_back(format);
                if (c == u'\n') f.lines.push_back(f.lines.back());
            }
        }
        return f;
    }
    static Formatted of(const PlainTextEdit& edit) {
        Formatted f{edit.text(), {}, {}};
        const TextFormats& formats = *edit.formats();
        for (const TextFormats::Run& run : formats.runs(0, formats.length())) {
            f.merged &= run.end > run.start && (f.chars.empty() || f.chars.back() != run.format);
            f.chars.insert(f.chars.end(), size_t(run.end - run.start), run.format);
        }
        for (qsizetype line = 0; line < formats.lineCount(); ++line)
            f.lines.push_back(formats.blockFormatOf(line));
        return f;
    }
    QString mark() const {
        if (chars.size() != size_t(text.size()) || !merged) return "<formats amiss>";
        QString marked;
        size_t line = 0;
        for (qsizetype i = 0; i <= text.size(); ++i) {
            const bool lineStart = i == 0 || text[i - 1] == u'\n';
            if (lineStart) marked += QChar(u'A' + (line < lines.size() ? lines[line++] : 99));
            if (i == text.size()) break;
            if (lineStart || chars[size_t(i)] != chars[size_t(i - 1)])
                marked += QChar(u'0' + chars[size_t(i)]);
            marked += text[i];
        }
        return marked + (line == lines.size() ? "" : "<lines differ>");
    }
    TextFormats formats() const {
        TextFormats formats;
        for (int id = 1; id < 10; ++id) {
            QTextCharFormat format;
            format.setFontPointSize(id);
            formats.internChar(format);
            QTextBlockFormat block;
            block.setIndent(id);
            formats.internBlock(block);
        }
        formats.reset(text.size(), qsizetype(lines.size()));
        for (qsizetype i = 0; i < text.size(); ++i)
            formats.appendCharFormat(i, i + 1, chars[size_t(i)]);
        for (size_t line = 0; line < lines.size(); ++line)
            formats.setBlockFormat(qsizetype(line), lines[line]);
        return formats;
    }

    // The model of an edit: inserted text in one format chosen by the rules, new lines in the
    // format of the line the edit starts in, merged lines gone.
    void replace(qsizetype at, qsizetype count, const QString& with) {
        int format = 0;
        if (count > 0 && text[at] != u'\n') {
            format = chars[size_t(at)];
        } else if (at > 0 && text[at - 1] != u'\n') {
            format = chars[size_t(at - 1)];
        } else if (at < text.size()) {
            format = chars[size_t(at)];
        } else if (at > 0) {
            format = chars[size_t(at - 1)];
        }
        const auto line = lines.begin() + text.left(at).count(u'\n');
        const int lineFormat = *line;
        lines.insert(lines.erase(line + 1, line + 1 + text.mid(at, count).count(u'\n')),
                     size_t(with.count(u'\n')), lineFormat);
        chars.insert(chars.erase(chars.begin() + at, chars.begin() + at + count),
                     size_t(with.size()), format);
        text.replace(at, count, with);
    }
};

}  // namespace

class FormatsTest : public QObject {
    Q_OBJECT

  private slots:
    void insertionRules_data() { addCaseRows(QStringLiteral("editing/formats.tsv"), 6, true); }
    void insertionRules() {
        QFETCH(QStringList, row);
        const Formatted before = Formatted::parse(row[0]);
        PlainTextEdit edit;
        edit.loadFormatted(before.text, before.formats());
        std::vector<qsizetype> positions;
        for (const QString& at : row[1].split(u';')) positions.push_back(at.toInt());
        edit.replaceAll(positions, row[2].toInt(), row[3], RichTextBox::UndoUnknown);
        QCOMPARE(Formatted::of(edit).mark(), Formatted::parse(row[4]).mark());
        edit.undo();
        QCOMPARE(Formatted::of(edit).mark(), before.mark());
        edit.redo();
        QCOMPARE(Formatted::of(edit).mark(), Formatted::parse(row[4]).mark());
    }

    // Random edits by every path (replacements, typing, deleting and overwriting keys, Replace
    // All), undo and redo, each checked against the model and its history.
    void randomEditsFollowTheModel() {
        QRandomGenerator random(24);
        PlainTextEdit edit;
        Formatted model;
        std::vector<Formatted> history;  // the model after each step
        size_t done = 0;
        bool listening = false;  // the model follows each edit the editor reports
        int edits = 0;
        connect(&edit, &PlainTextEdit::edited, &edit,
                [&](qsizetype at, qsizetype removed, qsizetype inserted) {
                    if (listening) model.replace(at, removed, edit.text().mid(at, inserted));
                    edits += listening;
                });
        // Text, or with `formats` text marked as in the case table.
        const auto someText = [&random](int most, int formats = 0) {
            QString text;
            for (int n = random.bounded(most + 1); n > 0; --n)
                text += QStringLiteral("ab\n 0123ABC")[random.bounded(4 + formats)];
            return text;
        };
        for (int step = 0; step < 4000; ++step) {
            if (step % 100 == 0) {  // a new text in many formats, as edits merge them
                model = Formatted::parse(someText(200, 7));
                edit.loadFormatted(model.text, model.formats());
                history = {model};
                done = 0;
            }
            const qsizetype at = random.bounded(int(model.text.size() + 1));
            const int what = random.bounded(7);
            edit.select(at, at);  // which ends the undo step too
            listening = what < 4;
            edits = 0;
            if (what == 0) {
                edit.replace(at, std::min<qsizetype>(random.bounded(6), model.text.size() - at),
                             someText(5), RichTextBox::UndoUnknown);
            } else if (what <= 2) {
                edit.setOverwriteMode(what == 2);
                QTest::keyClicks(&edit, someText(4).remove(u'\n'));
            } else if (what == 3) {
                const Qt::Key key = random.bounded(2) ? Qt::Key_Backspace : Qt::Key_Delete;
                for (int n = random.bounded(1, 4); n > 0; --n) QTest::keyClick(&edit, key);
            } else if (what == 4) {
                const QString text = model.text, found = text.mid(at, random.bounded(1, 3));
                const QString with = someText(2);
                std::vector<qsizetype> places;
                for (qsizetype i = text.indexOf(found); !found.isEmpty() && i >= 0;
                     i = text.indexOf(found, i + found.size())) {
                    places.push_back(i);
                    model.replace(i + qsizetype(places.size() - 1) * (with.size() - found.size()),
                                  found.size(), with);
                }
                edit.replaceAll(places, found.size(), with, RichTextBox::UndoUnknown);
                edits = int(places.size());
            } else {
                const bool undo = what == 5;
                if (undo ? done > 0 : done + 1 < history.size()) {
                    model = history[undo ? --done : ++done];
                    undo ? edit.undo() : edit.redo();
                }
            }
            if (edits > 0) {  // a new step
                history.resize(++done);
                history.push_back(model);
            }
            QCOMPARE(Formatted::of(edit).mark(), model.mark());
        }
    }
};

QTEST_MAIN(FormatsTest)
#include "tst_formats.moc"
