// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <functional>

class QDialog;
class DialogHost;
class QWidget;

// Shows the About box.
class AboutCommand {
  public:
    // How a dialog is shown modally: exec() unless replaced (tests drive the dialog instead).
    using ShowModal = std::function<void(QDialog&)>;

    // The box belongs to `owner` and asks its questions through `dialogs`.
    AboutCommand(QWidget* owner, DialogHost* dialogs) : owner_(owner), dialogs_(dialogs) {}
    void mnuHelpAbout_Click();

    // An empty function restores exec().
    static void setShowModal(ShowModal show);

  private:
    QWidget* owner_;
    DialogHost* dialogs_;
};
