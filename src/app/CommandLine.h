// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QList>
#include <QStringList>
#include <functional>

// The editor's command line: quillo [--help | --version] [[+LINE] FILE]...
//
// Each FILE opens in a document of its own, at line LINE when "+LINE" comes before it. The
// whole command line may also name one file: a single argument that names an existing file
// opens it whatever it looks like (only --help and --version come first), and so do several
// words that name one existing file only when joined by spaces ("quillo my notes.txt", as an
// old file association passes it). "--" ends the options.
struct CommandLine {
    enum class Action { Open, Help, Version, Error };

    Action action = Action::Open;
    QStringList files;
    QList<int> lines;  // for each file, the line to show (1-based), or 0
    QString error;     // for Action::Error: what is wrong, for a message on standard error

    // `arguments` without the program's name and the toolkit's own options; `exists` tells
    // whether a file exists (QFileInfo::exists by default).
    static CommandLine parse(const QStringList& arguments,
                             const std::function<bool(const QString&)>& exists = {});
    // Only --help and --version, read before the toolkit starts (so that they work without a
    // display): Help, Version, or Open for everything else.
    static Action earlyAction(const QStringList& arguments);

    static QString helpText();
    static QString versionText();
};
