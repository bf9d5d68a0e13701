// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QDialog>

class QCheckBox;
class QComboBox;
class QLabel;
class QPushButton;
class RichTextBox;
class DocumentHost;

// The options dialog: background colour, base font and maximised state of new document windows,
// reloading of changed files and spell checking.
// Every choice goes onto the sample `shape1` first; Apply and OK take the values from there.
class frmOptions : public QDialog {
    Q_OBJECT
  public:
    explicit frmOptions(DocumentHost* host);

    QLabel* Label2;
    QCheckBox* Check1;
    QCheckBox* chkReloadChanged;
    QCheckBox* chkSpelling;
    QLabel* lblLanguage;
    // The installed dictionaries; the first entry (data empty) follows the user's locale.
    QComboBox* cboLanguage;
    QLabel* Label1;
    QPushButton* Command1;
    RichTextBox* shape1;
    QPushButton* Command3;
    QPushButton* cmdOK;
    QPushButton* cmdCancel;
    QPushButton* cmdApply;

    // Sample and check box take the document settings.
    void Form_Activate();
    void Command1_Click();
    void Command3_Click();
    void cmdApply_Click();
    void cmdOK_Click();
    void cmdCancel_Click();

  protected:
    void showEvent(QShowEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

  private:
    DocumentHost* host_;
};
