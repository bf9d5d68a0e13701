// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QStringList>

#include "app/AppServices.h"

class frmMain;

namespace Startup {

// The file named on the command line: the arguments left after Qt took its own, joined by single
// spaces (so an unquoted path with spaces still names one file).
QString commandLineFile(const QStringList& arguments);

// The entry procedure: reads the document settings, creates and loads the main window, applies
// the stored window state and shows it. The caller owns the window.
frmMain* Main(const AppServices& services);

}  // namespace Startup
