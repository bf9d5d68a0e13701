// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QSize>

class QWidget;

// The main window's place on the screen, kept in the settings store between runs: the outer
// frame in twips and whether the window was minimised or maximised.
class WindowPlacement {
  public:
    explicit WindowPlacement(QWidget* window) : window_(window) {}

    // Moves and sizes the window as stored, kept on a screen that shows it.
    void restore();
    // The stored size is the outer size, which is known only once a window manager has framed
    // the window: call on every show and move until it has been applied.
    void applyPendingOuterSize();
    // Stores the window state, and the frame when the window is neither minimised nor
    // maximised; returns whether it was (the frame was stored).
    bool save() const;

  private:
    QWidget* window_;
    // Outer size asked for by the stored settings, applied once the frame is known.
    QSize pendingOuterSize_;
};
