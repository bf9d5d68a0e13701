// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QTextBlockFormat>
#include <QTextCharFormat>
#include <algorithm>
#include <unordered_map>
#include <vector>

// The formatting of a text held elsewhere (a TextBuffer): a character format for every
// character, line breaks included (a line break carries its paragraph mark's format), and a
// paragraph format for every line. Runs of characters of one format are kept as the position
// where each starts, so a document of a million characters in a few formats costs a few entries.
//
// Formats are interned: equal formats share an id, and id 0 is the empty format of each kind.
// Character formats hold what the RTF reader sets (font, size, weight, italic, underline style,
// strike-out, colours, vertical alignment); paragraph formats alignment, indents and spacing.
class TextFormats {
  public:
    TextFormats();

    int internChar(const QTextCharFormat& format);
    int internBlock(const QTextBlockFormat& format);
    const QTextCharFormat& charFormat(int id) const { return charTable_[size_t(id)]; }
    const QTextBlockFormat& blockFormat(int id) const { return blockTable_[size_t(id)]; }
    int charFormatCount() const { return int(charTable_.size()); }

    // A text of `length` characters in `lines` lines, every character and line in format 0.
    void reset(qsizetype length, qsizetype lines);
    qsizetype length() const { return length_; }
    qsizetype lineCount() const { return qsizetype(lines_.size()); }

    // Characters from `from` to `to` take the format `id`.
    void setCharFormat(qsizetype from, qsizetype to, int id);
    void setBlockFormat(qsizetype line, int id) { lines_[size_t(line)] = id; }
    // The format of the character at `position` (0 <= position < length()).
    int charFormatAt(qsizetype position) const;
    int blockFormatOf(qsizetype line) const { return lines_[size_t(line)]; }

    // A stretch of characters in one format.
    struct Run {
        qsizetype start = 0;
        qsizetype end = 0;
        int format = 0;
    };
    // The runs covering `from` to `to`, clipped to that stretch, in order.
    std::vector<Run> runs(qsizetype from, qsizetype to) const;

    // --- Paragraph marks, and runs without a list. ---
    // Each line break carries the mark of the paragraph it ends; the last paragraph has no line
    // break, so its mark is kept here (an empty last paragraph shows it, and RTF writes it).
    void setEndMarkFormat(int id) { endMark_ = id; }
    int endMarkFormat() const { return endMark_; }
    // The format of the paragraph mark of `line`: its line break's, or the end mark.
    int markFormatOf(qsizetype line, qsizetype lineEnd) const {
        return line + 1 < lineCount() ? charFormatAt(lineEnd) : endMark_;
    }
    // Filling a fresh text front to back (after reset()): characters from `from` to `to` take
    // format `id`, where `from` is at or after the end of every stretch given so far; in constant
    // time, where setCharFormat searches.
    void appendCharFormat(qsizetype from, qsizetype to, int id);
    // Calls visit(Run) for the runs covering `from` to `to`, clipped, in order, as runs() lists
    // them, without building the list: writers walk millions of lines this way.
    template <typename Visit>
    void forEachRun(qsizetype from, qsizetype to, Visit&& visit) const {
        from = std::clamp<qsizetype>(from, 0, length_);
        to = std::clamp<qsizetype>(to, from, length_);
        if (from == to || starts_.empty()) return;
        for (size_t i = runIndex(from); i < starts_.size() && starts_[i].position < to; ++i) {
            const qsizetype end = i + 1 < starts_.size() ? starts_[i + 1].position : length_;
            visit(Run{std::max(from, starts_[i].position), std::min(to, end), starts_[i].format});
        }
    }

  protected:
    struct Start {
        qsizetype position;
        int format;
    };
    // Index of the run holding `position`: the last start at or before it.
    size_t runIndex(qsizetype position) const;

    std::vector<Start> starts_;  // ascending; the first at 0 whenever the text is not empty
    std::vector<int> lines_;
    qsizetype length_ = 0;
    int endMark_ = 0;

  private:
    std::vector<QTextCharFormat> charTable_;
    std::vector<QTextBlockFormat> blockTable_;
    std::unordered_multimap<size_t, int> charIds_;
    std::unordered_multimap<size_t, int> blockIds_;
};
