// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

class QWebEngineSettings;

// What a page in a browser window may do besides showing itself. A previewed document is a
// local page running whatever script the document holds: it must not read the user's other
// files, nor send what it has over WebRTC's direct UDP (the engine is kept to proxied
// connections before it starts: EngineStartup::keepWebRtcProxied()).
namespace WebSecurity {

// Local pages cannot read other local files or reach web sites; WebRTC shows no private
// addresses. Web sites keep their scripts.
void restrictPages(QWebEngineSettings* settings);

}  // namespace WebSecurity
