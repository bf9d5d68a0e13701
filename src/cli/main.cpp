// SPDX-License-Identifier: GPL-3.0-or-later
// quillo-cli: the editor's text tools from the command line.
#include <QApplication>
#include <QCoreApplication>
#include <QStringList>
#include <cstdio>
#include <memory>

#include "Commands.h"
#include "Version.h"
#include "common/core/AtomicFileWriter.h"
#include "common/core/NativeName.h"

namespace {

const char kHelp[] =
    "Usage: quillo-cli COMMAND [ARGUMENTS]\n"
    "\n"
    "Commands:\n"
    "  strip [-o OUT] [FILE]  Strip the HTML markup from FILE (standard input when absent),\n"
    "                         leaving laid-out plain text. Input is read as UTF-8 when valid,\n"
    "                         otherwise as Windows-1252. The result goes to standard output as\n"
    "                         UTF-8, or with -o to the file OUT (text and one line break).\n"
    "  decode NAME            Print the character that the reference &NAME; stands for.\n"
    "  convert IN OUT         Open IN as the editor does (.rtf/.qlo as rich text, anything else\n"
    "                         as plain text) and save it as OUT by the editor's save rule\n"
    "                         (names ending in rtf or qlo as rich text, others as plain text).\n"
    "\n"
    "Options:\n"
    "  --help                 Show this help.\n"
    "  --version              Show the version.\n"
    "\n"
    "Exit status: 0 on success, 1 on failure, 2 on a usage error.\n";

}  // namespace

int main(int argc, char** argv) {
    // Past a file-size limit the output fails with the reason and status 1, and the old file
    // stays, instead of the program dying halfway.
    AtomicFileWriter::reportFileSizeLimitAsError();
    QStringList args;
    // File names are bytes: one that is not UTF-8 is kept (and printed) as it is.
    for (int i = 1; i < argc; ++i) args << NativeName::decode(argv[i]);

    if (args.isEmpty() || args.first() == QLatin1String("--help") ||
        args.first() == QLatin1String("-h")) {
        std::fputs(kHelp, args.isEmpty() ? stderr : stdout);
        return args.isEmpty() ? 2 : 0;
    }
    if (args.first() == QLatin1String("--version")) {
        std::printf("quillo-cli %s\n", QUILLO_VERSION_STRING);
        return 0;
    }

    const QString command = args.takeFirst();
    if (command == QLatin1String("strip")) {
        QCoreApplication app(argc, argv);
        return cliStrip(args);
    }
    if (command == QLatin1String("decode")) {
        QCoreApplication app(argc, argv);
        return cliDecode(args);
    }
    if (command == QLatin1String("convert")) {
        // Conversion goes through the editor's own text control, which needs a GUI application;
        // the offscreen platform keeps it free of any display.
        if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
        QApplication app(argc, argv);
        return cliConvert(args);
    }
    std::fprintf(stderr, "quillo-cli: unknown command '%s'\n%s", qPrintable(command), kHelp);
    return 2;
}
