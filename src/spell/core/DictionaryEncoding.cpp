// SPDX-License-Identifier: GPL-3.0-or-later
#include "spell/core/DictionaryEncoding.h"

#include <iconv.h>

#include <QByteArray>
#include <QRegularExpression>
#include <cerrno>

namespace {

const iconv_t kNoHandle = reinterpret_cast<iconv_t>(-1);

// The name iconv knows for a SET value: dictionaries write "ISO8859-15" and "microsoft-cp1251"
// where iconv wants "ISO-8859-15" and "CP1251".
QByteArray iconvName(QString name) {
    name = name.trimmed().toUpper();
    static const QRegularExpression iso(QStringLiteral("^ISO[-_]?8859[-_]?(\\d+)$"));
    const QRegularExpressionMatch match = iso.match(name);
    if (match.hasMatch()) return "ISO-8859-" + match.captured(1).toLatin1();
    if (name.startsWith(QLatin1String("MICROSOFT-"))) name = name.mid(10);
    if (name == QLatin1String("TIS620-2533")) return "TIS-620";
    return name.toLatin1();
}

// Runs all of `in` through `handle`; false on a character the target cannot hold or on
// invalid input, unless `lenient`, which turns each bad byte into `replacement` instead.
bool convert(iconv_t handle, const std::string& in, std::string* out, bool lenient,
             const std::string& replacement) {
    iconv(handle, nullptr, nullptr, nullptr, nullptr);  // reset the shift state
    out->clear();
    char* src = const_cast<char*>(in.data());
    size_t srcLeft = in.size();
    char buffer[256];
    while (srcLeft > 0) {
        char* dst = buffer;
        size_t dstLeft = sizeof buffer;
        const size_t result = iconv(handle, &src, &srcLeft, &dst, &dstLeft);
        out->append(buffer, size_t(dst - buffer));
        if (result != size_t(-1)) continue;
        if (errno == E2BIG) continue;
        if (!lenient) return false;
        out->append(replacement);
        ++src;
        --srcLeft;
    }
    return true;
}

}  // namespace

DictionaryEncoding::DictionaryEncoding(const std::string& name) {
    const QByteArray wanted = iconvName(QString::fromStdString(name));
    if (wanted == "UTF-8" || wanted == "UTF8") {
        kind_ = Kind::Utf8;
    } else if (wanted == "ISO-8859-1") {
        kind_ = Kind::Latin1;
    } else {
        iconv_t to = iconv_open(wanted.constData(), "UTF-8");
        iconv_t from = iconv_open("UTF-8", wanted.constData());
        if (to != kNoHandle && from != kNoHandle) {
            kind_ = Kind::Iconv;
            toDictionary_ = to;
            fromDictionary_ = from;
        } else {
            if (to != kNoHandle) iconv_close(to);
            if (from != kNoHandle) iconv_close(from);
        }
    }
}

DictionaryEncoding::~DictionaryEncoding() {
    if (toDictionary_) iconv_close(static_cast<iconv_t>(toDictionary_));
    if (fromDictionary_) iconv_close(static_cast<iconv_t>(fromDictionary_));
}

bool DictionaryEncoding::encode(const QString& word, std::string* bytes) {
    switch (kind_) {
        case Kind::Utf8:
            *bytes = word.toStdString();
            return true;
        case Kind::Latin1:
            for (QChar c : word) {
                if (c.unicode() > 0xFF) return false;
            }
            *bytes = word.toLatin1().toStdString();
            return true;
        case Kind::Iconv:
            return convert(static_cast<iconv_t>(toDictionary_), word.toStdString(), bytes, false,
                           {});
        case Kind::Unknown:
            break;
    }
    return false;
}

QString DictionaryEncoding::decode(const std::string& bytes) {
    switch (kind_) {
        case Kind::Utf8:
            return QString::fromStdString(bytes);
        case Kind::Latin1:
            return QString::fromLatin1(bytes.data(), qsizetype(bytes.size()));
        case Kind::Iconv: {
            std::string utf8;
            convert(static_cast<iconv_t>(fromDictionary_), bytes, &utf8, true, "\xEF\xBF\xBD");
            return QString::fromStdString(utf8);
        }
        case Kind::Unknown:
            break;
    }
    return QString();
}
