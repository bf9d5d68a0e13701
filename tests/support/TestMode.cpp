// SPDX-License-Identifier: GPL-3.0-or-later
// Linked into every test program: standard locations resolve to the test folders, never to the
// user's own configuration, data or cache.
#include <QCoreApplication>
#include <QStandardPaths>

static void enableTestMode() {
    QStandardPaths::setTestModeEnabled(true);
}
Q_COREAPP_STARTUP_FUNCTION(enableTestMode)
