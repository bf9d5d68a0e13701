// SPDX-License-Identifier: GPL-3.0-or-later
// RTF files come from anywhere: any bytes must load without a crash, a hang or undefined
// behaviour, into the editor's model as into a document alike, and what loaded must survive being
// written from the model and read again, and being put into a document whole or in part.
#include <QGuiApplication>
#include <QTextDocument>
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "document/core/FormattedText.h"
#include "document/core/RtfReader.h"
#include "document/core/RtfWriter.h"
#include "document/core/TextBuffer.h"

namespace {

void check(bool condition) {
    if (!condition) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    static QGuiApplication app(*argc, *argv);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    // Inputs that do not start like RTF are given a header, so the parser sees them all.
    QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    if (!RtfReader::isRtf(bytes)) bytes.prepend("{\\rtf1 ");

    FormattedText model;
    check(RtfReader::read(bytes, &model));
    QTextDocument doc;
    check(RtfReader::read(bytes, &doc));
    check(FormattedText::fromDocument(doc) == model);

    // The buffer as an edit leaves it, its gap somewhere inside, which the writer reads across.
    TextBuffer text;
    text.setText(model.text);
    const qsizetype middle = qsizetype(size) % (text.length() + 1);
    text.replace(middle, 0, u"x");
    text.replace(middle, 1, u"");
    check(FormattedText::fits(text, model.formats));
    const QByteArray written = RtfWriter::write(text, model.formats, doc.defaultFont());
    check(written == RtfWriter::write(&doc));
    QTextDocument again;
    check(RtfReader::read(written, &again));
    check(FormattedText::fromDocument(again).text == model.text);

    // A stretch of it put into a document holds that stretch.
    const qsizetype from = std::min(middle, text.length() / 3);
    QTextDocument part;
    FormattedText::toDocument(text, model.formats, from, middle, &part);
    check(FormattedText::fromDocument(part).text == model.text.mid(from, middle - from));
    return 0;
}
