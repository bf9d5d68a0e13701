#pragma once

#include <functional>

class QDialog;
class frmMain;

// Shows the About box.
class AboutCommand {
  public:
    // How a dialog is shown modally: exec() unless replaced (tests drive the dialog instead).
    using ShowModal = std::function<void(QDialog&)>;

    explicit AboutCommand(frmMain* main) : main_(main) {}
    void mnuHelpAbout_Click();

    // An empty function restores exec().
    static void setShowModal(ShowModal show);

  private:
    frmMain* main_;
};
