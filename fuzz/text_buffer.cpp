// SPDX-License-Identifier: GPL-3.0-or-later
// The plain-text editor's buffer moves its gap with raw memory copies and keeps its line starts
// in packed blocks: any sequence of edits, Replace All, undo and redo must leave the same text
// and lines as a plain string, and never touch memory outside the buffer.
#include <QList>
#include <QString>
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "document/core/EditHistory.h"
#include "document/core/TextBuffer.h"

namespace {
void check(bool ok) {
    if (!ok) std::abort();
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
    EditHistory history;
    QString model;
    QList<QString> done{model};  // the text after each recorded step
    qsizetype step = 0;
    QString snapshot, snapshotCopy;
    for (size_t i = 0; i + 2 < size; i += 3) {
        const qsizetype at = qsizetype(data[i + 1]) * (model.size() + 1) / 256;
        const qsizetype count = std::min<qsizetype>(data[i + 2] % 9, model.size() - at);
        TextChange change;
        switch (data[i] % 5) {
            case 0:
            case 1: {
                QString with;
                for (int k = 0; k < data[i] / 5 % 7; ++k)
                    with += QStringLiteral("ab\n \xE9")[k % 5];
                change = TextChange::single(at, model.mid(at, count), with);
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
                    history.undo(buffer);
                    model = done[--step];
                } else if (history.canRedo()) {
                    history.redo(buffer);
                    model = done[++step];
                }
                break;
            case 4:  // a copy handed out must not change with later edits
                check(snapshot == snapshotCopy);
                snapshot = buffer.text();
                snapshotCopy = QString(snapshot.constData(), snapshot.size());
                break;
        }
        if (!change.positions.empty()) {
            change.apply(buffer);
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
            ++step;
        }
        check(buffer.length() == model.size());
        check(buffer.mid(at, 16) == model.mid(at, 16));
    }
    check(buffer.text() == model);
    checkLines(buffer, model);
    return 0;
}
