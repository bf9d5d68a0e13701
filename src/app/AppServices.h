// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QList>
#include <QStringList>

class DialogHost;

// What the main window needs from outside, injectable for tests.
struct AppServices {
    DialogHost* dialogs = nullptr;  // every modal question
    QString programFolder;          // where the readme lives
    QString previewFolder;          // where the preview page goes; empty: the user's own folder
    QStringList startFiles;         // the files to open at start, each in a document
    QList<int> startLines;          // for each of them, the line to show (1-based), or 0
    QString recoveryFolder;         // where unsaved texts are kept against crashes; empty: off
    QString wordListFile;           // the words added to the dictionary; empty: not kept
};
