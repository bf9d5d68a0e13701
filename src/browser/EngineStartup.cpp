// SPDX-License-Identifier: GPL-3.0-or-later
#include "browser/EngineStartup.h"

#include <unistd.h>

#include <QCoreApplication>
#include <QQuickWindow>
#include <QtGlobal>

#include "browser/WebSecurity.h"

namespace {
QtMessageHandler previousHandler = nullptr;

// The engine tries to make its shared context anyway, and Qt says that it could not.
void dropNoOpenGLWarning(QtMsgType type, const QMessageLogContext& context, const QString& text) {
    if (type == QtWarningMsg && text.startsWith(QLatin1String("QXcbIntegration: Cannot create "
                                                              "platform OpenGL context")))
        return;
    if (previousHandler) previousHandler(type, context, text);
}
}  // namespace

void EngineStartup::beforeApplication() {
    if (geteuid() == 0 && qEnvironmentVariableIsEmpty("QTWEBENGINE_DISABLE_SANDBOX"))
        qputenv("QTWEBENGINE_DISABLE_SANDBOX", "1");
    WebSecurity::restrictEngine();
    // The engine's library asked for OpenGL as it loaded; the user may still ask for it.
    if (qEnvironmentVariableIsEmpty("QUILLO_WEB_OPENGL")) {
        QQuickWindow::setGraphicsApi(QSGRendererInterface::Software);
        // Its shared context is then made without an OpenGL driver on X11, at no cost.
        if (qEnvironmentVariableIsEmpty("QT_XCB_GL_INTEGRATION")) {
            qputenv("QT_XCB_GL_INTEGRATION", "none");
            previousHandler = qInstallMessageHandler(dropNoOpenGLWarning);
        }
    } else {
        QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    }
}
