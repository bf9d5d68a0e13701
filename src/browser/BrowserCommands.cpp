// SPDX-License-Identifier: GPL-3.0-or-later
#include "browser/BrowserCommands.h"

#include "browser/WebBrowsers.h"
#include "browser/core/BrowserAddresses.h"
#include "common/DialogHost.h"
#include "document/DocumentHost.h"

void BrowserCommands::mnuViewBrowser_Click() {
    Open(BrowserAddresses::current().homePage);
}

ChildForm* BrowserCommands::Open(const QString& address) {
    QString error;
    WebBrowsers* browsers = module_.load(&error);
    if (!browsers) {
        host_->dialogHost()->MsgBox(host_->hostWindow(),
                                    QStringLiteral("The web browser could not be loaded: ") + error,
                                    MsgBoxStyle::Critical, QString());
        return nullptr;
    }
    return browsers->open(host_, address);
}
