#pragma once

class frmMain;

// Shows the About box.
class AboutCommand {
public:
    explicit AboutCommand(frmMain* main) : main_(main) {}
    void mnuHelpAbout_Click();

private:
    frmMain* main_;
};
