// SPDX-License-Identifier: GPL-3.0-or-later
#include "browser/engine/WebSecurity.h"

#include <QWebEngineSettings>

namespace WebSecurity {

void restrictPages(QWebEngineSettings* settings) {
    settings->setAttribute(QWebEngineSettings::LocalContentCanAccessFileUrls, false);
    settings->setAttribute(QWebEngineSettings::LocalContentCanAccessRemoteUrls, false);
    settings->setAttribute(QWebEngineSettings::WebRTCPublicInterfacesOnly, true);
}

}  // namespace WebSecurity
