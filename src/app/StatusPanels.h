// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QObject>
#include <QPointer>

class QLabel;
class QStatusBar;
class QTimer;

// The six panels of the status bar: status text, date, time, and the Caps Lock, Num Lock and
// Insert states. The clock wakes up once a minute; the key states follow key events.
class StatusPanels : public QObject {
    Q_OBJECT
  public:
    explicit StatusPanels(QStatusBar* bar);

    void setText(const QString& text);
    QString text() const;
    QLabel* panel(int index) const;  // 1-based

    // The insert state shown in the sixth panel: true while typing inserts.
    void setInsertMode(bool inserting);
    // Re-reads Caps Lock and Num Lock.
    void refreshLockStates();

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    void updateClock();
    static void setPanelOn(QLabel* label, bool on);

    QStatusBar* bar_;
    QLabel* panels_[6];
    QTimer* clock_;
};

// Lock key states from the windowing system; false where the platform does not tell.
namespace KeyStates {
bool capsLock(bool* known = nullptr);
bool numLock(bool* known = nullptr);
}  // namespace KeyStates
