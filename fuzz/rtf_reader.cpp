// SPDX-License-Identifier: GPL-3.0-or-later
// RTF files come from anywhere: any bytes must load without a crash, a hang or undefined
// behaviour, and what loaded must survive being written and read again.
#include <QGuiApplication>
#include <QTextDocument>
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "document/core/RtfReader.h"
#include "document/core/RtfWriter.h"

namespace {

QString textOf(const QTextDocument& doc) {
    QString text = doc.toRawText();
    text.replace(QChar::ParagraphSeparator, QLatin1Char('\n'));
    return text;
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

    QTextDocument doc;
    if (!RtfReader::read(bytes, &doc)) std::abort();

    const QByteArray written = RtfWriter::write(&doc);
    QTextDocument again;
    if (!RtfReader::read(written, &again)) std::abort();
    if (textOf(again) != textOf(doc) || again.blockCount() != doc.blockCount()) std::abort();
    return 0;
}
