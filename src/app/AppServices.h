#pragma once

#include <QString>

class DialogHost;

// What the main window needs from outside, injectable for tests.
struct AppServices {
    DialogHost* dialogs = nullptr;  // every modal question
    QString programFolder;          // where the readme and the preview file live
    QString commandLine;            // the file to open at start, or empty
    QString recoveryFolder;         // where unsaved texts are kept against crashes; empty: off
};
