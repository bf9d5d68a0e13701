// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <functional>
#include <string_view>

// The HTML tag stripper and the character entity decoder it uses.
//
// Every function here is reentrant: it keeps no state between calls, so a strip may run on a
// worker thread while the user interface goes on.

// Progress hook for long strips, called on the stripping thread about every
// HtmlTools::kStripProgressInterval characters with the share of the input read so far (0 to 1).
// Returning false stops the pass.
using StripProgress = std::function<bool(double fraction)>;

// Turns HTML source into laid-out plain text: tags dropped, the body and title text kept,
// whitespace collapsed, paragraphs, lists and table rows laid out with CR LF line breaks, spaces
// and tabs, long lines wrapped after column 75, scripts, styles and comments skipped, character
// references decoded. When outputPath is not empty the result is also written there (UTF-8,
// followed by one CR LF, replaced atomically); a failed write is ignored.
QString StripHTML(const QString& html, const QString& outputPath = QString());

// The same with a progress hook. When the hook asks to stop, the result is a null QString, no
// file is written and *cancelled (when given) is set; otherwise *cancelled is cleared.
QString StripHTML(const QString& html, const QString& outputPath, const StripProgress& progress,
                  bool* cancelled = nullptr);

// The text that the reference "&name;" stands for: one character, or the empty string when the
// name is not known. Names are entity names (letter case picks the form of letters) or numbers,
// decimal ("#233", "233", "2.33e2") or hexadecimal ("#xE9").
QString DecodeEntity(QString name);

// Binary comparison: same length, same characters, letter case significant.
bool ExactMatch(const QString& a, const QString& b);

// The text with every space (code 32) removed; other whitespace is kept.
QString RemoveSpaces(const QString& text);

namespace HtmlTools {

constexpr std::size_t kStripProgressInterval = std::size_t(1) << 18;

// The stripping pass over text held as code points, or as UTF-16 without surrogate pairs (one
// unit per character), with the result as UTF-16 or as UTF-8 (what the command line writes).
// They return false, leaving `out` incomplete, when the progress hook asked to stop.
bool stripToUtf16(std::u32string_view html, QString& out, const StripProgress& progress = {});
bool stripToUtf8(std::u32string_view html, QByteArray& out, const StripProgress& progress = {});
bool stripToUtf16(std::u16string_view html, QString& out, const StripProgress& progress = {});
bool stripToUtf8(std::u16string_view html, QByteArray& out, const StripProgress& progress = {});

// A page given as bytes, read as decodeHtmlBytes reads it: the UTF-8 text after any byte order
// mark when the bytes are valid UTF-8, else all the bytes as Windows-1252. The stripper works on
// these bytes as they stand, without decoding them first.
struct PageBytes {
    QByteArrayView text;
    bool utf8 = true;
};

// Checks the bytes to tell which. The check reads them once from the start; `progress` hears
// how far it has got (and cannot stop it), so that a caller may give back memory behind it.
PageBytes pageBytes(QByteArrayView bytes, const StripProgress& progress = {});

// Takes a piece of output; false when it could not be written.
using Utf8Writer = std::function<bool(QByteArrayView)>;

// The page stripped to UTF-8 and handed to `write` in pieces as the pass goes, so that the
// result is never held whole. False when the progress hook asked to stop or a write failed
// (nothing more is written after that).
bool stripToUtf8(PageBytes page, const Utf8Writer& write, const StripProgress& progress = {});
// The same into one buffer.
bool stripToUtf8(PageBytes page, QByteArray& out, const StripProgress& progress = {});

// A page given as bytes stripped to UTF-8.
QByteArray stripBytesToUtf8(QByteArrayView bytes);

// DecodeEntity over code points: the decoded character, or 0 for the empty string (no
// reference decodes to code 0).
char32_t decodeEntity(std::u32string_view name);

// Writes the stripper's output file: the UTF-8 text followed by CR LF, replacing `path`
// atomically. On failure returns false and, when `error` is given, says why. The text is taken
// by value: a caller that moves it in spares a copy of the whole output.
bool writeStripOutput(const QString& path, QByteArray utf8Text, QString* error = nullptr);

}  // namespace HtmlTools
