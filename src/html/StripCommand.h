#pragma once

class frmMain;

// Strips the HTML markup from the active document, in place.
class StripCommand {
public:
    explicit StripCommand(frmMain* main) : main_(main) {}
    void mnuStrip_Click();

private:
    frmMain* main_;
};
