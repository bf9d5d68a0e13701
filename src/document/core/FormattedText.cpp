// SPDX-License-Identifier: GPL-3.0-or-later
#include "document/core/FormattedText.h"

#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <algorithm>
#include <vector>

#include "document/core/InertLayout.h"
#include "document/core/TextBuffer.h"

namespace {

// Ids of the document's formats, by the document's own format index: each format is looked
// up and interned once however many fragments share it.
class FormatIds {
  public:
    explicit FormatIds(TextFormats& formats) : formats_(formats) {}

    template <typename Fetch>
    int charId(int index, Fetch fetch) {
        int& id = slot(index);
        if (id < 0) id = formats_.internChar(fetch());
        return id;
    }
    template <typename Fetch>
    int blockId(int index, Fetch fetch) {
        int& id = slot(index);
        if (id < 0) id = formats_.internBlock(fetch());
        return id;
    }

  private:
    int& slot(int index) {
        if (index < 0) {
            unknown_ = -1;  // a format the document has no index for: intern it each time
            return unknown_;
        }
        if (size_t(index) >= ids_.size()) ids_.resize(size_t(index) + 1, -1);
        return ids_[size_t(index)];
    }

    TextFormats& formats_;
    std::vector<int> ids_;
    int unknown_ = -1;
};

bool breaksParagraph(QChar c) {
    const char16_t u = c.unicode();
    return u == '\r' || u == QChar::ParagraphSeparator || u == 0xFDD0 || u == 0xFDD1;
}

}  // namespace

FormattedText FormattedText::fromDocument(const QTextDocument& document) {
    FormattedText result;
    // The raw text holds the document's characters at their positions, the paragraph breaks as
    // U+2029 and the last one left out; the breaks become "\n" in place.
    result.text = document.toRawText();
    TextFormats& formats = result.formats;
    formats.reset(result.text.size(), document.blockCount());
    FormatIds ids(formats);
    // Positions are counted along, as asking the document for them searches its trees.
    qsizetype position = 0;
    qsizetype line = 0;
    for (QTextBlock block = document.begin(); block.isValid(); ++line) {
        formats.setBlockFormat(
            line, ids.blockId(block.blockFormatIndex(), [&] { return block.blockFormat(); }));
        const qsizetype end = position + block.length() - 1;
        if (end > position) {
            for (auto it = block.begin(); !it.atEnd(); ++it) {
                const QTextFragment fragment = it.fragment();
                const int id =
                    ids.charId(fragment.charFormatIndex(), [&] { return fragment.charFormat(); });
                formats.appendCharFormat(position, position + fragment.length(), id);
                position += fragment.length();
            }
        }
        const int mark = ids.charId(block.charFormatIndex(), [&] { return block.charFormat(); });
        const QTextBlock next = block.next();
        if (next.isValid()) {
            result.text[end] = QLatin1Char('\n');
            formats.appendCharFormat(end, end + 1, mark);
        } else {
            formats.setEndMarkFormat(mark);
        }
        position = end + 1;
        block = next;
    }
    return result;
}

bool FormattedText::fits(const TextBuffer& text, const TextFormats& formats) {
    if (formats.length() == text.length() && formats.lineCount() == text.lineCount()) return true;
    qWarning("Formats of %lld characters in %lld lines do not fit a text of %lld in %lld",
             qlonglong(formats.length()), qlonglong(formats.lineCount()), qlonglong(text.length()),
             qlonglong(text.lineCount()));
    return false;
}

void FormattedText::toDocument(const TextBuffer& text, const TextFormats& formats, qsizetype from,
                               qsizetype to, QTextDocument* into) {
    if (!fits(text, formats)) {
        TextFormats plain;
        plain.reset(text.length(), text.lineCount());
        toDocument(text, plain, from, to, into);
        return;
    }
    from = std::clamp<qsizetype>(from, 0, text.length());
    to = std::clamp<qsizetype>(to, from, text.length());
    const bool undo = into->isUndoRedoEnabled();
    into->setUndoRedoEnabled(false);
    into->setDocumentLayout(new InertLayout(into));
    into->clear();
    QTextCursor cursor(into);
    cursor.beginEditBlock();
    constexpr qsizetype kPiece = 1 << 16;  // characters copied out of the buffer at a time
    const qsizetype first = text.lineOf(from);
    const qsizetype last = text.lineOf(to);
    for (qsizetype line = first; line <= last; ++line) {
        const qsizetype lineEnd = text.lineEnd(line);
        const QTextBlockFormat& block = formats.blockFormat(formats.blockFormatOf(line));
        const QTextCharFormat& mark = formats.charFormat(formats.markFormatOf(line, lineEnd));
        if (line == first) {
            cursor.setBlockFormat(block);
            cursor.setBlockCharFormat(mark);
        } else {
            cursor.insertBlock(block, mark);
        }
        formats.forEachRun(std::max(from, text.lineStart(line)), std::min(to, lineEnd),
                           [&](const TextFormats::Run& run) {
                               for (qsizetype at = run.start; at < run.end; at += kPiece) {
                                   QString piece = text.mid(at, std::min(kPiece, run.end - at));
                                   std::replace_if(piece.begin(), piece.end(), breaksParagraph,
                                                   QChar(QChar::LineSeparator));
                                   cursor.insertText(piece, formats.charFormat(run.format));
                               }
                           });
    }
    cursor.endEditBlock();
    into->setUndoRedoEnabled(undo);
    into->setDocumentLayout(nullptr);
}
