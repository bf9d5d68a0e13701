// SPDX-License-Identifier: GPL-3.0-or-later
#include "about/AboutCommand.h"

#include "about/frmAbout.h"

namespace {

AboutCommand::ShowModal& showModal() {
    static AboutCommand::ShowModal show;
    return show;
}

}  // namespace

void AboutCommand::setShowModal(ShowModal show) {
    showModal() = std::move(show);
}

// A fresh box each time, owned by the main window and gone once it closes.
void AboutCommand::mnuHelpAbout_Click() {
    frmAbout dialog(owner_, dialogs_);
    dialog.setWindowModality(Qt::ApplicationModal);
    if (showModal()) {
        showModal()(dialog);
    } else {
        dialog.exec();
    }
}
