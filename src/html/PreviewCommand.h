#pragma once

class frmMain;

// Shows the active document as a web page.
class PreviewCommand {
public:
    explicit PreviewCommand(frmMain* main) : main_(main) {}
    void mnuPre_Click();

private:
    frmMain* main_;
};
