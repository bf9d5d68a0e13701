// SPDX-License-Identifier: GPL-3.0-or-later
// The plain-text editor's buffer moves its gap with raw memory copies, keeps its line starts in
// packed blocks, and holds a Latin-1 text one byte a character until a wider one comes: any
// sequence of edits, Replace All, undo and redo, from a Latin-1 start of any bytes, must leave
// the same text and lines as a plain string, and never touch memory outside the buffer; the
// formats following the edits cover the text, and undo and redo restore them exactly. The
// deleting keys, whatever the caret's place, never leave half a surrogate pair behind.
#include <QList>
#include <QString>
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "document/core/EditHistory.h"
#include "document/core/TextBuffer.h"
#include "document/core/TextNavigation.h"

namespace {
void check(bool ok) {
    if (!ok) std::abort();
}

// A lone surrogate does not survive a round trip through UTF-32.
bool hasLoneSurrogate(const QString& text) {
    const QList<uint> utf32 = text.toUcs4();
    return QString::fromUcs4(reinterpret_cast<const char32_t*>(utf32.data()), utf32.size()) != text;
}

// What typing inserts: whole code points, among them pairs, accents, a flag and a joiner.
const QString kPieces[] = {QStringLiteral("a"),       QStringLiteral("b"),
                           QStringLiteral("\n"),      QStringLiteral(" "),
                           QStringLiteral("\u00E9"),  QStringLiteral("\U0001F600"),
                           QStringLiteral("e\u0301"), QStringLiteral("\U0001F1E9\U0001F1EA"),
                           QStringLiteral("\u200D"),  QStringLiteral("\U0001F3FD"),
                           QStringLiteral("\u00FF"),  QStringLiteral("\u0100")};

// The caret place at or before `at`: never inside a character.
qsizetype caretAt(const TextBuffer& text, qsizetype at) {
    if (at >= text.length()) return text.length();
    return TextNavigation::previousCharacter(text, TextNavigation::nextCharacter(text, at));
}

// Where a deleting key at `at` deletes to.
qsizetype deletion(const TextBuffer& text, qsizetype at, int key) {
    using namespace TextNavigation;
    const qsizetype ends[] = {nextCharacter(text, at), previousDeletion(text, at),
                              nextWord(text, at), previousWord(text, at), wordAt(text, at).second};
    return ends[key % 5];
}

// The formats of every character and line, to compare whole.
std::vector<qsizetype> formatsOf(const TextFormats& formats) {
    std::vector<qsizetype> all;
    for (const TextFormats::Run& run : formats.runs(0, formats.length())) {
        check(run.end > run.start && (all.empty() || all.back() != run.format));  // merged
        all.insert(all.end(), {run.start, run.format});
    }
    for (qsizetype line = 0; line < formats.lineCount(); ++line)
        all.push_back(formats.blockFormatOf(line));
    return all;
}

void checkLines(const TextBuffer& buffer, const QString& model) {
    check(buffer.lineCount() == model.count(u'\n') + 1);
    qsizetype start = 0;
    for (qsizetype line = 0; line < buffer.lineCount(); ++line) {
        check(buffer.lineStart(line) == start && buffer.lineOf(start) == line);
        const qsizetype end = model.indexOf(u'\n', start);
        check(buffer.lineEnd(line) == (end < 0 ? model.size() : end));
        check(buffer.lineOf(buffer.lineEnd(line)) == line);
        start = end + 1;
    }
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    // Blocks of a few lines, stored wide past a few characters: every edit crosses blocks.
    TextBuffer buffer(LineIndex(8, 6));
    // A loaded Latin-1 text: the first byte says how many of the next are its characters.
    const size_t loaded = size > 0 ? std::min<size_t>(data[0] % 32, size - 1) : 0;
    const QByteArray latin1(reinterpret_cast<const char*>(data) + 1, qsizetype(loaded));
    buffer.setLatin1(latin1);
    QString model = QString::fromLatin1(latin1);
    // Formats follow the text: a character's format (an opaque number here) from its byte.
    TextFormats formats;
    formats.reset(model.size(), buffer.lineCount());
    for (qsizetype k = 0; k < model.size(); ++k)
        formats.appendCharFormat(k, k + 1, uchar(latin1[k]) % 3);
    for (qsizetype line = 0; line < formats.lineCount(); ++line)
        formats.setBlockFormat(line, int(line % 2));
    EditHistory history;
    QList<QString> done{model};  // the text after each recorded step
    QList<std::vector<qsizetype>> doneFormats{formatsOf(formats)};
    qsizetype step = 0;
    QString snapshot, snapshotCopy;
    for (size_t i = loaded + (size > 0 ? 1 : 0); i + 2 < size; i += 3) {
        const qsizetype at = qsizetype(data[i + 1]) * (model.size() + 1) / 256;
        const qsizetype count = std::min<qsizetype>(data[i + 2] % 9, model.size() - at);
        TextChange change;
        switch (data[i] % 5) {
            case 0: {
                QString with;
                for (int k = 0; k < data[i] / 5 % 7; ++k)
                    with += kPieces[(data[i + 2] + k) % std::size(kPieces)];
                // From one caret place to another, as the editor replaces.
                const qsizetype from = caretAt(buffer, at);
                const qsizetype to = caretAt(buffer, at + count);
                change = TextChange::single(from, model.mid(from, to - from), with);
                break;
            }
            case 1: {  // a deleting key at a caret
                const qsizetype caret = caretAt(buffer, at);
                const qsizetype to = deletion(buffer, caret, data[i + 2]);
                const qsizetype from = std::min(caret, to);
                if (from != std::max(caret, to))
                    change = TextChange::single(from, model.mid(from, std::max(caret, to) - from),
                                                QString());
                break;
            }
            case 2:  // every "a", as Replace All does
                for (qsizetype a = model.indexOf(u'a'); a >= 0; a = model.indexOf(u'a', a + 1))
                    change.positions.push_back(a);
                change.removedLength = 1;
                change.removed = QString(qsizetype(change.positions.size()), u'a');
                change.inserted = data[i + 2] % 2 ? QStringLiteral("\nb") : QString();
                break;
            case 3:
                if (data[i + 2] % 2 && history.canUndo()) {
                    history.undo(buffer, &formats);
                    model = done[--step];
                    check(formatsOf(formats) == doneFormats[step]);
                } else if (history.canRedo()) {
                    history.redo(buffer, &formats);
                    model = done[++step];
                    check(formatsOf(formats) == doneFormats[step]);
                }
                break;
            case 4:  // a copy handed out must not change with later edits; a text set anew
                check(snapshot == snapshotCopy);
                snapshot = buffer.text();
                snapshotCopy = QString(snapshot.constData(), snapshot.size());
                if (data[i + 2] % 4 == 0) buffer.setText(model);
                break;
        }
        if (!change.positions.empty()) {
            change.takeFormats(formats, buffer);
            change.apply(buffer, &formats);
            QString next;
            qsizetype from = 0;
            for (qsizetype p : change.positions) {
                next += model.mid(from, p - from) + change.inserted;
                from = p + change.removedLength;
            }
            model = next + model.mid(from);
            history.record(std::move(change), 0, false);  // a step of its own: redo goes
            done.resize(step + 1);
            done.append(model);
            doneFormats.resize(step + 1);
            doneFormats.append(formatsOf(formats));
            ++step;
        }
        check(buffer.length() == model.size() && formats.length() == model.size());
        check(formats.lineCount() == buffer.lineCount());
        check(buffer.mid(at, 16) == model.mid(at, 16));
        check(at >= model.size() || buffer.at(at) == model.at(at));
        check(!buffer.isLatin1() || QtPrivate::isLatin1(model));
        check(!hasLoneSurrogate(model));
    }
    check(buffer.text() == model);
    checkLines(buffer, model);
    return 0;
}
