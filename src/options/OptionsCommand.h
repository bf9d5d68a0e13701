#pragma once

#include <functional>

class QDialog;
class frmMain;

// Shows the options dialog for new documents.
class OptionsCommand {
  public:
    // How a dialog is shown modally: exec() unless replaced (tests drive the dialog instead).
    using ShowModal = std::function<void(QDialog&)>;

    explicit OptionsCommand(frmMain* main) : main_(main) {}
    void mnuViewOptions_Click();

    // An empty function restores exec().
    static void setShowModal(ShowModal show);

  private:
    frmMain* main_;
};
