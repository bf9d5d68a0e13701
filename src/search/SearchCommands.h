// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QPointer>
#include <functional>

class DocumentHost;
class frmFIND;
class frmREPLACE;
class QDialog;

// Find, Find Next and Replace over the active document. The two dialogs are made on first use,
// owned by the main window, and kept (hidden) for its whole life.
class SearchCommands {
  public:
    // Shows a dialog modally and returns once it is hidden.
    using ShowModal = std::function<void(QDialog*)>;

    explicit SearchCommands(DocumentHost* host) : host_(host) {}

    void mnuFind_Click();
    void mnuFindNext_Click();
    void mnuReplace_Click();

    // The dialogs, created hidden when first asked for.
    frmFIND* FindDialog();
    frmREPLACE* ReplaceDialog();

    // How the dialogs are shown modally, for every main window: QDialog::exec() by default; tests
    // put a non-blocking showing here. An empty function restores the default.
    static void setShowModal(ShowModal show);

  private:
    static void showModal(QDialog* dialog);

    DocumentHost* host_;
    QPointer<frmFIND> find_;
    QPointer<frmREPLACE> replace_;
};
