// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QCheckBox>
#include <QDialog>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>

#include "common/Twips.h"

// Shared set-up of the search dialogs: a fixed-size tool window (narrow title bar, close box,
// not resizable) laid out in twips at the screen's logical DPI.
namespace ToolDialog {

inline void setUp(QDialog* dialog, const QString& caption, int clientWidth, int clientHeight) {
    dialog->setWindowTitle(caption);
    dialog->setWindowFlags(Qt::Tool | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                           Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint);
    dialog->setFixedSize(Twips::toPixelsX(clientWidth, dialog),
                         Twips::toPixelsY(clientHeight, dialog));
}

inline void place(QWidget* widget, int left, int top, int width, int height) {
    widget->setGeometry(Twips::toPixelsX(left, widget), Twips::toPixelsY(top, widget),
                        Twips::toPixelsX(width, widget), Twips::toPixelsY(height, widget));
}

// A button that Enter presses while it has the focus, as Space does. It is never the dialog's
// default, so Enter in a text box does not press it by itself.
class Button : public QPushButton {
  public:
    using QPushButton::QPushButton;

  protected:
    void keyPressEvent(QKeyEvent* event) override {
        if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
            animateClick();
            return;
        }
        QPushButton::keyPressEvent(event);
    }
};

inline QPushButton* button(const QString& name, const QString& caption, QWidget* parent) {
    auto* result = new Button(caption, parent);
    result->setObjectName(name);
    result->setAutoDefault(false);
    result->setDefault(false);
    return result;
}

// The layout was measured for a small dialog font: where the desktop's font is wider, steps the
// dialog's font down (to 7 points at least) until every caption fits in its fixed box.
inline void fitFont(QDialog* dialog) {
    const auto fits = [dialog] {
        for (const QWidget* w : dialog->findChildren<QWidget*>()) {
            int needed = 0;
            if (auto* button = qobject_cast<const QPushButton*>(w)) {
                needed = button->fontMetrics().horizontalAdvance(button->text()) + 8;
            } else if (qobject_cast<const QCheckBox*>(w) || qobject_cast<const QLabel*>(w)) {
                needed = w->sizeHint().width();
            }
            if (needed > w->width()) return false;
        }
        return true;
    };
    QFont font = dialog->font();
    while (!fits() && font.pointSizeF() > 7.25) {
        font.setPointSizeF(font.pointSizeF() - 0.5);
        dialog->setFont(font);
    }
}

}  // namespace ToolDialog
