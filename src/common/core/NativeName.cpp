// SPDX-License-Identifier: GPL-3.0-or-later
#include "common/core/NativeName.h"

#include <QDir>

#include "common/core/TextDecoding.h"

namespace NativeName {
namespace {

constexpr char16_t kEscapeBase = 0xDC00;  // + the byte, 0x80 to 0xFF

bool isEscape(char16_t c) {
    return c >= kEscapeBase + 0x80 && c <= kEscapeBase + 0xFF;
}

}  // namespace

QString decode(QByteArrayView name) {
    const auto* s = reinterpret_cast<const unsigned char*>(name.data());
    const std::size_t n = std::size_t(name.size());
    QString result;
    result.reserve(qsizetype(n));
    for (std::size_t at = 0; at < n;) {
        const std::size_t valid = TextDecoding::validUtf8Prefix(s + at, n - at);
        if (valid > 0) {
            QString part;
            TextDecoding::decodeUtf8(QByteArrayView(s + at, qsizetype(valid)), &part);
            result += part;
            at += valid;
        }
        if (at < n) result += QChar(char16_t(kEscapeBase + s[at++]));
    }
    return result;
}

QByteArray encode(QStringView name) {
    QByteArray result;
    result.reserve(name.size());
    qsizetype start = 0;  // of the run of ordinary characters not yet encoded
    const auto flush = [&](qsizetype end) { result += name.mid(start, end - start).toUtf8(); };
    for (qsizetype i = 0; i < name.size(); ++i) {
        const char16_t c = name[i].unicode();
        // An escape never follows a high surrogate: a valid pair is a character of its own.
        const bool paired = i > 0 && QChar::isHighSurrogate(name[i - 1].unicode());
        if (!isEscape(c) || paired) continue;
        flush(i);
        result += char(c - kEscapeBase);
        start = i + 1;
    }
    flush(name.size());
    return result;
}

QString absolute(const QString& name) {
    if (name.startsWith(QLatin1Char('/'))) return QDir::cleanPath(name);
    return QDir::cleanPath(QDir::currentPath() + QLatin1Char('/') + name);
}

QString unrepresentableReason(const QString& name) {
    if (!name.contains(QChar(QChar::ReplacementCharacter))) return QString();
    return QStringLiteral(
        "The file name cannot be represented: it holds bytes that are not UTF-8, which were "
        "lost on the way here. Open the file from the command line, or rename it.");
}

}  // namespace NativeName
