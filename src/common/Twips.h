// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QWidget>
#include <cmath>

// Twips: 1440 per inch at the screen's logical DPI (15 twips = 1 pixel at 96 DPI).
namespace Twips {
inline int toPixelsX(double twips, const QWidget* w) {
    return int(std::lround(twips * w->logicalDpiX() / 1440.0));
}
inline int toPixelsY(double twips, const QWidget* w) {
    return int(std::lround(twips * w->logicalDpiY() / 1440.0));
}
inline double fromPixelsX(int pixels, const QWidget* w) {
    return pixels * 1440.0 / w->logicalDpiX();
}
inline double fromPixelsY(int pixels, const QWidget* w) {
    return pixels * 1440.0 / w->logicalDpiY();
}
}  // namespace Twips
