// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/WindowPlacement.h"

#include <QGuiApplication>
#include <QRect>
#include <QScreen>
#include <QWidget>

#include "common/Twips.h"
#include "common/core/DocumentSettings.h"
#include "common/core/SettingsStore.h"

void WindowPlacement::restore() {
    QWidget* w = window_;
    // A stored value that is not a number falls back to its default.
    auto read = [](const char* key, double fallback) {
        bool ok = false;
        const double value = SettingText::toNumber(
            SettingsStore::GetSetting(QLatin1String(key), SettingText::fromNumber(fallback)), &ok);
        return ok ? value : fallback;
    };
    const double left = read("MainLeft", 1000), top = read("MainTop", 1000);
    double width = read("MainWidth", 6500), height = read("MainHeight", 6500);
    if (width < 1500) width = 6500;
    if (height < 1500) height = 6500;

    QRect frame(Twips::toPixelsX(left, w), Twips::toPixelsY(top, w), Twips::toPixelsX(width, w),
                Twips::toPixelsY(height, w));
    // The stored placement may come from another screen layout or from a hand-edited store: the
    // window lands on the screen that shows its title bar (else the primary one), no larger than
    // that screen's free area and wholly inside it. A huge stored size would otherwise make a
    // window of thousands of pixels, with the memory that takes.
    const QRect titleBar = frame.adjusted(0, 0, 0, -frame.height() + 40);
    QScreen* target = nullptr;
    for (QScreen* screen : QGuiApplication::screens()) {
        if (screen->availableGeometry().intersects(titleBar)) {
            target = screen;
            break;
        }
    }
    const bool visible = target != nullptr;
    if (!target) target = QGuiApplication::primaryScreen();
    if (target) {
        const QRect area = target->availableGeometry();
        frame.setSize(frame.size().boundedTo(area.size()));
        if (!visible) {
            frame.moveTopLeft(area.topLeft() +
                              QPoint(Twips::toPixelsX(1000, w), Twips::toPixelsY(1000, w)));
        }
        frame.moveLeft(qBound(area.left(), frame.left(), area.right() - frame.width() + 1));
        frame.moveTop(qBound(area.top(), frame.top(), area.bottom() - frame.height() + 1));
    }
    w->move(frame.topLeft());
    w->resize(frame.size());
    pendingOuterSize_ = frame.size();
}

void WindowPlacement::applyPendingOuterSize() {
    // Once the frame is known, take it off the client size.
    if (!pendingOuterSize_.isValid() || window_->windowState() != Qt::WindowNoState) return;
    const QSize frameExtra = window_->frameGeometry().size() - window_->geometry().size();
    if (frameExtra.isEmpty()) return;
    window_->resize(pendingOuterSize_ - frameExtra);
    pendingOuterSize_ = QSize();
}

bool WindowPlacement::save() const {
    QWidget* w = window_;
    int state = 0;
    if (w->windowState() & Qt::WindowMinimized) {
        state = 1;
    } else if (w->windowState() & Qt::WindowMaximized) {
        state = 2;
    }
    SettingsStore::SaveSetting(QStringLiteral("WindowState"), QString::number(state));
    if (state != 0) return false;
    const QRect frame = w->frameGeometry();
    SettingsStore::SaveSetting(QStringLiteral("MainLeft"),
                               SettingText::fromNumber(Twips::fromPixelsX(frame.x(), w)));
    SettingsStore::SaveSetting(QStringLiteral("MainTop"),
                               SettingText::fromNumber(Twips::fromPixelsY(frame.y(), w)));
    SettingsStore::SaveSetting(QStringLiteral("MainWidth"),
                               SettingText::fromNumber(Twips::fromPixelsX(frame.width(), w)));
    SettingsStore::SaveSetting(QStringLiteral("MainHeight"),
                               SettingText::fromNumber(Twips::fromPixelsY(frame.height(), w)));
    return true;
}
