// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "common/DialogHost.h"

// The real dialogs: QMessageBox, QFileDialog, QPrintDialog, QFontDialog, QColorDialog.
class QtDialogHost : public DialogHost {
  public:
    int MsgBox(QWidget* owner, const QString& text, int style, const QString& title) override;
    QString ShowFileDialog(QWidget* owner, const FileDialogRequest& request) override;
    bool ShowPrinter(QWidget* owner, QPrinter* printer, const QString& title,
                     bool offerSelection) override;
    bool ShowFont(QWidget* owner, FontChoice& font) override;
    QColor ShowColor(QWidget* owner, const QVector<QColor>& customColours) override;
    int AskNumber(QWidget* owner, const QString& title, const QString& label, int value,
                  int minimum, int maximum, bool* ok) override;

    // "desc|pattern|desc|pattern" as a list of Qt name filters "desc (pattern pattern)".
    static QStringList nameFiltersFrom(const QString& filter);
};
