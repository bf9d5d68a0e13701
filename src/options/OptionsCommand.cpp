// SPDX-License-Identifier: GPL-3.0-or-later
#include "options/OptionsCommand.h"

#include "document/DocumentHost.h"
#include "options/frmOptions.h"

namespace {

OptionsCommand::ShowModal& showModal() {
    static OptionsCommand::ShowModal show;
    return show;
}

}  // namespace

void OptionsCommand::setShowModal(ShowModal show) {
    showModal() = std::move(show);
}

// A fresh dialog each time, owned by the main window and gone once it closes.
void OptionsCommand::mnuViewOptions_Click() {
    frmOptions dialog(host_);
    dialog.setWindowModality(Qt::ApplicationModal);
    if (showModal()) {
        showModal()(dialog);
    } else {
        dialog.exec();
    }
}
