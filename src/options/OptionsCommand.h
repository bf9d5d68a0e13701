#pragma once

class frmMain;

// Shows the options dialog for new documents.
class OptionsCommand {
public:
    explicit OptionsCommand(frmMain* main) : main_(main) {}
    void mnuViewOptions_Click();

private:
    frmMain* main_;
};
