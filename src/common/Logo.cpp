// SPDX-License-Identifier: GPL-3.0-or-later
#include "common/Logo.h"

#include <QPainter>
#include <QPainterPath>

namespace Logo {

QPixmap picture(const QSize& size, qreal devicePixelRatio) {
    QPixmap pixmap(size * devicePixelRatio);
    pixmap.setDevicePixelRatio(devicePixelRatio);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    p.scale(size.width() / 106.0, size.height() / 100.0);

    // The page.
    p.setPen(QPen(QColor(60, 60, 60), 2));
    p.setBrush(QColor(255, 255, 200));
    QPainterPath page;
    page.moveTo(14, 8);
    page.lineTo(70, 8);
    page.lineTo(86, 24);
    page.lineTo(86, 92);
    page.lineTo(14, 92);
    page.closeSubpath();
    p.drawPath(page);
    p.setPen(QPen(QColor(120, 120, 120), 2));
    for (int y = 36; y <= 80; y += 11) p.drawLine(24, y, 64, y);

    // The quill.
    QPainterPath feather;
    feather.moveTo(40, 86);
    feather.cubicTo(52, 54, 74, 24, 100, 4);
    feather.cubicTo(94, 30, 74, 60, 46, 82);
    feather.closeSubpath();
    p.setPen(QPen(QColor(20, 60, 120), 1.5));
    p.setBrush(QColor(70, 130, 200));
    p.drawPath(feather);
    p.setPen(QPen(QColor(20, 40, 80), 2));
    p.drawLine(QPointF(38, 90), QPointF(92, 14));
    return pixmap;
}

QIcon icon() {
    QIcon result;
    for (int side : {16, 24, 32, 48, 64, 128, 256}) result.addPixmap(picture(QSize(side, side)));
    return result;
}

}  // namespace Logo
