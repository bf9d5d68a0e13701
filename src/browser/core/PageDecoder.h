// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QString>

// Turns the bytes of a fetched web page into text, the way browsers pick the encoding: a byte
// order mark first, then the charset of the Content-Type header, then a <meta> declaration near
// the top of the page, else UTF-8 when the bytes are valid UTF-8, else Windows-1252.
namespace PageDecoder {

// The charset parameter of a Content-Type value ("text/html; charset=UTF-8"), lower-cased and
// unquoted; empty when there is none.
QByteArray charsetFromContentType(const QByteArray& contentType);

// The charset a <meta charset> or <meta http-equiv="Content-Type" content="...; charset=...">
// declares within the first 1024 bytes; empty when there is none.
QByteArray charsetFromMeta(const QByteArray& page);

// Decodes `page` by the rule above. `usedCharset`, when given, receives the name of the
// encoding that was used ("UTF-8", "windows-1252", ...).
QString decode(const QByteArray& page, const QByteArray& contentType,
               QByteArray* usedCharset = nullptr);

}  // namespace PageDecoder
