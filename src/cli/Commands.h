// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QStringList>

// Subcommands of quillo-cli. Each takes the arguments after its own name and returns the exit
// status; messages go to standard error.
int cliStrip(const QStringList& args);
int cliDecode(const QStringList& args);
int cliConvert(const QStringList& args);
