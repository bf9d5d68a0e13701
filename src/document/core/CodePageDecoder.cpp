// SPDX-License-Identifier: GPL-3.0-or-later
#include "document/core/CodePageDecoder.h"

#include <iconv.h>

#include <QList>
#include <QSysInfo>
#include <cerrno>
#include <cstring>

#include "common/core/Windows1252.h"

namespace {

constexpr int kUtf8CodePage = 65001;
const auto kInvalidHandle = reinterpret_cast<void*>(iconv_t(-1));

// The names iconv may know a Windows code page by, most likely first.
QList<QByteArray> iconvNamesFor(int codePage) {
    switch (codePage) {
        case 1361:
            return {"JOHAB"};
        case 10000:
            return {"MACINTOSH"};
        case 10007:
            return {"MAC-CYRILLIC"};
        case 10029:
            return {"MAC-CENTRALEUROPE"};
        case 20127:
            return {"ASCII"};
        case 20866:
            return {"KOI8-R"};
        case 21866:
            return {"KOI8-U"};
        case 51932:
            return {"EUC-JP"};
        case 51949:
            return {"EUC-KR"};
        case 54936:
            return {"GB18030"};
        default:
            break;
    }
    if (codePage >= 28591 && codePage <= 28606) {
        return {"ISO-8859-" + QByteArray::number(codePage - 28590)};
    }
    const QByteArray number = QByteArray::number(codePage).rightJustified(3, '0');
    return {"CP" + number, "IBM" + number, "WINDOWS-" + number};
}

}  // namespace

CodePageDecoder::~CodePageDecoder() {
    for (void* handle : std::as_const(handles_)) {
        if (handle) iconv_close(static_cast<iconv_t>(handle));
    }
}

void* CodePageDecoder::handleFor(int codePage) {
    auto it = handles_.constFind(codePage);
    if (it != handles_.constEnd()) return it.value();
    const char* target = QSysInfo::ByteOrder == QSysInfo::LittleEndian ? "UTF-16LE" : "UTF-16BE";
    void* handle = nullptr;
    for (const QByteArray& name : iconvNamesFor(codePage)) {
        handle = reinterpret_cast<void*>(iconv_open(target, name.constData()));
        if (handle != kInvalidHandle) break;
        handle = nullptr;
    }
    handles_.insert(codePage, handle);
    return handle;
}

QString CodePageDecoder::decode(int codePage, const char* data, qsizetype size) {
    if (size <= 0) return QString();
    if (codePage == kUtf8CodePage) return QString::fromUtf8(data, size);
    void* handle = codePage == 1252 ? nullptr : handleFor(codePage);
    if (!handle) return Windows1252::decode(data, size);

    auto cd = static_cast<iconv_t>(handle);
    iconv(cd, nullptr, nullptr, nullptr, nullptr);  // reset any shift state
    // Every code page here yields at most one UTF-16 unit per input byte.
    QString out(size, Qt::Uninitialized);
    char* in = const_cast<char*>(data);
    size_t inLeft = size_t(size);
    char* outBase = reinterpret_cast<char*>(out.data());
    char* outPtr = outBase;
    size_t outLeft = size_t(size) * 2;
    while (inLeft > 0) {
        if (iconv(cd, &in, &inLeft, &outPtr, &outLeft) != size_t(-1)) break;
        if (errno == E2BIG) {
            // Should not happen; grow and carry on rather than lose text.
            const qsizetype used = outPtr - outBase;
            out.resize(out.size() + qsizetype(inLeft) + 16);
            outBase = reinterpret_cast<char*>(out.data());
            outPtr = outBase + used;
            outLeft = size_t(out.size()) * 2 - size_t(used);
            continue;
        }
        // Invalid or truncated sequence: one replacement character per bad byte.
        if (outLeft < 2) {
            const qsizetype used = outPtr - outBase;
            out.resize(out.size() + qsizetype(inLeft) + 16);
            outBase = reinterpret_cast<char*>(out.data());
            outPtr = outBase + used;
            outLeft = size_t(out.size()) * 2 - size_t(used);
        }
        const char16_t replacement = 0xFFFD;
        memcpy(outPtr, &replacement, 2);
        outPtr += 2;
        outLeft -= 2;
        ++in;
        --inLeft;
        iconv(cd, nullptr, nullptr, nullptr, nullptr);
    }
    out.truncate((outPtr - outBase) / 2);
    return out;
}

int CodePageDecoder::codePageForCharset(int charset) {
    switch (charset) {
        case 77:
            return 10000;  // Mac Roman
        case 128:
            return 932;  // Shift-JIS
        case 129:
            return 949;  // Hangul
        case 130:
            return 1361;  // Johab
        case 134:
            return 936;  // GB2312 / GBK
        case 136:
            return 950;  // Big5
        case 161:
            return 1253;  // Greek
        case 162:
            return 1254;  // Turkish
        case 163:
            return 1258;  // Vietnamese
        case 177:
            return 1255;  // Hebrew
        case 178:
            return 1256;  // Arabic
        case 186:
            return 1257;  // Baltic
        case 204:
            return 1251;  // Cyrillic
        case 222:
            return 874;  // Thai
        case 238:
            return 1250;  // Eastern European
        case 254:
            return 437;  // PC 437
        case 255:
            return 850;  // OEM
        case 2:
            return 1252;  // Symbol: no Unicode mapping of its own; show the letters
        default:
            return 0;  // ANSI, default and unknown sets: the document's code page
    }
}
