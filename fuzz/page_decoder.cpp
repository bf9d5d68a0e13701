// SPDX-License-Identifier: GPL-3.0-or-later
// A fetched page's bytes and its Content-Type header come from any web server: every
// combination must decode to some text, never crash.
#include <QByteArray>
#include <cstddef>
#include <cstdint>

#include "browser/core/PageDecoder.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    // The first line is the header, the rest the page.
    const QByteArray input(reinterpret_cast<const char*>(data), qsizetype(size));
    const qsizetype newline = input.indexOf('\n');
    const QByteArray header = newline < 0 ? QByteArray() : input.left(newline);
    const QByteArray page = newline < 0 ? input : input.mid(newline + 1);
    QByteArray used;
    const QString text = PageDecoder::decode(page, header, &used);
    (void)text;
    PageDecoder::charsetFromMeta(page);
    return 0;
}
