// SPDX-License-Identifier: GPL-3.0-or-later
#include "browser/core/PageDecoder.h"

#include <QList>
#include <QStringDecoder>

#include "common/core/TextDecoding.h"
#include "common/core/Windows1252.h"

namespace PageDecoder {

namespace {

// The labels that browsers read as Windows-1252 (Latin-1 and ASCII pages included: they are
// written by tools that mean the Windows code page).
bool isWindows1252Label(const QByteArray& label) {
    static const char* const kLabels[] = {
        "windows-1252", "cp1252", "x-cp1252", "iso-8859-1",     "iso8859-1",      "iso88591",
        "iso_8859-1",   "latin1", "l1",       "cp819",          "ibm819",         "csisolatin1",
        "iso-ir-100",   "ascii",  "us-ascii", "ansi_x3.4-1968", "iso_8859-1:1987"};
    for (const char* known : kLabels) {
        if (label == known) return true;
    }
    return false;
}

bool isUtf8Label(const QByteArray& label) {
    return label == "utf-8" || label == "utf8" || label == "unicode-1-1-utf-8";
}

bool isSpace(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f';
}

QByteArray cleanLabel(QByteArray label) {
    label = label.trimmed().toLower();
    if (label.size() >= 2 && (label.front() == '"' || label.front() == '\'') &&
        label.back() == label.front()) {
        label = label.mid(1, label.size() - 2).trimmed();
    }
    return label;
}

// The value after "charset" at `pos` (just past the word) inside `text`, or empty when the word
// is not followed by "=".
QByteArray valueAfterCharset(const QByteArray& text, qsizetype pos) {
    while (pos < text.size() && isSpace(text.at(pos))) ++pos;
    if (pos >= text.size() || text.at(pos) != '=') return QByteArray();
    ++pos;
    while (pos < text.size() && isSpace(text.at(pos))) ++pos;
    if (pos >= text.size()) return QByteArray();
    const char quote = text.at(pos);
    qsizetype end = pos;
    if (quote == '"' || quote == '\'') {
        ++pos;
        end = text.indexOf(quote, pos);
        if (end < 0) return QByteArray();
    } else {
        while (end < text.size()) {
            const char c = text.at(end);
            if (isSpace(c) || c == ';' || c == '>' || c == '"' || c == '\'' || c == '/') break;
            ++end;
        }
    }
    return text.mid(pos, end - pos).trimmed();
}

// Declared UTF-8 is read even when damaged: the bad bytes become U+FFFD.
QString decodeUtf8(const QByteArray& bytes) {
    return QStringDecoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless).decode(bytes);
}

// Decodes by a charset label; false when the label names no encoding this system knows.
bool decodeByLabel(const QByteArray& label, const QByteArray& bytes, QString* text,
                   QByteArray* used) {
    if (label.isEmpty()) return false;
    if (isUtf8Label(label)) {
        *text = decodeUtf8(bytes);
        *used = "UTF-8";
        return true;
    }
    if (isWindows1252Label(label)) {
        *text = Windows1252::decode(bytes);
        *used = "windows-1252";
        return true;
    }
    QStringDecoder decoder(label.constData(), QStringDecoder::Flag::Stateless);
    if (!decoder.isValid()) return false;
    *text = decoder.decode(bytes);
    *used = decoder.name();
    return true;
}

}  // namespace

QByteArray charsetFromContentType(const QByteArray& contentType) {
    const QList<QByteArray> parts = contentType.split(';');
    for (qsizetype i = 1; i < parts.size(); ++i) {
        const QByteArray part = parts.at(i).trimmed();
        const qsizetype equals = part.indexOf('=');
        if (equals < 0 || part.left(equals).trimmed().toLower() != "charset") continue;
        return cleanLabel(part.mid(equals + 1));
    }
    return QByteArray();
}

QByteArray charsetFromMeta(const QByteArray& page) {
    // Browsers look for the declaration in the first 1024 bytes only.
    const QByteArray head = page.left(1024).toLower();
    qsizetype pos = 0;
    while (pos < head.size()) {
        const qsizetype meta = head.indexOf("<meta", pos);
        if (meta < 0) break;
        const qsizetype comment = head.indexOf("<!--", pos);
        if (comment >= 0 && comment < meta) {
            const qsizetype close = head.indexOf("-->", comment + 4);
            if (close < 0) break;
            pos = close + 3;
            continue;
        }
        qsizetype end = head.indexOf('>', meta);
        if (end < 0) end = head.size();
        const QByteArray tag = head.mid(meta, end - meta);
        for (qsizetype at = tag.indexOf("charset"); at >= 0; at = tag.indexOf("charset", at + 7)) {
            const QByteArray value = cleanLabel(valueAfterCharset(tag, at + 7));
            if (value.isEmpty()) continue;
            // A declaration read as ASCII cannot be in UTF-16; browsers take it as UTF-8.
            if (value.startsWith("utf-16")) return QByteArrayLiteral("utf-8");
            return value;
        }
        pos = end;
    }
    return QByteArray();
}

QString decode(const QByteArray& page, const QByteArray& contentType, QByteArray* usedCharset) {
    QByteArray used;
    QString text;
    if (page.startsWith("\xEF\xBB\xBF")) {
        text = decodeUtf8(page.mid(3));
        used = "UTF-8";
    } else if (page.startsWith("\xFF\xFE")) {
        text = QStringDecoder(QStringDecoder::Utf16LE).decode(page.mid(2));
        used = "UTF-16LE";
    } else if (page.startsWith("\xFE\xFF")) {
        text = QStringDecoder(QStringDecoder::Utf16BE).decode(page.mid(2));
        used = "UTF-16BE";
    } else if (!decodeByLabel(charsetFromContentType(contentType), page, &text, &used) &&
               !decodeByLabel(charsetFromMeta(page), page, &text, &used)) {
        bool utf8 = false;
        text = TextDecoding::utf8OrWindows1252(page, &utf8);
        used = utf8 ? "UTF-8" : "windows-1252";
    }
    if (usedCharset) *usedCharset = used;
    return text;
}

}  // namespace PageDecoder
