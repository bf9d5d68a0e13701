// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QString>
#include <QStringView>
#include <algorithm>
#include <functional>
#include <vector>

#include "document/core/LineIndex.h"

class TextSnapshot;

// The text of a plain-text document, in one block with a gap where the last edit was, so an
// edit costs time in the distance from the previous one rather than in the length of the text;
// and where every line starts ("\n" ends a line).
//
// While every character is Latin-1 (U+0000 to U+00FF, as most files in Western languages are)
// the block holds one byte a character; the first character beyond turns it into UTF-16 once.
// Positions are UTF-16 offsets either way: a Latin-1 character is one unit. A loaded text is
// taken over without a copy; UTF-16 storage is handed out again without one until the next edit.
class TextBuffer {
  public:
    TextBuffer() = default;
    // With a line index of the given block geometry (see LineIndex).
    explicit TextBuffer(LineIndex lines) : lines_(std::move(lines)) {}

    // Stored one byte a character when every character allows it.
    void setText(QString text);
    // A text of Latin-1 characters, one byte each.
    void setLatin1(QByteArray text);
    // Whether the text is held one byte a character.
    bool isLatin1() const { return !wide_; }

    // The whole text: a copy while held as Latin-1; else shares the storage until the next edit.
    QString text() const;
    qsizetype length() const { return size() - gapSize(); }
    QChar at(qsizetype position) const {
        const qsizetype i = position < gapStart_ ? position : position + gapSize();
        return wide_ ? wideStore_.at(i) : QChar(uchar(narrowStore_.at(i)));
    }
    QString mid(qsizetype position, qsizetype count) const;
    // The text as it is now, to be read on another thread while this buffer goes on being edited.
    TextSnapshot snapshot() const;
    // Up to `count` characters from `position` as held one byte each, as far as the gap: a view
    // of the storage until the next edit. Empty while the text is held in UTF-16.
    QByteArrayView latin1Run(qsizetype position, qsizetype count) const;

    // Replaces `count` characters at `position` with `with`.
    void replace(qsizetype position, qsizetype count, QStringView with);
    // Replaces `count` characters at each of `positions` (ascending, not overlapping) with
    // piece(i), all pieces of one length, in one pass over the text however many there are.
    void replaceMany(const std::vector<qsizetype>& positions, qsizetype count,
                     const std::function<QStringView(size_t)>& piece);

    qsizetype lineCount() const { return lines_.count(); }
    qsizetype lineStart(qsizetype line) const { return lines_.start(line); }
    // Where the line ends: the position of its "\n", or the end of the text.
    qsizetype lineEnd(qsizetype line) const {
        return line + 1 < lineCount() ? lines_.start(line + 1) - 1 : length();
    }
    qsizetype lineLength(qsizetype line) const { return lineEnd(line) - lineStart(line); }
    // The line holding `position` (the end of the text is on the last line).
    qsizetype lineOf(qsizetype position) const {
        return lines_.lineOf(std::clamp<qsizetype>(position, 0, length()));
    }

  private:
    friend class TextSnapshot;
    qsizetype size() const { return wide_ ? wideStore_.size() : narrowStore_.size(); }
    qsizetype gapSize() const { return gapEnd_ - gapStart_; }
    void moveGap(qsizetype to) const;
    void closeGap() const;
    void reserveGap(qsizetype size);
    // Turns Latin-1 storage into UTF-16, the gap closed.
    void widen();
    void indexLines();

    // The storage, in bytes or in UTF-16: text before the gap, the gap, text after it. Moving
    // the gap changes nothing a reader can see, so const readers may do it.
    bool wide_ = false;
    mutable QByteArray narrowStore_;
    mutable QString wideStore_;
    mutable qsizetype gapStart_ = 0;
    mutable qsizetype gapEnd_ = 0;
    LineIndex lines_;
};

// A buffer's text at one moment, readable on another thread while the buffer goes on being
// edited (the reads never move the gap). It shares the buffer's storage, so taking one copies
// nothing; should the buffer be edited while the snapshot lives, the buffer copies its storage
// first (Qt's implicit sharing).
class TextSnapshot {
  public:
    TextSnapshot() = default;
    // A text of its own, as a formatted document gives it.
    TextSnapshot(QString text);
    static TextSnapshot fromLatin1(QByteArray text);

    qsizetype length() const { return text_.length(); }
    bool isLatin1() const { return text_.isLatin1(); }
    QString mid(qsizetype position, qsizetype count) const { return text_.mid(position, count); }
    QByteArrayView latin1Run(qsizetype position, qsizetype count) const {
        return text_.latin1Run(position, count);
    }
    // The whole text, copied.
    QString toString() const { return mid(0, length()); }

  private:
    friend class TextBuffer;
    TextBuffer text_;  // its storage only: no line index
};
