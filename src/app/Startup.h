// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QStringList>

#include "app/AppServices.h"

class frmMain;

namespace Startup {

// The entry procedure: reads the document settings, creates and loads the main window, applies
// the stored window state and shows it. The caller owns the window.
frmMain* Main(const AppServices& services);

}  // namespace Startup
