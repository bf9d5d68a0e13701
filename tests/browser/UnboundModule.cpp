// SPDX-License-Identifier: GPL-3.0-or-later
// A browser module that calls a function no program has, as one built for another program would:
// the editor must refuse to load it, not end at the first call (the desktop scenario
// browser_module puts it beside the program).
#include <QObject>

#include "browser/WebBrowsers.h"

ChildForm* functionNoProgramHas();

class UnboundModule : public QObject, public WebBrowsers {
    Q_OBJECT
    Q_PLUGIN_METADATA(IID "org.example.quillo.WebBrowsers")
    Q_INTERFACES(WebBrowsers)

  public:
    ChildForm* open(DocumentHost*, const QString&) override { return functionNoProgramHas(); }
};

#include "UnboundModule.moc"
