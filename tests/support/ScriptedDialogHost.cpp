// SPDX-License-Identifier: GPL-3.0-or-later
#include "ScriptedDialogHost.h"

#include <QPrinter>

int ScriptedDialogHost::MsgBox(QWidget*, const QString& text, int style, const QString& title) {
    messages.append({text, style, title.isEmpty() ? ApplicationTitle() : title});
    if (!msgBoxAnswers.isEmpty()) return msgBoxAnswers.dequeue();
    return (style & 7) == MsgBoxStyle::OkOnly ? MsgBoxResult::Ok : MsgBoxResult::Cancel;
}

QString ScriptedDialogHost::ShowFileDialog(QWidget*, const FileDialogRequest& request) {
    fileRequests.append(request);
    return fileAnswers.isEmpty() ? QString() : fileAnswers.dequeue();
}

bool ScriptedDialogHost::ShowPrinter(QWidget*, QPrinter* printer, const QString&,
                                     bool offerSelection) {
    printerOfferedSelection.append(offerSelection);
    const bool accepted = !printerAnswers.isEmpty() && printerAnswers.dequeue();
    if (accepted && !printToPdf.isEmpty()) {
        printer->setOutputFormat(QPrinter::PdfFormat);
        printer->setOutputFileName(printToPdf);
    }
    return accepted;
}

bool ScriptedDialogHost::ShowFont(QWidget*, FontChoice&) {
    return false;
}

QColor ScriptedDialogHost::ShowColor(QWidget*, const QVector<QColor>&) {
    return QColor();
}

int ScriptedDialogHost::AskNumber(QWidget*, const QString&, const QString& label, int value,
                                  int minimum, int maximum, bool* ok) {
    numberQuestions
        << QStringLiteral("%1 [%2, %3..%4]").arg(label).arg(value).arg(minimum).arg(maximum);
    *ok = !numberAnswers.isEmpty();
    return *ok ? numberAnswers.dequeue() : value;
}
