// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QDialog>

class DocumentHost;
class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;

// The Find dialog: a fixed-size tool window owned by the main window. It is made once and then
// only shown and hidden, so its search text and boxes persist and Find Next reuses them.
class frmFIND : public QDialog {
    Q_OBJECT
  public:
    explicit frmFIND(DocumentHost* host);

    QLabel* Label1;
    QLineEdit* Text1;
    QCheckBox* Check1;  // "Case sensitive"
    QCheckBox* Check2;  // "Match whole word only"
    QCheckBox* Check3;  // "Regular expression"
    QPushButton* Command1;
    QPushButton* Command2;

    // Selects the next occurrence after the active document's selection, then hides the dialog.
    // Also what Find Next runs.
    void Command1_Click();
    // "Close": hides the dialog.
    void Command2_Click();
    // Enter (13) searches; the key goes on to the box as usual.
    void Text1_KeyPress(int KeyAscii);

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void showEvent(QShowEvent* event) override;

  private:
    DocumentHost* host_;
};
