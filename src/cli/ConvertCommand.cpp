// SPDX-License-Identifier: GPL-3.0-or-later
#include <QApplication>
#include <QDir>
#include <cstdio>

#include "Commands.h"
#include "common/core/DocumentSettings.h"
#include "common/core/NativeName.h"
#include "document/core/DocumentFileIO.h"
#include "document/core/FileTypeRule.h"
#include "document/core/FormattedText.h"
#include "document/core/RtfReader.h"
#include "document/core/RtfWriter.h"
#include "document/core/TextBuffer.h"
#include "document/core/TextFileCodec.h"

namespace {

void report(const QString& message) {
    std::fprintf(stderr, "quillo-cli: %s\n", NativeName::encode(message).constData());
}

// A new document's base font with the default settings, whatever the user has chosen, so the
// output depends on the input alone; built as the editor's control builds it.
QFont defaultBaseFont() {
    const DocumentSettings defaults;
    QFont font = QApplication::font();
    font.setFamily(defaults.FontName);
    if (defaults.FontSize > 0) font.setPointSizeF(defaults.FontSize);
    font.setBold(defaults.FontBold);
    font.setItalic(defaults.FontItalic);
    font.setUnderline(defaults.FontUnderline);
    return font;
}

}  // namespace

// Converts as opening the file and saving it under the new name in the editor would, with the
// same readers and writers, but without laying anything out: the time stays linear in the input
// whatever its line structure.
int cliConvert(const QStringList& args) {
    if (args.size() != 2) {
        std::fputs(
            "quillo-cli: convert needs an input and an output file\n"
            "Usage: quillo-cli convert IN OUT\n",
            stderr);
        return 2;
    }
    const QString in = args[0];
    const QString out = args[1];

    QString error;
    QByteArray bytes;
    if (!DocumentFileIO::readFile(in, &bytes, &error)) {
        report(QStringLiteral("cannot open \"%1\": %2").arg(QDir::toNativeSeparators(in), error));
        return 1;
    }
    const bool rtfOut = FileTypeRule::savesAsRichText(out);
    TextFileFormat format;
    QByteArray output;
    if (FileTypeRule::opensAsRichText(in) && RtfReader::isRtf(bytes)) {
        FormattedText read;
        RtfReader::read(bytes, &read);
        bytes = QByteArray();
        if (rtfOut) {
            TextBuffer text;
            text.setText(read.text);
            output = RtfWriter::write(text, read.formats, defaultBaseFont());
        } else {
            output =
                TextFileCodec::encode(FormattedText::plainFileText(std::move(read.text)), format)
                    .bytes;
        }
    } else {
        const DecodedText decoded = TextFileCodec::decode(bytes);
        bytes = QByteArray();
        format = decoded.format;
        if (decoded.lossy) {
            report(QStringLiteral("warning: \"%1\" cannot be kept byte for byte: %2")
                       .arg(QDir::toNativeSeparators(in), decoded.changes));
        } else if (decoded.looksBinary && rtfOut) {
            report(QStringLiteral("warning: \"%1\" does not look like a plain text file; "
                                  "formatted text cannot hold its control characters")
                       .arg(QDir::toNativeSeparators(in)));
        }
        // Plain text to plain text keeps every character, as the editor's plain-text buffer does;
        // to RTF it is written straight from the text, without a document.
        output = rtfOut ? RtfWriter::writePlain(decoded.text, defaultBaseFont())
                        : TextFileCodec::encode(decoded.text, format).bytes;
    }
    if (!DocumentFileIO::writeFile(out, output, &error)) {
        report(QStringLiteral("cannot save \"%1\": %2").arg(QDir::toNativeSeparators(out), error));
        return 1;
    }
    return 0;
}
