// SPDX-License-Identifier: GPL-3.0-or-later
#include "search/frmFIND.h"

#include <QCheckBox>
#include <QKeyEvent>
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

frmFIND::frmFIND(DocumentHost* host) : QDialog(host->hostWindow()), host_(host) {
    setObjectName(QStringLiteral("frmFIND"));
    ToolDialog::setUp(this, QStringLiteral("Find"), 4170, 1575);

    // Created in tab order: the search box first.
    Text1 = new QLineEdit(this);
    Text1->setObjectName(QStringLiteral("Text1"));
    Label1 = new QLabel(QStringLiteral("Find:"), this);
    Label1->setObjectName(QStringLiteral("Label1"));
    Label1->setBuddy(Text1);
    Check1 = new QCheckBox(QStringLiteral("Case sensitive"), this);
    Check1->setObjectName(QStringLiteral("Check1"));
    Check2 = new QCheckBox(QStringLiteral("Match whole word only"), this);
    Check2->setObjectName(QStringLiteral("Check2"));
    Check3 = new QCheckBox(QStringLiteral("Regular expression"), this);
    Check3->setObjectName(QStringLiteral("Check3"));
    Command1 = ToolDialog::button(QStringLiteral("Command1"), QStringLiteral("Find"), this);
    Command2 = ToolDialog::button(QStringLiteral("Command2"), QStringLiteral("Close"), this);

    ToolDialog::place(Label1, 50, 170, 615, 255);
    ToolDialog::place(Text1, 720, 120, 3375, 285);
    ToolDialog::place(Check1, 720, 480, 1455, 255);
    ToolDialog::place(Check2, 2160, 480, 2055, 255);
    // The pattern box has a row of its own, above the buttons.
    ToolDialog::place(Check3, 720, 840, 2055, 255);
    ToolDialog::place(Command1, 2280, 1200, 855, 315);
    ToolDialog::place(Command2, 3240, 1200, 855, 315);

    ToolDialog::fitFont(this);

    connect(Command1, &QPushButton::clicked, this, &frmFIND::Command1_Click);
    connect(Command2, &QPushButton::clicked, this, &frmFIND::Command2_Click);
    Text1->installEventFilter(this);
}

void frmFIND::Command1_Click() {
    const TextSearch search{Text1->text(), SearchOptions(Check1, Check2),
                            Check3->checkState() != Qt::Unchecked};
    // A pattern that is not valid is told, and the dialog stays for it to be put right.
    if (const QString problem = search.problem(); !problem.isEmpty()) {
        host_->dialogHost()->MsgBox(this, problem, MsgBoxStyle::Exclamation, QString());
        return;
    }
    // Without a document window there is no text to search; the dialog still hides.
    if (frmDocument* document = host_->ActiveDocument()) {
        // Nothing found leaves the selection as it was, and is not reported.
        search.findNext(document->txtText);
    }
    hide();
}

void frmFIND::Command2_Click() {
    hide();
}

void frmFIND::Text1_KeyPress(int KeyAscii) {
    if (KeyAscii == 13) Command1_Click();
}

bool frmFIND::eventFilter(QObject* watched, QEvent* event) {
    if (watched == Text1 && event->type() == QEvent::KeyPress) {
        const auto* key = static_cast<QKeyEvent*>(event);
        if (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) Text1_KeyPress(13);
    }
    return QDialog::eventFilter(watched, event);
}

void frmFIND::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    Text1->setFocus();
}
