// SPDX-License-Identifier: GPL-3.0-or-later
// Pages come from anywhere: any bytes must decode and strip without reading past the text, the
// UTF-16 and UTF-8 results and the code-point and UTF-16 inputs must agree, and for inputs small
// enough the result must equal the plain step-by-step stripper's (which has none of the real one's
// shortcuts: runs, early exits, the sweep for open rows, the incremental comment-end scan).
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "../tests/html/ReferenceStrip.h"
#include "html/core/HtmlInput.h"
#include "html/core/StripHtml.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QByteArrayView bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    const std::u32string text = HtmlTools::decodeHtmlBytes(bytes);

    QString utf16;
    QByteArray utf8;
    double lastFraction = -1;
    const bool done = HtmlTools::stripToUtf16(text, utf16, [&](double fraction) {
        if (fraction < lastFraction || fraction > 1) std::abort();
        lastFraction = fraction;
        return true;
    });
    if (!done || lastFraction != 1.0) std::abort();
    HtmlTools::stripToUtf8(text, utf8);
    if (utf16.toUtf8() != utf8) std::abort();
    // The same through the UTF-16 entries, which strip text without surrogate pairs in place.
    if (StripHTML(HtmlTools::fromUcs4(text)) != utf16) std::abort();
    if (HtmlTools::stripBytesToUtf8(bytes) != utf8) std::abort();

    // The step-by-step stripper is quadratic in places; keep it to small inputs.
    if (text.size() <= 2048) {
        if (HtmlTools::fromUcs4(ReferenceStrip::strip(text)) != utf16) std::abort();
    }
    return 0;
}
