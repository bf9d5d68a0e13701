#pragma once

#include <QRect>
#include <QWidget>

#include "app/ChildForm.h"
#include "app/Twips.h"

// A child window that is not a document: it stands in for a browser window, which carries the
// marker "Web", without starting the web engine.
class FakeBrowser : public ChildForm {
  public:
    FakeBrowser() { setTag(QStringLiteral("Web")); }
};

// A rectangle given in twips, in pixels at the widget's logical DPI.
inline QRect twips(const QWidget* w, int left, int top, int width, int height) {
    return QRect(Twips::toPixelsX(left, w), Twips::toPixelsY(top, w), Twips::toPixelsX(width, w),
                 Twips::toPixelsY(height, w));
}
