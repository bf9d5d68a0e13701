#include "browser/BrowserCommands.h"

#include "app/frmMain.h"

void BrowserCommands::mnuViewBrowser_Click() { (void)main_; }
