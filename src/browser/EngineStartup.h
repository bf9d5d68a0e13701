// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// What the web engine needs settled before the application object exists. The engine itself
// starts only when the first browser window opens.
namespace EngineStartup {

// Runs without Chromium's sandbox as root (it cannot run there, and users do run editors as
// root), keeps WebRTC to proxied connections, and has pages drawn in software.
//
// Drawing pages with OpenGL would need a context shared by the whole application, which the
// engine's library makes as the application starts: that loads the graphics driver, half of the
// program's memory at start-up and a good part of its start-up time, on every run, including the
// many that never open a browser. In software the engine loads nothing of the kind, and pages of
// the sort an editor previews draw fast enough.
void beforeApplication();

}  // namespace EngineStartup
