// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>
#include <memory>

#include "common/DialogHost.h"

class QPrinter;
class QWidget;

// The main window's one common dialog, shared by the file commands, the options dialog's font
// chooser and the browser's "Edit HTML". Each property keeps its last value between uses; each
// caller sets only what it needs.
class CommonDialog {
  public:
    CommonDialog(DialogHost* host, QWidget* owner);
    ~CommonDialog();

    QString FileName;
    QString DialogTitle;
    QString Filter;
    int Flags = 0;
    bool CancelError = false;
    QString FontName;
    double FontSize = 0;
    bool FontBold = false;
    bool FontItalic = false;
    bool FontUnderline = false;

    // Flag bits the program uses.
    static constexpr int cdlOFNHideReadOnly = 4;
    static constexpr int cdlPDSelection = 1;
    static constexpr int cdlPDReturnDC = 256;
    static constexpr int cdlPDNoPageNums = 8;
    static constexpr int cdlCFEffects = 256;

    // File dialogs: FileName becomes the chosen path, or empty when cancelled (whatever
    // CancelError says). Return whether a name was chosen.
    bool ShowOpen();
    bool ShowSave();
    // Printer and font dialogs: return false when cancelled (the caller's "cancel error").
    bool ShowPrinter();
    bool ShowFont();

    // The printer chosen by the last ShowPrinter; it stands in for the device context.
    QPrinter* hDC() const { return printer_.get(); }

    DialogHost* host() const { return host_; }

  private:
    bool showFileDialog(bool save);

    DialogHost* host_;
    QWidget* owner_;
    std::unique_ptr<QPrinter> printer_;
};
