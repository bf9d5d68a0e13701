// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

#include "document/core/TextFormats.h"

class QTextDocument;
class TextBuffer;

// A formatted text as the plain editor holds it: the paragraphs joined by "\n", and their
// formats; and the way to and from a QTextDocument, which the RTF reader fills and printing
// lays out.
//
// Every character but the paragraph breaks is taken as the document's block holds it, a line
// separator (U+2028) and a no-break space included. A "\n" carries the format of the paragraph
// mark it stands for, the mark of the paragraph it ends (QTextBlock::charFormat(), which an empty
// paragraph shows); the last paragraph's mark is the formats' end mark.
struct FormattedText {
    QString text;
    TextFormats formats;

    // The same text in the same formats (compared by value: the format ids may differ).
    bool operator==(const FormattedText& other) const {
        return text == other.text && formats.sameAs(other.formats);
    }

    // A formatted text as it shows as plain text (the clipboard, the searches): a line break for
    // a paragraph or line separator, a space for a no-break space; one character for one, so
    // positions stay.
    static QChar asPlain(QChar c) {
        if (isSeparator(c)) return QLatin1Char('\n');
        return c == QChar::Nbsp ? QChar(QLatin1Char(' ')) : c;
    }
    static QString& asPlain(QString& text) {
        for (QChar& c : text) c = asPlain(c);
        return text;
    }
    // The text as a plain-text file holds it: paragraph and line separators become line breaks;
    // no-break spaces stay.
    static QString plainFileText(QString text) {
        for (QChar& c : text) {
            if (isSeparator(c)) c = QLatin1Char('\n');
        }
        return text;
    }
    // A paragraph or line separator: a line break wherever the text is plain.
    static bool isSeparator(QChar c) {
        return c == QChar::ParagraphSeparator || c == QChar::LineSeparator;
    }

    // The text and formats of `document`, each of its formats interned once, in time linear in
    // the document (laid out by nothing, an InertLayout, as the reader leaves it).
    static FormattedText fromDocument(const QTextDocument& document);

    // Whether `formats` is of `text`: as long, with as many lines; a warning says when not.
    static bool fits(const TextBuffer& text, const TextFormats& formats);

    // Replaces the content of `into` with the text from `from` to `to` in its formats, the first
    // and last paragraph cut there; its undo history stays empty. The document is filled under
    // an InertLayout and left without a layout, to lay itself out when it is asked for one
    // (printing); its default font, which runs without a family or size show, is the caller's.
    // Characters that QTextDocument takes for paragraph or frame breaks (CR, U+2029, U+FDD0,
    // U+FDD1) go in as line separators, so the paragraphs stay the lines. Formats that do not
    // fit the text are left out (with a warning), the text goes in all the same.
    static void toDocument(const TextBuffer& text, const TextFormats& formats, qsizetype from,
                           qsizetype to, QTextDocument* into);
};
