// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/CommandLine.h"

#include <QFileInfo>

#include "Version.h"

namespace {

bool isHelp(const QString& a) {
    return a == QLatin1String("--help") || a == QLatin1String("-h");
}
bool isVersion(const QString& a) {
    return a == QLatin1String("--version") || a == QLatin1String("-v");
}
bool isOption(const QString& a) {
    return a.size() > 1 && a.startsWith(QLatin1Char('-'));
}
bool isLine(const QString& a) {
    return a.size() > 1 && a.startsWith(QLatin1Char('+'));
}

// A file association may pass a name with spaces unquoted: then all of it is one file name.
bool namesOneFile(const QStringList& arguments, const std::function<bool(const QString&)>& exists) {
    if (arguments.size() == 1) return exists(arguments.first());
    if (!exists(arguments.join(QLatin1Char(' ')))) return false;
    for (const QString& a : arguments)
        if (!exists(a)) return true;
    return false;  // each word is a file of its own: open them all
}

}  // namespace

CommandLine::Action CommandLine::earlyAction(const QStringList& arguments) {
    for (const QString& a : arguments) {
        if (a == QLatin1String("--")) break;
        if (isHelp(a)) return Action::Help;
        if (isVersion(a)) return Action::Version;
    }
    return Action::Open;
}

CommandLine CommandLine::parse(const QStringList& arguments,
                               const std::function<bool(const QString&)>& givenExists) {
    const auto exists =
        givenExists ? givenExists : [](const QString& path) { return QFileInfo::exists(path); };
    CommandLine result;
    if (arguments.isEmpty()) return result;
    result.action = earlyAction(arguments);
    if (result.action != Action::Open) return result;
    if (namesOneFile(arguments, exists)) {
        result.files << (arguments.size() == 1 ? arguments.first()
                                               : arguments.join(QLatin1Char(' ')));
        result.lines << 0;
        return result;
    }
    int line = 0;
    bool options = true;
    for (const QString& a : arguments) {
        if (options && a == QLatin1String("--")) {
            options = false;
        } else if (options && isOption(a)) {
            result.action = Action::Error;
            result.error = QStringLiteral("unknown option '%1'").arg(a);
            return result;
        } else if (options && isLine(a)) {
            bool ok = false;
            line = a.mid(1).toInt(&ok);
            if (!ok || line < 1) {
                result.action = Action::Error;
                result.error = QStringLiteral("'%1' is not a line number").arg(a);
                return result;
            }
        } else {
            result.files << a;
            result.lines << line;
            line = 0;
        }
    }
    if (line > 0) {
        result.action = Action::Error;
        result.error = QStringLiteral("no file after '+%1'").arg(line);
    }
    return result;
}

QString CommandLine::helpText() {
    return QStringLiteral(
        "Usage: quillo [OPTION] [[+LINE] FILE]...\n"
        "Quillo Meridian, a multiple-document editor for plain text, RTF and HTML pages.\n"
        "\n"
        "Each FILE opens in a document window of its own; files named .rtf or .qlo as rich\n"
        "text, all others as plain text. A single argument that names an existing file opens\n"
        "that file, spaces and all.\n"
        "\n"
        "Options:\n"
        "  +LINE          Show the next FILE with the caret at the start of line LINE.\n"
        "  -h, --help     Show this help and exit.\n"
        "  -v, --version  Show the version and exit.\n"
        "  --             Take every argument after it as a FILE.\n"
        "\n"
        "Exit status: 0 when the editor is closed normally, 2 on a usage error.\n");
}

QString CommandLine::versionText() {
    return QStringLiteral("quillo (Quillo Meridian) %1\n")
        .arg(QStringLiteral(QUILLO_VERSION_STRING));
}
