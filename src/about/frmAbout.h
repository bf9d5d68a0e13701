// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QDialog>
#include <memory>
#include <stdexcept>

#include "about/core/ProgramStarter.h"
#include "about/core/Registry.h"

class DialogHost;
class QFrame;
class QLabel;
class QPushButton;

// A registry value that cannot be read as text (an empty value has nothing to trim).
class RegistryValueError : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

// The About box: name, version and description of the program, and a button that starts the
// system's information tool.
class frmAbout : public QDialog {
    Q_OBJECT
  public:
    frmAbout(QWidget* owner, DialogHost* dialogs);
    ~frmAbout() override;

    // The contact addresses appended to the description.
    static QString ContactEmail();
    static QString HomePage();
    // System information tools tried, in order, where there is no registry.
    static QStringList SystemInfoTools();

    QLabel* picIcon;
    QLabel* lblTitle;
    QLabel* lblVersion;
    QLabel* lblDescription;
    QFrame* Line1;
    QLabel* lblDisclaimer;
    QPushButton* cmdOK;
    QPushButton* cmdSysInfo;

    void Form_Load();
    void cmdOK_Click();
    void cmdSysInfo_Click();
    void StartSysInfo();
    // Reads the value `SubKeyRef` of the key `KeyName` under the root `KeyRoot` into `KeyVal`:
    // text values as they are, 32-bit numbers as "&h" and hexadecimal digits, other types leave
    // `KeyVal` unchanged. False with `KeyVal` empty when the key or value cannot be read; throws
    // RegistryValueError for an empty value.
    bool GetKeyValue(int32_t KeyRoot, const QString& KeyName, const QString& SubKeyRef,
                     QString& KeyVal);

    // Replace the platform's registry and program starter (tests).
    void setRegistry(std::unique_ptr<Registry> registry) { registry_ = std::move(registry); }
    void setProgramStarter(std::unique_ptr<ProgramStarter> starter) {
        starter_ = std::move(starter);
    }

  private:
    bool startSystemInfoTool();

    DialogHost* dialogs_;
    std::unique_ptr<Registry> registry_;
    std::unique_ptr<ProgramStarter> starter_;
};
