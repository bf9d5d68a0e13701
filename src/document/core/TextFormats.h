// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QTextBlockFormat>
#include <QTextCharFormat>
#include <algorithm>
#include <functional>
#include <unordered_map>
#include <vector>

class TextBuffer;

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

    void setBlockFormat(qsizetype line, int id) { lines_[size_t(line)] = id; }
    // The format of the character at `position` (0 <= position < length()).
    int charFormatAt(qsizetype position) const;
    int blockFormatOf(qsizetype line) const { return lines_[size_t(line)]; }

    // Whether `other` gives every character, every line and the end mark the formats this one
    // gives, compared by value (the ids of two TextFormats need not agree).
    bool sameAs(const TextFormats& other) const;

    // A stretch of characters in one format.
    struct Run {
        qsizetype start = 0;
        qsizetype end = 0;
        int format = 0;
    };
    // The runs covering `from` to `to`, clipped to that stretch, in order.
    std::vector<Run> runs(qsizetype from, qsizetype to) const;
    // Where the run `count` runs after the one holding `position` starts; the text's end when
    // there are not so many.
    qsizetype runStartAfter(qsizetype position, size_t count) const {
        const size_t i = starts_.empty() ? 0 : runIndex(position) + count;
        return i < starts_.size() ? starts_[i].position : length_;
    }

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
    // time.
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
    // ---- Following the edits of the text
    // The formats of stretches of text, as they leave the text or are to enter it: the runs and
    // the paragraph formats of the lines that begin inside (after each line break), one stretch
    // after the other. Put back with the same text, it restores every format exactly.
    struct Slice;
    // The character format of text inserted at `position` where it replaces `removed`
    // characters of `text` (the text these formats cover): that of the first replaced character
    // unless it is a line break, else that of the character before unless there is none or it
    // is a line break, else that of the character at `position`, a line break's too.
    int insertionFormat(const TextBuffer& text, qsizetype position, qsizetype removed) const;
    // The formats of the `count` characters at each of `positions` (ascending), one stretch after
    // the other, taken before they are replaced.
    Slice cut(const TextBuffer& text, const std::vector<qsizetype>& positions,
              qsizetype count) const;
    // The formats new text takes: `inserted` replacing `count` characters at each of `positions`
    // in turn, each place in its insertion format, each new line in the paragraph format of the
    // line its place is in.
    Slice insertion(const TextBuffer& text, const std::vector<qsizetype>& positions,
                    qsizetype count, QStringView inserted) const;
    // Follows the text: at each of `positions` (ascending, in `text` as it is before) `count`
    // characters give way to piece(i), which takes its formats from `formats` (the pieces' slices
    // one after the other). A line break removed merges its lines into the first. One pass over
    // the runs and lines however many places there are.
    void replace(const TextBuffer& text, const std::vector<qsizetype>& positions, qsizetype count,
                 const std::function<QStringView(size_t)>& piece, const Slice& formats);
    // `slice`, taken from `other`, with its format ids made this one's.
    Slice adopt(const TextFormats& other, Slice slice);

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

    // The character format the character before `position` gives (-1: none), and whether it is a
    // line break.
    struct Neighbour {
        int format = -1;
        bool lineBreak = false;
    };
    int chooseFormat(const TextBuffer& text, qsizetype position, qsizetype removed,
                     Neighbour before) const;
    // The paragraph formats' part of replace().
    void replaceLines(const TextBuffer& text, const std::vector<qsizetype>& positions,
                      qsizetype count, const std::function<QStringView(size_t)>& piece,
                      const Slice& formats);
};

struct TextFormats::Slice {
    qsizetype length = 0;
    std::vector<Start> runs;  // from 0 within the slice; none when it is empty
    std::vector<int> lines;

    // `next` goes on where this slice ends.
    void append(const Slice& next);
    // Adds a run of `length` characters in `format`, merged with the last run if alike.
    void appendRun(qsizetype length, int format);
};
