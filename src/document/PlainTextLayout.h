// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QFont>
#include <QString>
#include <QTextLayout>
#include <memory>
#include <optional>
#include <unordered_map>
#include <vector>

class TextBuffer;
class TextFormats;

// One row on screen: row `row` of piece `segment` of line `line`.
struct TextRow {
    qsizetype line = -1;
    qsizetype segment = 0;
    int row = 0;
    bool isValid() const { return line >= 0; }
    bool operator==(const TextRow& o) const {
        return line == o.line && segment == o.segment && row == o.row;
    }
    bool operator!=(const TextRow& o) const { return !(*this == o); }
};

// Lays out the lines of a TextBuffer as they are needed, and only those: the rows on screen
// and the few a caret or a scroll passes through. Long lines are laid out in pieces of a few
// thousand characters, each ending where a row may wrap and never inside a character, so an
// edit in a line of megabytes lays out one piece again, not the line.
//
// Rows run on from piece to piece: a piece's last row, cut short by the piece's end, is not
// shown; the next piece starts where that row starts, so a long line wraps as it would laid out
// whole. That makes each piece depend on all before it, so a place far into a line is first
// shown from the start of its run of pieces (a row there may be short): finding a row lays out
// at most one run, never the line up to it. Scrolling down joins each run to the one before as
// it comes to it, and settle() joins those up to a place jumped to in the background.
//
// A line runs right to left or left to right as its first strong character says, every piece of
// it alike, and is aligned to the side it starts from. Layouts are kept in a bounded cache.
//
// Formatted text shows each character in its format and each line as a paragraph: its
// alignment, its indents (the first-line indent on the first row only, wherever the pieces
// are) and the space above it, the larger of its own space before and the space after the line
// above. That space belongs to the paragraph's first row: rowHeight() counts it, rowSpace() says
// how much of the row it is.
class PlainTextLayout {
  public:
    explicit PlainTextLayout(const TextBuffer& text) : text_(text) {}

    void setFont(const QFont& font);
    void setWidth(qreal width);
    // The formatting of the text (null: none, every character in the font), kept by the caller
    // and following its edits; its sizes, indents and spaces shown `scale` times as large.
    void setFormats(const TextFormats* formats, qreal scale = 1);
    // Text being composed by an input method, shown at `position` (empty: none), with the
    // input method's formats (positions within the text; none: underlined).
    void setPreedit(qsizetype position, const QString& text,
                    const QList<QTextLayout::FormatRange>& formats);

    // After an edit within one line (`removed` characters at `position` gave way to
    // `inserted`) / of anything else.
    void lineEdited(qsizetype position, qsizetype removed, qsizetype inserted);
    void invalidateLine(qsizetype line);
    void invalidateAll();
    // Joins the runs of pieces of the line at `position` up to it, for about `milliseconds`, so
    // that the rows shown from there on are those of the whole line; whether rows moved.
    // settled(): nothing is left to join there.
    bool settle(qsizetype position, qint64 milliseconds);
    bool settled(qsizetype position);

    // The row that shows the caret at `position`.
    TextRow rowAt(qsizetype position);
    // The rows after and before; invalid past either end of the text.
    TextRow next(const TextRow& row);
    TextRow previous(const TextRow& row);
    // The row `rows` after (or, negative, before) `row`, stopping at either end of the text.
    TextRow advance(TextRow row, int rows);
    TextRow last();

    QTextLayout* layout(const TextRow& row) { return piece(row.line, row.segment); }
    QTextLine line(const TextRow& row) { return layout(row)->lineAt(row.row); }
    // The last row of the row's piece that is shown; the one after it starts the next piece.
    int lastRow(const TextRow& row);
    // Text position of the first character of the row's piece (its layout's, shown or not) /
    // of the row.
    qsizetype pieceStart(const TextRow& row);
    qsizetype rowStart(const TextRow& row);
    // Where a caret at the end of the row stands: before the space a row wrapped at, else
    // where the next row starts.
    qsizetype rowEnd(const TextRow& row);
    // The row's height on screen, the space above a paragraph included, and that space.
    qreal rowHeight(const TextRow& row);
    qreal rowSpace(const TextRow& row);
    bool rightToLeft(qsizetype line);

  private:
    static constexpr qsizetype kPiece = 4096;
    // Pieces in a run: finding a row lays out at most this many pieces before it.
    static constexpr size_t kRun = 2;
    static constexpr qsizetype kUnknown = -1;
    struct Cached {
        std::unique_ptr<QTextLayout> layout;
        quint64 used = 0;
        qsizetype characters = 0;
    };
    // A line laid out in pieces; positions relative to the line. Piece k ends at starts[k + 1]
    // and its layout begins at origins[k]: where the last row of piece k - 1 starts (kUnknown
    // until that piece is laid out), or starts[k] where the piece is anchored: the first of a
    // run not yet joined to the run before.
    struct LongLine {
        std::vector<qsizetype> starts;
        std::vector<qsizetype> origins;
        size_t anchoredFrom = kRun;
        bool anchored(size_t piece) const { return piece >= anchoredFrom && piece % kRun == 0; }
    };
    static quint64 key(qsizetype line, qsizetype segment) {
        return (quint64(line) << 24) ^ quint64(segment);
    }
    // Where the pieces of a line start, relative to the line (one piece: the line is short).
    const std::vector<qsizetype>& pieces(qsizetype line);
    LongLine* longLine(qsizetype line);
    qsizetype origin(qsizetype line, qsizetype segment);
    // Where the layout of the piece after `segment` begins when that piece goes on from it.
    qsizetype nextOrigin(qsizetype line, qsizetype segment);
    void forget(qsizetype line, size_t segment);
    void joinRun(qsizetype line, LongLine& pieces);
    void joinAfter(qsizetype line, qsizetype segment);
    void dropLayout(qsizetype line, qsizetype segment);
    QTextLayout* piece(qsizetype line, qsizetype segment);
    qsizetype pieceEnd(qsizetype lineStart, qsizetype near) const;
    void evictOld();

    // How a paragraph is placed: its rows' distances from the left and right edges, the first
    // row's further indent (from the side the line starts), the space above it, its alignment.
    struct Paragraph {
        qreal left = 0, right = 0, firstIndent = 0, above = 0;
        Qt::Alignment alignment = Qt::AlignLeft;
    };
    Paragraph paragraph(qsizetype line, bool rightToLeft);
    // A character format as shown: sizes scaled, the editor's font where it names none. Made
    // once per format id.
    const QTextCharFormat& shownFormat(int id);
    // The font of the paragraph mark ending the line, which gives an empty row its height.
    QFont markFont(qsizetype line);
    // The formats of the text from `start`, `length` characters, as ranges of a layout that
    // shows `preeditLength` characters of an input method's text at `preeditAt` (within it).
    QList<QTextLayout::FormatRange> shownRanges(qsizetype start, qsizetype length, int preeditAt,
                                                int preeditLength);

    const TextBuffer& text_;
    const TextFormats* formats_ = nullptr;
    qreal formatScale_ = 1;
    std::vector<std::optional<QTextCharFormat>> shownFormats_;
    QFont font_;
    qreal width_ = 100;
    qsizetype preeditAt_ = -1;
    QString preedit_;
    QList<QTextLayout::FormatRange> preeditFormats_;
    std::unordered_map<quint64, Cached> cache_;
    std::unordered_map<qsizetype, LongLine> longLines_;
    std::unordered_map<qsizetype, bool> longLineRightToLeft_;
    std::vector<qsizetype> onePiece_{0};
    quint64 clock_ = 0;
    qsizetype cachedCharacters_ = 0;
};
