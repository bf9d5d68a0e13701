// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// What the web engine needs settled before the application object exists: attributes and the
// environment its library and helper process read. Nothing here loads the engine, which comes
// with the browser module when the first browser window opens.
namespace EngineStartup {

// Runs without Chromium's sandbox as root (it cannot run there, and users do run editors as
// root), keeps WebRTC to proxied connections, and has pages drawn in software.
//
// Drawing pages with OpenGL would need a context shared by the whole application, made as the
// application starts: that loads the graphics driver, half of the program's memory at start-up
// and a good part of its start-up time, on every run, including the many that never open a
// browser. In software the engine loads nothing of the kind, and pages of the sort an editor
// previews draw fast enough. QUILLO_WEB_OPENGL=1 asks for OpenGL all the same.
void beforeApplication();

// Whether pages are drawn with OpenGL (see beforeApplication()).
bool drawsWithOpenGL();

// Keeps WebRTC to proxied connections, so that no page opens UDP traffic to a host of its
// choosing. The engine reads this from the environment when it starts.
void keepWebRtcProxied();

}  // namespace EngineStartup
