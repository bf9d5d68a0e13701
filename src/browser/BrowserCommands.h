// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

#include "browser/BrowserModule.h"

class ChildForm;
class DocumentHost;

// Opens web browser windows inside the main window, loading the browser module on first use.
class BrowserCommands {
  public:
    explicit BrowserCommands(DocumentHost* host, BrowserModule module = BrowserModule())
        : host_(host), module_(std::move(module)) {}

    // View > Web Browser: a browser window on the home page.
    void mnuViewBrowser_Click();

    // A browser window loading `address`; null, after telling the user why, when the browser
    // module cannot be loaded.
    ChildForm* Open(const QString& address);

  private:
    DocumentHost* host_;
    BrowserModule module_;
};
