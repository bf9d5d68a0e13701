// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEvent>
#include <QKeyEvent>
#include <QObject>
#include <QWidget>
#include <algorithm>
#include <vector>

// Counts paint events of the editor's viewport, so a benchmark can wait until what it opened
// is on the screen, and times keys until what they did is.
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

inline double ms(const QElapsedTimer& timer) {
    return double(timer.nsecsElapsed()) / 1e6;
}

inline void pressKey(QWidget* target, int key, Qt::KeyboardModifiers modifiers,
                     const QString& text = QString()) {
    QKeyEvent press(QEvent::KeyPress, key, modifiers, text);
    QCoreApplication::sendEvent(target, &press);
    QKeyEvent release(QEvent::KeyRelease, key, modifiers, text);
    QCoreApplication::sendEvent(target, &release);
}

// The median time of 15 presses of a key, each until the window watched has painted it.
inline double medianKeyMs(const PaintWatch& watch, QWidget* target, int key,
                          Qt::KeyboardModifiers modifiers, const QString& text, qint64 limitMs) {
    std::vector<double> keys;
    for (int i = 0; i < 15; ++i) {
        QElapsedTimer clock;
        clock.start();
        const int before = watch.paints;
        pressKey(target, key, modifiers, text);
        waitForPaint(watch, before, limitMs);
        keys.push_back(ms(clock));
    }
    std::sort(keys.begin(), keys.end());
    return keys[keys.size() / 2];
}
