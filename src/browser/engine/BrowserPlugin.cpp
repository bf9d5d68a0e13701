// SPDX-License-Identifier: GPL-3.0-or-later
// The browser module's entry: the editor loads this file's plugin when the first browser window
// opens, and its web engine with it.
#include <QObject>
#include <QQuickWindow>

#include "browser/EngineStartup.h"
#include "browser/WebBrowsers.h"
#include "browser/engine/frmBrowser.h"

class BrowserPlugin : public QObject, public WebBrowsers {
    Q_OBJECT
    Q_PLUGIN_METADATA(IID "org.example.quillo.WebBrowsers")
    Q_INTERFACES(WebBrowsers)

  public:
    BrowserPlugin() {
        // Before the first web view: the engine draws through Qt Quick's scene graph, in
        // software unless the user asked for OpenGL (see EngineStartup).
        QQuickWindow::setGraphicsApi(EngineStartup::drawsWithOpenGL()
                                         ? QSGRendererInterface::OpenGLRhi
                                         : QSGRendererInterface::Software);
    }

    ChildForm* open(DocumentHost* host, const QString& address) override {
        return frmBrowser::Open(host, address);
    }
};

#include "BrowserPlugin.moc"
