// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QDialog>

class DocumentHost;
class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;

// The Replace dialog: a fixed-size tool window owned by the main window, made once and then only
// shown and hidden so its fields persist. Its settings are separate from the Find dialog's.
class frmREPLACE : public QDialog {
    Q_OBJECT
  public:
    explicit frmREPLACE(DocumentHost* host);

    QLabel* Label1;
    QLineEdit* txtFind;
    QLabel* Label2;
    QLineEdit* txtReplace;
    QCheckBox* Check1;  // "Case sensitive"
    QCheckBox* Check2;  // "Match whole word only"
    QCheckBox* Check3;  // "Regular expression"
    QPushButton* Command1;
    QPushButton* Command2;

    // Replaces every occurrence from the end of the active document's selection to the end of
    // the text, reports the count, then hides the dialog.
    void Command1_Click();
    // "Close": hides the dialog.
    void Command2_Click();

  protected:
    void showEvent(QShowEvent* event) override;

  private:
    DocumentHost* host_;
};
