// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QColor>
#include <QQueue>
#include <QStringList>

#include "common/DialogHost.h"

// Answers every modal question from queues and records what was asked, so tests never block on
// a real dialog. An empty queue answers Cancel (message boxes: OK for OK-only boxes); the font
// and colour choosers are always cancelled.
class ScriptedDialogHost : public DialogHost {
  public:
    struct Message {
        QString text;
        int style;
        QString title;
    };

    QQueue<int> msgBoxAnswers;
    QQueue<QString> fileAnswers;  // "" cancels
    QQueue<bool> printerAnswers;
    QQueue<int> numberAnswers;
    QStringList numberQuestions;  // "label [value, minimum..maximum]"

    QList<Message> messages;
    QList<FileDialogRequest> fileRequests;
    QList<bool> printerOfferedSelection;
    // Where a printer dialog sends its output: a PDF file, so printing can be checked.
    QString printToPdf;

    int MsgBox(QWidget* owner, const QString& text, int style, const QString& title) override;
    QString ShowFileDialog(QWidget* owner, const FileDialogRequest& request) override;
    bool ShowPrinter(QWidget* owner, QPrinter* printer, const QString& title,
                     bool offerSelection) override;
    bool ShowFont(QWidget* owner, FontChoice& font) override;
    QColor ShowColor(QWidget* owner, const QVector<QColor>& customColours) override;
    // Answers from numberAnswers (empty: cancelled), recording the label asked with.
    int AskNumber(QWidget* owner, const QString& title, const QString& label, int value,
                  int minimum, int maximum, bool* ok) override;
};
