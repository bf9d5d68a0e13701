#pragma once

class frmMain;

// Opens web browser windows inside the main window.
class BrowserCommands {
  public:
    explicit BrowserCommands(frmMain* main) : main_(main) {}
    void mnuViewBrowser_Click();

  private:
    frmMain* main_;
};
