// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>
#include <QStringView>
#include <algorithm>
#include <functional>
#include <vector>

#include "document/core/LineIndex.h"

// The text of a plain-text document: UTF-16 in one block with a gap where the last edit was, so
// an edit costs time in the distance from the previous one rather than in the length of the
// text; and where every line starts ("\n" ends a line). A loaded text is taken over without a
// copy, and handed out again without one until the next edit.
class TextBuffer {
  public:
    TextBuffer() = default;
    // With a line index of the given block geometry (see LineIndex).
    explicit TextBuffer(LineIndex lines) : lines_(std::move(lines)) {}

    void setText(QString text);
    // The whole text; shares the storage until the next edit.
    QString text() const;
    qsizetype length() const { return store_.size() - gapSize(); }
    QChar at(qsizetype position) const {
        return store_.at(position < gapStart_ ? position : position + gapSize());
    }
    QString mid(qsizetype position, qsizetype count) const;

    // Replaces `count` characters at `position` with `with`.
    void replace(qsizetype position, qsizetype count, QStringView with);
    // Replaces `count` characters at each of `positions` (ascending, not overlapping) with
    // piece(i), in one pass over the text however many there are.
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
    qsizetype gapSize() const { return gapEnd_ - gapStart_; }
    void moveGap(qsizetype to) const;
    void closeGap() const;
    void reserveGap(qsizetype size);
    void indexLines();

    // The storage: text before the gap, the gap, text after it. Moving the gap changes nothing
    // a reader can see, so const readers may do it.
    mutable QString store_;
    mutable qsizetype gapStart_ = 0;
    mutable qsizetype gapEnd_ = 0;
    LineIndex lines_;
};
