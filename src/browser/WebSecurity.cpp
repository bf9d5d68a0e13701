// SPDX-License-Identifier: GPL-3.0-or-later
#include "browser/WebSecurity.h"

#include <QByteArray>
#include <QWebEngineSettings>

namespace WebSecurity {

void restrictEngine() {
    // The settings offer no switch for this; the engine reads its command-line flags from the
    // environment when it starts. Flags the user set stay in front.
    static const QByteArray kPolicy("--force-webrtc-ip-handling-policy=disable_non_proxied_udp");
    QByteArray flags = qgetenv("QTWEBENGINE_CHROMIUM_FLAGS");
    if (flags.contains("webrtc-ip-handling-policy")) return;
    if (!flags.isEmpty()) flags += ' ';
    qputenv("QTWEBENGINE_CHROMIUM_FLAGS", flags + kPolicy);
}

void restrictPages(QWebEngineSettings* settings) {
    settings->setAttribute(QWebEngineSettings::LocalContentCanAccessFileUrls, false);
    settings->setAttribute(QWebEngineSettings::LocalContentCanAccessRemoteUrls, false);
    settings->setAttribute(QWebEngineSettings::WebRTCPublicInterfacesOnly, true);
}

}  // namespace WebSecurity
