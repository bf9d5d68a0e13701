// SPDX-License-Identifier: GPL-3.0-or-later
#include "browser/EngineStartup.h"

#include <unistd.h>

#include <QByteArray>
#include <QCoreApplication>
#include <QtGlobal>

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

bool EngineStartup::drawsWithOpenGL() {
    return !qEnvironmentVariableIsEmpty("QUILLO_WEB_OPENGL");
}

void EngineStartup::keepWebRtcProxied() {
    // The settings offer no switch for this; the engine reads its command-line flags from the
    // environment when it starts. Flags the user set stay in front.
    static const QByteArray kPolicy("--force-webrtc-ip-handling-policy=disable_non_proxied_udp");
    QByteArray flags = qgetenv("QTWEBENGINE_CHROMIUM_FLAGS");
    if (flags.contains("webrtc-ip-handling-policy")) return;
    if (!flags.isEmpty()) flags += ' ';
    qputenv("QTWEBENGINE_CHROMIUM_FLAGS", flags + kPolicy);
}

void EngineStartup::beforeApplication() {
    if (geteuid() == 0 && qEnvironmentVariableIsEmpty("QTWEBENGINE_DISABLE_SANDBOX"))
        qputenv("QTWEBENGINE_DISABLE_SANDBOX", "1");
    keepWebRtcProxied();
    // The engine's views need the application's shared context, even when they draw in
    // software: the application makes it as it starts, or never.
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    if (drawsWithOpenGL()) return;
    // The browser module chooses software drawing when it loads; the shared context is then
    // made without an OpenGL driver on X11, at no cost.
    if (qEnvironmentVariableIsEmpty("QT_XCB_GL_INTEGRATION")) {
        qputenv("QT_XCB_GL_INTEGRATION", "none");
        previousHandler = qInstallMessageHandler(dropNoOpenGLWarning);
    }
}
