// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/QtDialogHost.h"

#include <QCheckBox>
#include <QColorDialog>
#include <QFileDialog>
#include <QFontDialog>
#include <QGroupBox>
#include <QInputDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QPrintDialog>
#include <QPrinter>
#include <QUrl>

namespace {

QMessageBox::Icon iconFor(int style) {
    switch (style & 0x70) {
        case MsgBoxStyle::Critical:
            return QMessageBox::Critical;
        case MsgBoxStyle::Question:
            return QMessageBox::Question;
        case MsgBoxStyle::Exclamation:
            return QMessageBox::Warning;
        case MsgBoxStyle::Information:
            return QMessageBox::Information;
        default:
            return QMessageBox::NoIcon;
    }
}

}  // namespace

int QtDialogHost::MsgBox(QWidget* owner, const QString& text, int style, const QString& title) {
    QMessageBox box(iconFor(style), title.isEmpty() ? ApplicationTitle() : title, text,
                    QMessageBox::NoButton, owner);
    switch (style & 7) {
        case MsgBoxStyle::OkCancel:
            box.setStandardButtons(QMessageBox::Ok | QMessageBox::Cancel);
            break;
        case MsgBoxStyle::YesNoCancel:
            box.setStandardButtons(QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel);
            break;
        case MsgBoxStyle::YesNo:
            box.setStandardButtons(QMessageBox::Yes | QMessageBox::No);
            break;
        default:
            box.setStandardButtons(QMessageBox::Ok);
            break;
    }
    switch (box.exec()) {
        case QMessageBox::Yes:
            return MsgBoxResult::Yes;
        case QMessageBox::No:
            return MsgBoxResult::No;
        case QMessageBox::Cancel:
            return MsgBoxResult::Cancel;
        case QMessageBox::Ok:
            return MsgBoxResult::Ok;
        default:
            // Closing the box by its frame or Esc counts as Cancel where there is one.
            return (style & 7) == MsgBoxStyle::OkOnly ? MsgBoxResult::Ok : MsgBoxResult::Cancel;
    }
}

QStringList QtDialogHost::nameFiltersFrom(const QString& filter) {
    QStringList result;
    const QStringList parts = filter.split(QLatin1Char('|'));
    for (int i = 0; i + 1 < parts.size(); i += 2) {
        QString patterns = parts[i + 1];
        patterns.replace(QLatin1Char(';'), QLatin1Char(' '));
        patterns = patterns.simplified();
        if (patterns.isEmpty()) continue;
        result << QStringLiteral("%1 (%2)").arg(parts[i].trimmed(), patterns);
    }
    return result;
}

QString QtDialogHost::ShowFileDialog(QWidget* owner, const FileDialogRequest& request) {
    // A file dialog cannot open a web address: when one is proposed (the browser's Edit HTML),
    // ask for the address or file name as text instead.
    const QUrl proposed(request.fileName);
    if (!request.save && !proposed.isLocalFile() && !proposed.scheme().isEmpty() &&
        proposed.scheme().size() > 1) {
        bool ok = false;
        const QString chosen = QInputDialog::getText(
            owner, request.title.isEmpty() ? QStringLiteral("Open") : request.title,
            QStringLiteral("Address or file name:"), QLineEdit::Normal, request.fileName, &ok);
        return ok ? chosen.trimmed() : QString();
    }
    QFileDialog dialog(owner, request.title);
    dialog.setAcceptMode(request.save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    dialog.setFileMode(request.save ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
    // The descriptions carry their own pattern lists where they want them shown.
    dialog.setOption(QFileDialog::HideNameFilterDetails, true);
    const QStringList filters = nameFiltersFrom(request.filter);
    if (!filters.isEmpty()) dialog.setNameFilters(filters);
    if (!request.fileName.isEmpty()) {
        dialog.selectFile(proposed.isLocalFile() ? proposed.toLocalFile() : request.fileName);
    }
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return QString();
    return dialog.selectedFiles().constFirst();
}

bool QtDialogHost::ShowPrinter(QWidget* owner, QPrinter* printer, const QString& title,
                               bool offerSelection) {
    QPrintDialog dialog(printer, owner);
    dialog.setWindowTitle(title);
    QAbstractPrintDialog::PrintDialogOptions options = dialog.options();
    options.setFlag(QAbstractPrintDialog::PrintPageRange, false);
    options.setFlag(QAbstractPrintDialog::PrintSelection, offerSelection);
    dialog.setOptions(options);
    return dialog.exec() == QDialog::Accepted;
}

bool QtDialogHost::ShowFont(QWidget* owner, FontChoice& font) {
    QFont initial(font.name);
    initial.setPointSizeF(font.size > 0 ? font.size : 10);
    initial.setBold(font.bold);
    initial.setItalic(font.italic);
    initial.setUnderline(font.underline);
    QFontDialog dialog(initial, owner);
    dialog.setOption(QFontDialog::DontUseNativeDialog);
    if (!font.effects) {
        // The dialog has no switch for it: the effects are the group of its two check boxes.
        for (QCheckBox* box : dialog.findChildren<QCheckBox*>()) {
            if (auto* group = qobject_cast<QGroupBox*>(box->parentWidget())) group->hide();
        }
    }
    if (dialog.exec() != QDialog::Accepted) return false;
    const QFont chosen = dialog.selectedFont();
    font.name = chosen.family();
    font.size = chosen.pointSizeF();
    font.bold = chosen.bold();
    font.italic = chosen.italic();
    font.underline = chosen.underline();
    return true;
}

QColor QtDialogHost::ShowColor(QWidget* owner, const QVector<QColor>& customColours) {
    for (int i = 0; i < customColours.size() && i < QColorDialog::customCount(); ++i) {
        QColorDialog::setCustomColor(i, customColours[i]);
    }
    QColorDialog dialog(owner);
    if (dialog.exec() != QDialog::Accepted) return QColor();
    return dialog.selectedColor();
}

int QtDialogHost::AskNumber(QWidget* owner, const QString& title, const QString& label, int value,
                            int minimum, int maximum, bool* ok) {
    return QInputDialog::getInt(owner, title, label, value, minimum, maximum, 1, ok);
}
