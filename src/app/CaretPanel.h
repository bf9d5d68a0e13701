// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QLabel>
#include <QPointer>

class RichTextBox;
class QStatusBar;

// The status bar panel with the caret's line and column in the active document ("Ln 12,
// Col 5"); empty while no document is active. It follows the caret once per turn of the event
// loop however many moves came in it, and reads the plain-text editor's line index, so a text of
// any length answers at once.
class CaretPanel : public QLabel {
    Q_OBJECT
  public:
    explicit CaretPanel(QStatusBar* bar);

    // The control whose caret is shown; null for none.
    void follow(RichTextBox* text);

  private:
    void schedule();
    void refresh();

    QPointer<RichTextBox> text_;
    bool scheduled_ = false;
};
