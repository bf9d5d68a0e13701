// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

class DialogHost;

// What the main window needs from outside, injectable for tests.
struct AppServices {
    DialogHost* dialogs = nullptr;  // every modal question
    QString programFolder;          // where the readme lives
    QString previewFolder;          // where the preview page goes; empty: the user's own folder
    QString commandLine;            // the file to open at start, or empty
    QString recoveryFolder;         // where unsaved texts are kept against crashes; empty: off
};
