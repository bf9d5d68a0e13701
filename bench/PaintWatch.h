// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEvent>
#include <QObject>

// Counts paint events of the editor's viewport, so a benchmark can wait until what it opened
// is on the screen.
class PaintWatch : public QObject {
  public:
    int paints = 0;
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == QEvent::Paint) ++paints;
        return false;
    }
};

inline void waitForPaint(const PaintWatch& watch, int before, qint64 limitMs) {
    QElapsedTimer guard;
    guard.start();
    while (watch.paints == before && guard.elapsed() < limitMs)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
}
