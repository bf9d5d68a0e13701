// SPDX-License-Identifier: GPL-3.0-or-later
// Quillo Meridian: the editor's entry point.
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QIcon>
#include <QStandardPaths>
#include <cstdio>
#include <memory>

#include "Version.h"
#include "app/CommandLine.h"
#include "app/QtDialogHost.h"
#include "app/Startup.h"
#include "app/frmMain.h"
#include "browser/EngineStartup.h"
#include "common/core/AtomicFileWriter.h"
#include "common/core/NativeName.h"

namespace {

// Without a desktop session Qt has no icon theme; use one that is installed so the toolbar
// shows the usual pictures.
void chooseIconTheme() {
    if (!QIcon::themeName().isEmpty() && QIcon::themeName() != QLatin1String("hicolor")) return;
    for (const char* theme : {"Adwaita", "breeze", "gnome", "oxygen"}) {
        for (const QString& path : QIcon::themeSearchPaths()) {
            if (QDir(path + QLatin1Char('/') + QLatin1String(theme)).exists()) {
                QIcon::setThemeName(QLatin1String(theme));
                return;
            }
        }
    }
}

// Prints the help or the version when asked, before the toolkit wants a display; returns the
// exit status then, else -1.
int answerEarly(int argc, char** argv) {
    QStringList arguments;
    for (int i = 1; i < argc; ++i) arguments << QFile::decodeName(argv[i]);
    switch (CommandLine::earlyAction(arguments)) {
        case CommandLine::Action::Help:
            std::fputs(qPrintable(CommandLine::helpText()), stdout);
            return 0;
        case CommandLine::Action::Version:
            std::fputs(qPrintable(CommandLine::versionText()), stdout);
            return 0;
        default:
            return -1;
    }
}

}  // namespace

int main(int argc, char** argv) {
    if (const int status = answerEarly(argc, argv); status >= 0) return status;
    // Under a file-size limit a save or recovery copy that grows too large fails and is
    // reported; the editor and the unsaved text stay.
    AtomicFileWriter::reportFileSizeLimitAsError();
    EngineStartup::beforeApplication();
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Quillo"));
    QApplication::setOrganizationName(QStringLiteral("Quillo"));
    // No display name: on X11 Qt appends it to every window title ("Save file? — Quillo
    // Meridian"), and the program's windows carry their own titles.
    QApplication::setApplicationVersion(QStringLiteral(QUILLO_VERSION_STRING));
    // Ties the windows to the installed desktop entry (its icon and name in docks and task bars).
    QGuiApplication::setDesktopFileName(QStringLiteral("org.example.quillo"));
    chooseIconTheme();

    QtDialogHost dialogs;
    AppServices services;
    services.dialogs = &dialogs;
    services.programFolder = QCoreApplication::applicationDirPath();
    // From the bytes themselves (Qt has taken its own arguments out of them): a file name that
    // is not UTF-8 survives.
    QStringList arguments;
    for (int i = 1; i < argc; ++i) arguments << NativeName::decode(argv[i]);
    const CommandLine command = CommandLine::parse(arguments);
    if (command.action == CommandLine::Action::Error) {
        std::fprintf(stderr, "quillo: %s\nTry 'quillo --help' for more information.\n",
                     qPrintable(command.error));
        return 2;
    }
    services.startFiles = command.files;
    services.startLines = command.lines;
    const QString dataFolder = QStandardPaths::writableLocation(QStandardPaths::AppDataLocation);
    services.recoveryFolder = dataFolder + QStringLiteral("/recovery");
    services.wordListFile = dataFolder + QStringLiteral("/words.txt");

    std::unique_ptr<frmMain> main(Startup::Main(services));
    main->setAttribute(Qt::WA_QuitOnClose);
    const int status = app.exec();
    return status;
}
