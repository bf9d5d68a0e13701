// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>
#include <functional>

class frmDocument;
class DocumentHost;

// File > Open, Save, Save As and Print on the active document window.
class FileCommands {
  public:
    explicit FileCommands(DocumentHost* host) : host_(host) {}

    void mnuFileOpen_Click();
    // Opens `path` as Open does once the file is chosen: into the active document when it is
    // empty, else into a new document window; a file that cannot be read is reported the same
    // way. Returns whether it was loaded.
    bool OpenFile(const QString& path);
    // Loads `path` into `target` by the open rule; the caption becomes the path and the document
    // is clean. A file that cannot be read is reported with its path and the reason (and
    // `target` keeps its text); returns whether it was loaded.
    // A file that would take a large share of the free memory is opened only when the user
    // agrees, one that needs more than is free is refused; a long load shows its progress in
    // the status bar and Esc cancels it, leaving `target` empty.
    bool LoadInto(frmDocument* target, const QString& path);
    // The free memory that loads are judged against; by default (-1) what the machine has free
    // when the file is opened.
    void setMemoryBudget(qint64 bytes) { memoryBudget_ = bytes; }
    // Saves `target` under its caption, or asks for a name first; returns whether it was written.
    bool Save(frmDocument* target);
    void mnuFileSaveAs_Click();
    void mnuFilePrint_Click();

    // Opening: the last four characters, upper-cased, ".RTF" or ".QLO" mean rich text (0),
    // anything else plain text (1).
    static int OpenFileType(const QString& path);
    // Saving: the last three characters, upper-cased, "QLO" or "RTF" mean rich text.
    static int SaveFileType(const QString& path);
    // A caption counts as a file name when its fourth character from the end is ".".
    static bool HasName(const QString& caption);

    // Told the path of every file opened or saved (for the list of recent files).
    void setFileUsed(std::function<void(const QString&)> used) { fileUsed_ = std::move(used); }

    static const QString OpenFilter;
    static const QString SaveFilter;

  private:
    // Writes the target to `path`; on failure tells the user and returns false.
    bool writeDocument(frmDocument* target, const QString& path);
    // When another program has changed or removed the file the document was read from or last
    // saved to, asks whether to write over it.
    bool mayWriteOver(frmDocument* target, const QString& path);
    bool saveWithDialog(frmDocument* target, const QString& title);
    // Tells the user which bytes of a file just loaded into `target` will not be saved back
    // unchanged, if any.
    void warnIfLoadedFileWillChange(frmDocument* target, const QString& path);
    // Around loading and writing, which take a while on large files: the status text and a
    // busy cursor, then "Ready." again.
    void showBusy(const QString& status);
    void endBusy();

    DocumentHost* host_;
    qint64 memoryBudget_ = -1;
    bool lastLoadDeclined_ = false;  // the user said no to, or cancelled, the last load
    std::function<void(const QString&)> fileUsed_;
};
