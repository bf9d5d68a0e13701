// SPDX-License-Identifier: GPL-3.0-or-later
#include "search/SearchCommands.h"

#include "document/DocumentHost.h"
#include "search/frmFIND.h"
#include "search/frmREPLACE.h"

namespace {
SearchCommands::ShowModal& modalShowing() {
    static SearchCommands::ShowModal show;
    return show;
}
}  // namespace

void SearchCommands::setShowModal(ShowModal show) {
    modalShowing() = std::move(show);
}

void SearchCommands::showModal(QDialog* dialog) {
    if (modalShowing()) {
        modalShowing()(dialog);
    } else {
        dialog->exec();
        // The dialog may hide while its own message box still has the focus; the window
        // manager then gives the focus to no one. The owner takes it back, as the user expects.
        if (QWidget* owner = dialog->parentWidget()) owner->activateWindow();
    }
}

frmFIND* SearchCommands::FindDialog() {
    if (!find_) find_ = new frmFIND(host_);
    return find_;
}

frmREPLACE* SearchCommands::ReplaceDialog() {
    if (!replace_) replace_ = new frmREPLACE(host_);
    return replace_;
}

// The dialog keeps the fields it had when last hidden; nothing is copied in from the document.
void SearchCommands::mnuFind_Click() {
    showModal(FindDialog());
}

// Repeats the search without showing the dialog (made hidden, empty, the first time).
void SearchCommands::mnuFindNext_Click() {
    FindDialog()->Command1_Click();
}

void SearchCommands::mnuReplace_Click() {
    showModal(ReplaceDialog());
}
