// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QFrame>
#include <atomic>

#include "common/core/FileIdentity.h"
#include "document/frmDocument.h"

class FileWatch;
class QLabel;
class QPushButton;
class QThread;

// The bar at the top of a document window that tells when another program has changed or
// removed the document's file, and offers what to do: "Reload" or "Keep mine", "Save again" or
// "Close". It looks when the window is activated after the file was touched (at once when the
// window is active), so that a user working elsewhere is told on coming back, not interrupted.
// With the "ReloadChangedFiles" setting a document without unsaved changes is reloaded without
// asking; unsaved text is never replaced unless the user says so, and Undo brings it back.
// A new time stamp on the same bytes tells nothing: the document quietly takes it as the file's.
class ChangedOnDiskBar : public QFrame {
    Q_OBJECT
  public:
    ChangedOnDiskBar(frmDocument* document, frmDocument::Save save);
    ~ChangedOnDiskBar() override;

    QLabel* message;
    QPushButton* cmdFirst;   // Reload, or Save again
    QPushButton* cmdSecond;  // Keep mine, or Close

    // Compares the file with what the document last read or wrote, and shows, hides or reloads
    // once the comparison is over. It runs on a worker thread: where the time stamp does not
    // tell, the whole file is read, which for a big file on a slow disk takes seconds.
    void checkFile();

  private:
    enum class Offer { None, Changed, Removed };
    struct Comparison {
        FileIdentity::Change change = FileIdentity::Change::None;
        FileIdentity restamped;
    };
    void compared(const FileIdentity& known, const Comparison& result);
    void follow();
    void onTouched();
    void onFocusChanged(QWidget* now);
    void offer(Offer what);
    void first();
    void second();
    bool reload();

    frmDocument* document_;
    frmDocument::Save save_;
    FileWatch* watch_;
    QLabel* icon_;
    Offer shown_ = Offer::None;
    bool pending_ = false;  // touched since the last look
    QThread* comparing_ = nullptr;
    bool again_ = false;  // asked to look while a comparison ran
    std::atomic<bool> stop_{false};
};
