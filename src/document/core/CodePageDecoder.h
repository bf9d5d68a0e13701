// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QHash>
#include <QString>

// Decodes bytes of a Windows code page (as RTF names them: 1252, 1251, 932, ...) to Unicode.
// Windows-1252 is built in; the others go through the C library's iconv. A code page that
// iconv does not know is read as Windows-1252. Bytes that are invalid in their code page become
// U+FFFD. One decoder keeps its iconv handles open for its whole life, so it is not meant to be
// shared between threads.
class CodePageDecoder {
  public:
    CodePageDecoder() = default;
    ~CodePageDecoder();
    CodePageDecoder(const CodePageDecoder&) = delete;
    CodePageDecoder& operator=(const CodePageDecoder&) = delete;

    QString decode(int codePage, const char* data, qsizetype size);
    QString decode(int codePage, const QByteArray& bytes) {
        return decode(codePage, bytes.constData(), bytes.size());
    }

    // The code page of an RTF \fcharset value, or 0 for "the document's own code page".
    static int codePageForCharset(int charset);

  private:
    void* handleFor(int codePage);

    QHash<int, void*> handles_;  // iconv_t per code page; nullptr when iconv lacks it
};
