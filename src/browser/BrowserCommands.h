// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

class DocumentHost;

// Opens web browser windows inside the main window.
class BrowserCommands {
  public:
    explicit BrowserCommands(DocumentHost* host) : host_(host) {}
    void mnuViewBrowser_Click();

  private:
    DocumentHost* host_;
};
