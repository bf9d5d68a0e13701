#include "document/FileCommands.h"

#include <QApplication>
#include <QDir>

#include "app/CommonDialog.h"
#include "app/DialogHost.h"
#include "app/frmMain.h"
#include "document/RichTextBox.h"
#include "document/frmDocument.h"

const QString FileCommands::OpenFilter = QStringLiteral(
    "All Compatable Files|*.txt; *.htm; *.html; *.ini; *.bat; *.rtf; *.qlo; *.bas |All files (*.*) "
    "| *.*");

const QString FileCommands::SaveFilter = QStringLiteral(
    "Text File (*.txt)|*.txt|HTML File (*.html, *.htm)|*.html;*.htm|Quillo FIle (*.qlo)|*.qlo|Rich "
    "Text File (*.rtf)|*.rtf |INI File (*.ini)|*.ini |Batch File (*.bat)|*.bat |");

void FileCommands::warnIfLoadedFileWillChange(frmDocument* target, const QString& path) {
    if (!target->txtText->LoadedFileWillChange()) return;
    main_->dialogHost()->MsgBox(
        main_,
        QStringLiteral(
            "\"%1\" does not look like a plain text file. It is shown as well as it can be, "
            "but saving it will change it.")
            .arg(QDir::toNativeSeparators(path)),
        MsgBoxStyle::Exclamation, QString());
}

int FileCommands::OpenFileType(const QString& path) {
    const QString tail = path.right(4).toUpper();
    return tail == QLatin1String(".RTF") || tail == QLatin1String(".QLO") ? RichTextBox::rtfRTF
                                                                          : RichTextBox::rtfText;
}

int FileCommands::SaveFileType(const QString& path) {
    const QString tail = path.right(3).toUpper();
    return tail == QLatin1String("QLO") || tail == QLatin1String("RTF") ? RichTextBox::rtfRTF
                                                                        : RichTextBox::rtfText;
}

bool FileCommands::HasName(const QString& caption) {
    return caption.size() >= 4 && caption.at(caption.size() - 4) == QLatin1Char('.');
}

void FileCommands::showBusy(const QString& status) {
    main_->setStatusText(status);
    QApplication::setOverrideCursor(Qt::WaitCursor);
    // A large file takes a while: the message must show before the work starts, not once it is
    // over, and the place where the file dialog was must not keep its picture meanwhile. The
    // window system first takes the dialog away, then the window is painted afresh; the user's
    // input waits until the work is done.
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
    main_->repaint();
}

void FileCommands::endBusy() {
    QApplication::restoreOverrideCursor();
    main_->setStatusText(QStringLiteral("Ready."));
}

bool FileCommands::LoadInto(frmDocument* target, const QString& path) {
    QString error;
    showBusy(QStringLiteral("Opening %1...").arg(QDir::toNativeSeparators(path)));
    const bool loaded = target->txtText->LoadFile(path, OpenFileType(path), &error);
    endBusy();
    if (!loaded) {
        main_->dialogHost()->MsgBox(
            main_,
            QStringLiteral("Cannot open \"%1\".\n%2").arg(QDir::toNativeSeparators(path), error),
            MsgBoxStyle::Critical, QString());
        return false;
    }
    target->setCaption(path);
    // A file just read is unchanged.
    target->setTag(QString());
    warnIfLoadedFileWillChange(target, path);
    return true;
}

void FileCommands::mnuFileOpen_Click() {
    frmDocument* active = main_->ActiveDocument();
    const bool documentWasActive = active != nullptr;
    if (!active || !active->txtText->Text().isEmpty()) main_->LoadNewDoc();

    CommonDialog* dialog = main_->dlgCommonDialog();
    for (int attempt = 0; attempt < 2; ++attempt) {
        dialog->Filter = OpenFilter;
        if (!dialog->ShowOpen()) return;
        frmDocument* target = main_->ActiveDocument();
        if (!target) target = main_->LoadNewDoc();
        const QString path = dialog->FileName;
        if (LoadInto(target, path)) return;
        // One more window and the dialog once more, but only once and only when the command
        // began in a document window.
        if (!documentWasActive || attempt == 1) return;
        main_->LoadNewDoc();
    }
}

