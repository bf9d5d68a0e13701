#include <QDir>
#include <cstdio>

#include "Commands.h"
#include "app/core/DocumentSettings.h"
#include "document/FileCommands.h"
#include "document/RichTextBox.h"

namespace {

void report(const QString& message) {
    std::fprintf(stderr, "quillo-cli: %s\n", qPrintable(message));
}

}  // namespace

// Converts through the editor's own control, so a file comes out exactly as opening it and
// saving it under the new name in the editor would write it.
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

    RichTextBox box;
    // A new document's base font with the default settings, whatever the user has chosen, so
    // the output depends on the input alone.
    const DocumentSettings defaults;
    box.setFontName(defaults.FontName);
    box.setFontSize(defaults.FontSize);
    box.setFontBold(defaults.FontBold);
    box.setFontItalic(defaults.FontItalic);
    box.setFontUnderline(defaults.FontUnderline);

    QString error;
    if (!box.LoadFile(in, FileCommands::OpenFileType(in), &error)) {
        report(QStringLiteral("cannot open \"%1\": %2").arg(QDir::toNativeSeparators(in), error));
        return 1;
    }
    if (box.LoadedFileWillChange()) {
        report(QStringLiteral("warning: \"%1\" does not look like a plain text file; the "
                              "output will not hold it unchanged")
                   .arg(QDir::toNativeSeparators(in)));
    }
    if (!box.SaveFile(out, FileCommands::SaveFileType(out), &error)) {
        report(QStringLiteral("cannot save \"%1\": %2").arg(QDir::toNativeSeparators(out), error));
        return 1;
    }
    return 0;
}
