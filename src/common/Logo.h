// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QIcon>
#include <QPixmap>

// The program's own picture: a quill over a page, painted rather than shipped so it stays crisp
// at any scale.
namespace Logo {
QPixmap picture(const QSize& size, qreal devicePixelRatio = 1.0);
QIcon icon();
}  // namespace Logo
