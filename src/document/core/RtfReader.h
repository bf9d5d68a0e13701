// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <functional>

class QTextDocument;
struct FormattedText;

// Reads RTF 1.x, as word processors write it, into the editor's formatted text, or a
// QTextDocument filled from it.
//
// Kept: the text (code pages through \ansicpg and the font table's \fcharset, \'hh, \u with
// \uc fallbacks), character formats (bold, italic, underline styles, strike-out, font, size,
// colours, sub/superscript), paragraph alignment, indents and spacing, line breaks and tabs, the
// shown result of fields. Tables become one paragraph per row with the cells separated by tabs.
// Destinations that hold no body text (headers, footers, pictures, style sheet, document info,
// bookmarks, anything marked \*, ...) are skipped.
//
// Character properties are set explicitly on every run as the RTF states them, with the RTF
// defaults where the file says nothing (12 pt, the \deff font when the font table has it); a run
// whose font the file does not name keeps the editor's (the document's default) family.
// Paragraph indents and spacing are stored in layout units, 15 twips to one unit (96 per inch).
//
// Malformed input is read as far as it makes sense and never fails: unbalanced or missing
// braces, truncated files, huge numbers (clamped), nesting deeper than kMaxGroupDepth (the
// deeper groups share one saved state), binary garbage. Reading stops where the outermost group
// closes, as word processors do.
namespace RtfReader {

constexpr double kTwipsPerUnit = 15.0;
constexpr int kMaxGroupDepth = 512;

// Whether the bytes are RTF at all: "{\rtf" after optional white space and a UTF-8 byte-order
// mark. Files named .rtf that fail this test are meant to be opened as plain text.
bool isRtf(const QByteArray& data);

// Called now and then while reading with the share of the input read so far (0 to 100);
// returning false stops the reading.
using Progress = std::function<bool(int percent)>;

// Replaces `into` with the text read: each paragraph is added once, when its end is read, in its
// final formats, in time linear in the input. Returns false, leaving `into` untouched, when the
// data is not RTF, and false with part of the text read when `progress` stopped the reading.
bool read(const QByteArray& data, FormattedText* into, const Progress& progress = {});

// The same, put into a document as FormattedText::toDocument puts it (its default font stays; it
// is left without a layout and with an empty undo history).
bool read(const QByteArray& data, QTextDocument* document, const Progress& progress = {});

}  // namespace RtfReader
