#include "browser/BrowserCommands.h"

#include "app/frmMain.h"
#include "browser/core/BrowserAddresses.h"
#include "browser/frmBrowser.h"

void BrowserCommands::mnuViewBrowser_Click() {
    frmBrowser::Open(main_, BrowserAddresses::current().homePage);
}
