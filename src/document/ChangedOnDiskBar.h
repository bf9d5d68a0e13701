// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QFrame>

#include "document/frmDocument.h"

class FileWatch;
class QLabel;
class QPushButton;

// The bar at the top of a document window that tells when another program has changed or
// removed the document's file, and offers what to do: "Reload" or "Keep mine", "Save again" or
// "Close". It looks when the window is activated after the file was touched (at once when the
// window is active), so that a user working elsewhere is told on coming back, not interrupted.
// With the "ReloadChangedFiles" setting a document without unsaved changes is reloaded without
// asking; unsaved text is never replaced unless the user says so, and Undo brings it back.
class ChangedOnDiskBar : public QFrame {
    Q_OBJECT
  public:
    ChangedOnDiskBar(frmDocument* document, frmDocument::Save save);

    QLabel* message;
    QPushButton* cmdFirst;   // Reload, or Save again
    QPushButton* cmdSecond;  // Keep mine, or Close

    // Compares the file with what the document last read or wrote, and shows, hides or reloads.
    void checkFile();

  private:
    enum class Offer { None, Changed, Removed };
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
};
