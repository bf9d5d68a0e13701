// SPDX-License-Identifier: GPL-3.0-or-later
#include "search/frmREPLACE.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include "common/DialogHost.h"
#include "document/DocumentHost.h"
#include "document/RichTextBox.h"
#include "document/frmDocument.h"
#include "search/SearchOptions.h"
#include "search/TextSearch.h"
#include "search/ToolDialog.h"

frmREPLACE::frmREPLACE(DocumentHost* host) : QDialog(host->hostWindow()), host_(host) {
    setObjectName(QStringLiteral("frmREPLACE"));
    ToolDialog::setUp(this, QStringLiteral("Replace"), 4305, 1935);

    // Created in tab order: the search box, then the replacement box.
    txtFind = new QLineEdit(this);
    txtFind->setObjectName(QStringLiteral("txtFind"));
    txtReplace = new QLineEdit(this);
    txtReplace->setObjectName(QStringLiteral("txtReplace"));
    Label1 = new QLabel(QStringLiteral("Find:"), this);
    Label1->setObjectName(QStringLiteral("Label1"));
    Label1->setBuddy(txtFind);
    Label2 = new QLabel(QStringLiteral("Replace:"), this);
    Label2->setObjectName(QStringLiteral("Label2"));
    Label2->setBuddy(txtReplace);
    Check1 = new QCheckBox(QStringLiteral("Case sensitive"), this);
    Check1->setObjectName(QStringLiteral("Check1"));
    Check2 = new QCheckBox(QStringLiteral("Match whole word only"), this);
    Check2->setObjectName(QStringLiteral("Check2"));
    Check3 = new QCheckBox(QStringLiteral("Regular expression"), this);
    Check3->setObjectName(QStringLiteral("Check3"));
    Command1 = ToolDialog::button(QStringLiteral("Command1"), QStringLiteral("Replace"), this);
    Command2 = ToolDialog::button(QStringLiteral("Command2"), QStringLiteral("Close"), this);

    ToolDialog::place(Label1, 50, 160, 735, 255);
    ToolDialog::place(txtFind, 840, 120, 3375, 285);
    ToolDialog::place(Label2, 50, 520, 735, 255);
    ToolDialog::place(txtReplace, 840, 480, 3375, 285);
    ToolDialog::place(Check1, 840, 840, 1455, 255);
    ToolDialog::place(Check2, 2280, 840, 2055, 255);
    // The pattern box has a row of its own, above the buttons.
    ToolDialog::place(Check3, 840, 1200, 2055, 255);
    ToolDialog::place(Command1, 2400, 1560, 855, 315);
    ToolDialog::place(Command2, 3360, 1560, 855, 315);

    ToolDialog::fitFont(this);

    connect(Command1, &QPushButton::clicked, this, &frmREPLACE::Command1_Click);
    connect(Command2, &QPushButton::clicked, this, &frmREPLACE::Command2_Click);
}

void frmREPLACE::Command1_Click() {
    const TextSearch search{txtFind->text(), SearchOptions(Check1, Check2),
                            Check3->checkState() != Qt::Unchecked};
    const QString replacement = txtReplace->text();
    // A pattern or replacement that is not valid is told, and the dialog stays for it to be put
    // right.
    if (const QString problem = search.problem(&replacement); !problem.isEmpty()) {
        host_->dialogHost()->MsgBox(this, problem, MsgBoxStyle::Exclamation, QString());
        return;
    }
    // Without a document window there is nothing to replace in and nothing to report.
    if (frmDocument* document = host_->ActiveDocument()) {
        const QString& text = search.text;
        // Each search resumes after the replacement just made, so a replacement containing the
        // search text is never searched again; the whole run is one undo step.
        const int count = search.replaceAll(document->txtText, replacement);
        const QString message =
            count == 0
                ? QStringLiteral("Unable to find '") + text + QStringLiteral("' in specified range")
                : QStringLiteral("The specified region has been searched. ") +
                      QString::number(count) + QStringLiteral(" replacements have been made");
        host_->dialogHost()->MsgBox(this, message, MsgBoxStyle::OkOnly, QString());
    }
    hide();
}

void frmREPLACE::Command2_Click() {
    hide();
}

void frmREPLACE::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    txtFind->setFocus();
}
