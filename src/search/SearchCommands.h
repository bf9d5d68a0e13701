#pragma once

class frmMain;

// Find, Find Next and Replace over the active document.
class SearchCommands {
public:
    explicit SearchCommands(frmMain* main) : main_(main) {}
    void mnuFind_Click();
    void mnuFindNext_Click();
    void mnuReplace_Click();

private:
    frmMain* main_;
};
