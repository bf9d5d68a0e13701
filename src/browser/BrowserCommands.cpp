// SPDX-License-Identifier: GPL-3.0-or-later
#include "browser/BrowserCommands.h"

#include "browser/core/BrowserAddresses.h"
#include "browser/frmBrowser.h"
#include "document/DocumentHost.h"

void BrowserCommands::mnuViewBrowser_Click() {
    frmBrowser::Open(host_, BrowserAddresses::current().homePage);
}
