// SPDX-License-Identifier: GPL-3.0-or-later
#include "common/CommonDialog.h"

#include <QPrinter>

CommonDialog::CommonDialog(DialogHost* host, QWidget* owner) : host_(host), owner_(owner) {}

CommonDialog::~CommonDialog() = default;

bool CommonDialog::showFileDialog(bool save) {
    FileDialogRequest request;
    request.save = save;
    request.title = DialogTitle;
    request.filter = Filter;
    request.fileName = FileName;
    request.flags = Flags;
    FileName = host_->ShowFileDialog(owner_, request);
    return !FileName.isEmpty();
}

bool CommonDialog::ShowOpen() {
    return showFileDialog(false);
}

bool CommonDialog::ShowSave() {
    return showFileDialog(true);
}

bool CommonDialog::ShowPrinter() {
    if (!printer_) printer_ = std::make_unique<QPrinter>(QPrinter::HighResolution);
    return host_->ShowPrinter(owner_, printer_.get(), DialogTitle, (Flags & cdlPDSelection) != 0);
}

bool CommonDialog::ShowFont() {
    FontChoice font{FontName,   FontSize,      FontBold,
                    FontItalic, FontUnderline, (Flags & cdlCFEffects) != 0};
    if (!host_->ShowFont(owner_, font)) return false;
    FontName = font.name;
    FontSize = font.size;
    FontBold = font.bold;
    FontItalic = font.italic;
    FontUnderline = font.underline;
    return true;
}
