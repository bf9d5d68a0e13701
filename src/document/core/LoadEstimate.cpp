// SPDX-License-Identifier: GPL-3.0-or-later
#include "document/core/LoadEstimate.h"

#include <unistd.h>

#include <QFile>
#include <cstring>

#include "document/core/TextFileCodec.h"

namespace {

// Peak bytes per input byte and per paragraph, as measured on files of text lines, of empty
// lines and of RTF paragraphs. Plain text held one byte a character: the bytes become the
// text where they lie (1.15 measured on 100 MB of lines, taken as 5/4), and a packed index entry
// per line (two bytes, four for long lines). Plain text held in UTF-16: the bytes and the decoded
// text (2.9 measured, taken as 4 with room to spare). RTF: the raw bytes, the text as it is read
// and then held, and the runs of formats (5.0 measured on 40 MB of paragraphs, 6.1 on 40 MB of
// runs of four characters, taken as 8); a paragraph format and a line index entry per paragraph
// (16 bytes measured on 8 million empty paragraphs, their 5 bytes each included).
constexpr qint64 kPerLatin1ByteTimes4 = 5;
constexpr qint64 kPerWideByte = 4;
constexpr qint64 kPerPlainParagraph = 4;
constexpr qint64 kPerRtfByte = 8;
constexpr qint64 kPerRtfParagraph = 8;

qint64 countByte(const QByteArray& bytes, char byte) {
    // In runs of a fixed length that the compiler turns into vector compares: one search per
    // line would cost a call a byte in a file of empty lines.
    constexpr qsizetype kRun = 128;
    const char* p = bytes.constData();
    const qsizetype size = bytes.size();
    qint64 count = 0;
    qsizetype i = 0;
    for (; i + kRun <= size; i += kRun) {
        unsigned run = 0;
        for (qsizetype k = 0; k < kRun; ++k) run += p[i + k] == byte;
        count += run;
    }
    for (; i < size; ++i) count += p[i] == byte;
    return count;
}

qint64 countLineBreaks(const QByteArray& bytes) {
    const qint64 count = countByte(bytes, '\n');
    // Old Macintosh files break lines with CR alone.
    return count == 0 ? countByte(bytes, '\r') : count;
}

bool isLetter(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

qint64 countRtfParagraphs(const QByteArray& bytes) {
    static const char* const kMarks[] = {"par", "row", "sect", "page"};
    qint64 count = 0;
    const char* p = bytes.constData();
    const char* end = p + bytes.size();
    while ((p = static_cast<const char*>(std::memchr(p, '\\', size_t(end - p))))) {
        ++p;
        const char* word = p;
        while (p < end && isLetter(*p)) ++p;
        const size_t length = size_t(p - word);
        for (const char* mark : kMarks) {
            if (length == std::strlen(mark) && std::memcmp(word, mark, length) == 0) {
                ++count;
                break;
            }
        }
    }
    return count;
}

}  // namespace

LoadEstimate LoadEstimate::of(const QByteArray& bytes, bool rtf) {
    LoadEstimate estimate;
    estimate.rtf = rtf;
    estimate.bytes = bytes.size();
    estimate.paragraphs = 1 + (rtf ? countRtfParagraphs(bytes) : countLineBreaks(bytes));
    estimate.latin1 = !rtf && TextFileCodec::decodesCompact(bytes);
    if (rtf) {
        estimate.memoryBytes =
            estimate.bytes * kPerRtfByte + estimate.paragraphs * kPerRtfParagraph;
    } else {
        estimate.memoryBytes = (estimate.latin1 ? estimate.bytes * kPerLatin1ByteTimes4 / 4
                                                : estimate.bytes * kPerWideByte) +
                               estimate.paragraphs * kPerPlainParagraph;
    }
    return estimate;
}

LoadEstimate::Verdict LoadEstimate::judge(qint64 availableBytes) const {
    if (availableBytes < 0) return Verdict::Comfortable;
    if (memoryBytes > availableBytes / 4 * 3) return Verdict::TooLarge;
    if (memoryBytes > availableBytes / 4) return Verdict::Heavy;
    return Verdict::Comfortable;
}

qint64 LoadEstimate::availableMemory() {
    QFile meminfo(QStringLiteral("/proc/meminfo"));
    if (meminfo.open(QIODevice::ReadOnly)) {
        while (!meminfo.atEnd()) {
            const QByteArray line = meminfo.readLine();
            if (!line.startsWith("MemAvailable:")) continue;
            bool ok = false;
            const qint64 kb = line.mid(13).trimmed().split(' ').value(0).toLongLong(&ok);
            if (ok) return kb * 1024;
        }
    }
    const long pages = ::sysconf(_SC_AVPHYS_PAGES);
    const long pageSize = ::sysconf(_SC_PAGESIZE);
    return pages > 0 && pageSize > 0 ? qint64(pages) * pageSize : -1;
}