bool FileCommands::OpenFile(const QString& path) {
    frmDocument* target = main_->ActiveDocument();
    if (!target || !target->txtText->Text().isEmpty()) target = main_->LoadNewDoc();
    return LoadInto(target, path);
}

bool FileCommands::mayWriteOver(frmDocument* target, const QString& path) {
    const FileIdentity& known = target->txtText->FileOnDisk();
    if (!known.isAbout(path)) return true;
    const FileIdentity::Change change = known.changeOnDisk();
    if (change == FileIdentity::Change::None) return true;
    const QString name = QDir::toNativeSeparators(path);
    const QString question =
        change == FileIdentity::Change::Vanished
            ? QStringLiteral(
                  "\"%1\" has been deleted or moved by another program since it was "
                  "opened or saved.\nSave the document there anyway?")
                  .arg(name)
            : QStringLiteral(
                  "\"%1\" has been changed by another program since it was opened or "
                  "saved.\nOverwrite those changes with this document?")
                  .arg(name);
    return main_->dialogHost()->MsgBox(main_, question, MsgBoxStyle::YesNo + MsgBoxStyle::Question,
                                       QString()) == MsgBoxResult::Yes;
}

bool FileCommands::writeDocument(frmDocument* target, const QString& path) {
    // Declined: the document stays changed and the other program's file as it is.
    if (!mayWriteOver(target, path)) return false;
    QString error;
    showBusy(QStringLiteral("Saving %1...").arg(QDir::toNativeSeparators(path)));
    const bool written = target->txtText->SaveFile(path, SaveFileType(path), &error);
    endBusy();
    if (!written) {
        main_->dialogHost()->MsgBox(
            main_,
            QStringLiteral("Cannot save \"%1\".\n%2\nThe document has not been saved.")
                .arg(QDir::toNativeSeparators(path), error),
            MsgBoxStyle::Critical, QString());
        return false;
    }
    if (target->txtText->SavedAsUtf8Instead()) {
        main_->setStatusText(QStringLiteral(
            "Saved as UTF-8: the text holds characters that the file's encoding cannot hold."));
    }
    return true;
}

bool FileCommands::saveWithDialog(frmDocument* target, const QString& title) {
    CommonDialog* dialog = main_->dlgCommonDialog();
    dialog->Flags = CommonDialog::cdlOFNHideReadOnly;
    dialog->DialogTitle = title;
    dialog->Filter = SaveFilter;
    if (!dialog->ShowSave()) return false;
    const QString path = dialog->FileName;
    // The caption and the marker change only once the file is really written.
    if (!writeDocument(target, path)) return false;
    target->setCaption(path);
    target->setTag(QString());
    return true;
}

bool FileCommands::Save(frmDocument* target) {
    if (!target) return false;
    if (HasName(target->Caption())) {
        if (!writeDocument(target, target->Caption())) return false;
        target->setTag(QString());
        return true;
    }
    return saveWithDialog(target, QStringLiteral("Save"));
}

void FileCommands::mnuFileSaveAs_Click() {
    if (frmDocument* target = main_->ActiveDocument())
        saveWithDialog(target, QStringLiteral("Save As"));
}

void FileCommands::mnuFilePrint_Click() {
    frmDocument* target = main_->ActiveDocument();
    if (!target) return;
    CommonDialog* dialog = main_->dlgCommonDialog();
    dialog->CancelError = true;
    dialog->DialogTitle = QStringLiteral("Print");
    dialog->Flags = CommonDialog::cdlPDReturnDC + CommonDialog::cdlPDNoPageNums;
    if (target->txtText->SelLength() != 0) dialog->Flags += CommonDialog::cdlPDSelection;
    if (!dialog->ShowPrinter()) return;
    target->txtText->SelPrint(dialog->hDC());
}
