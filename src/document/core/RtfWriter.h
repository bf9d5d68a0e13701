// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QStringView>

class QFont;
class QTextDocument;
class TextBuffer;
class TextFormats;

// Writes a QTextDocument as RTF 1.x that word processors open with the same text and formats.
//
// Each run carries its effective font: where a run names no family or size of its own, the
// document's default font fills in, so the editor's base font is written out and comes back.
// Written per run: font, size (half points), bold, italic, underline style, strike-out,
// sub/superscript, text colour (\cf) and background colour (\chcbpat and \highlight); per
// paragraph: alignment and left, right and first-line indents and the space before and after,
// in twips. Every paragraph ends with \par, a line separator (U+2028) is written as \line, a tab
// as \tab. Characters outside ASCII are written as \uN followed by their Windows-1252 byte or
// "?" for readers without Unicode (\uc1). Objects such as images are left out.
namespace RtfWriter {

QByteArray write(const QTextDocument* document);

// A text in its formats as the plain editor holds them, written as write() writes the document
// they came from (FormattedText); runs without a family or size of their own take `base`'s, as
// a document's default font. The text is read a piece at a time. Formats that do not fit the
// text (FormattedText::fits) are left out, with a warning, rather than read past their end.
QByteArray write(const TextBuffer& text, const TextFormats& formats, const QFont& base);

// Plain text written exactly as write() writes a document that setPlainText(text) filled, with
// `font` as its default font, but in one pass over the text, without building the document.
QByteArray writePlain(QStringView text, const QFont& font);

}  // namespace RtfWriter
