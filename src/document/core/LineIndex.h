// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QtGlobal>
#include <vector>

// Where every line of a text starts, in about two bytes a line: the starts are kept in blocks of
// a few hundred lines, each holding its first line's start and the others relative to it, in 16
// bits where the block spans less than 64 KiB of text and in 32 bits otherwise. A file of 50
// million short lines takes 100 MB instead of 400 MB, and an edit re-encodes one block and
// shifts the blocks after it rather than every line after it.
class LineIndex {
  public:
    // A block holds up to `linesPerBlock` starts; one that spans more than `narrowSpan` positions
    // stores them in 32 bits. Small values only serve to exercise block boundaries in tests.
    explicit LineIndex(int linesPerBlock = 512, quint32 narrowSpan = 0xFFFF);

    // The starts of `text` (a line starts at 0 and after every "\n").
    void assign(const char16_t* text, qsizetype size);
    void assign(const char* text, qsizetype size);  // Latin-1, one byte a character

    qsizetype count() const { return count_; }
    qsizetype start(qsizetype line) const;
    // The line holding `position`: the last one starting at or before it.
    qsizetype lineOf(qsizetype position) const;

    // The text changed: `removed` characters at `position` became `inserted`, whose line breaks
    // are at `breaks` (offsets into the inserted text, ascending).
    void replace(qsizetype position, qsizetype removed, qsizetype inserted,
                 const std::vector<qsizetype>& breaks);

  private:
    template <typename Unit>
    void assignUnits(const Unit* text, qsizetype size);

    struct Block {
        qsizetype base = 0;       // start of the block's first line
        qsizetype firstLine = 0;  // number of that line
        std::vector<quint16> narrow;
        std::vector<quint32> wide;
        qsizetype size() const { return qsizetype(wide.empty() ? narrow.size() : wide.size()); }
        qsizetype at(qsizetype i) const {
            return base + qsizetype(wide.empty() ? narrow[size_t(i)] : wide[size_t(i)]);
        }
    };
    qsizetype blockOfLine(qsizetype line) const;
    qsizetype blockOfPosition(qsizetype position) const;
    // Turns ascending starts into blocks numbered from `firstLine`.
    void encode(const std::vector<qsizetype>& starts, qsizetype firstLine,
                std::vector<Block>& into) const;

    int linesPerBlock_;
    quint32 narrowSpan_;
    std::vector<Block> blocks_;
    qsizetype count_ = 0;
};
