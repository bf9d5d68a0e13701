// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <functional>

class QDialog;
class DocumentHost;

// Shows the options dialog for new documents.
class OptionsCommand {
  public:
    // How a dialog is shown modally: exec() unless replaced (tests drive the dialog instead).
    using ShowModal = std::function<void(QDialog&)>;

    explicit OptionsCommand(DocumentHost* host) : host_(host) {}
    void mnuViewOptions_Click();

    // An empty function restores exec().
    static void setShowModal(ShowModal show);

  private:
    DocumentHost* host_;
};
