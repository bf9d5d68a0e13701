// SPDX-License-Identifier: GPL-3.0-or-later
#include "document/FileCommands.h"

#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QKeyEvent>

#include "common/CommonDialog.h"
#include "common/DialogHost.h"
#include "document/DocumentHost.h"
#include "document/RichTextBox.h"
#include "document/core/FileTypeRule.h"
#include "document/core/LoadEstimate.h"
#include "document/frmDocument.h"

namespace {

QString megabytes(qint64 bytes) {
    return QString::number((bytes + 1024 * 1024 - 1) / (1024 * 1024));
}

// Asks before a heavy load, refuses one the machine cannot hold, and shows the progress of the
// load in the status bar while letting Esc cancel it. Other input waits until the load is over:
// it must not reach a half-loaded document (nor close the window under it).
class InteractiveLoad : public QObject, public LoadObserver {
  public:
    InteractiveLoad(DocumentHost* host, const QString& path, qint64 budget)
        : host_(host), path_(QDir::toNativeSeparators(path)), budget_(budget) {
        qApp->installEventFilter(this);
    }
    ~InteractiveLoad() override { qApp->removeEventFilter(this); }

    bool declined() const { return declined_; }

    bool approve(const LoadEstimate& estimate) override {
        const qint64 available = budget_ >= 0 ? budget_ : LoadEstimate::availableMemory();
        const LoadEstimate::Verdict verdict = estimate.judge(available);
        if (verdict == LoadEstimate::Verdict::Comfortable) return startFiltering();
        const QString shape =
            QStringLiteral("It has %L1 %2 and would need about %L3 MB of memory")
                .arg(estimate.paragraphs)
                .arg(estimate.rtf ? QStringLiteral("paragraphs") : QStringLiteral("lines"))
                .arg(megabytes(estimate.memoryBytes).toLongLong());
        if (verdict == LoadEstimate::Verdict::TooLarge) {
            host_->dialogHost()->MsgBox(
                host_->hostWindow(),
                QStringLiteral("Cannot open \"%1\".\n%2; this computer has only %L3 MB free.")
                    .arg(path_, shape)
                    .arg(megabytes(available).toLongLong()),
                MsgBoxStyle::Critical, QString());
            declined_ = true;
            return false;
        }
        const int answer = host_->dialogHost()->MsgBox(
            host_->hostWindow(),
            QStringLiteral("\"%1\" is a heavy file to open.\n%2, a large share of the %L3 MB "
                           "this computer has free, and may make it slow.\n\nOpen it anyway?")
                .arg(path_, shape)
                .arg(megabytes(available).toLongLong()),
            MsgBoxStyle::YesNo + MsgBoxStyle::Question, QString());
        declined_ = answer != MsgBoxResult::Yes;
        return !declined_ && startFiltering();
    }

    bool progress(int percent) override {
        host_->setStatusText(
            QStringLiteral("Opening %1... %2% (Esc cancels)").arg(path_).arg(percent));
        QCoreApplication::processEvents();
        if (escaped_) declined_ = true;
        return !escaped_;
    }

  protected:
    bool eventFilter(QObject*, QEvent* event) override {
        if (!filtering_) return false;  // the questions above take input as usual
        switch (event->type()) {
            case QEvent::KeyPress:
                if (static_cast<QKeyEvent*>(event)->key() == Qt::Key_Escape) escaped_ = true;
                return true;
            case QEvent::KeyRelease:
            case QEvent::ShortcutOverride:
            case QEvent::Shortcut:
            case QEvent::MouseButtonPress:
            case QEvent::MouseButtonRelease:
            case QEvent::MouseButtonDblClick:
            case QEvent::Wheel:
            case QEvent::ContextMenu:
            case QEvent::Drop:
            case QEvent::Close:
                return true;
            default:
                return false;
        }
    }

  private:
    bool startFiltering() {
        filtering_ = true;
        return true;
    }

    DocumentHost* host_;
    QString path_;
    qint64 budget_;
    bool declined_ = false;
    bool escaped_ = false;
    bool filtering_ = false;
};

}  // namespace

const QString FileCommands::OpenFilter = QStringLiteral(
    "All Compatable Files|*.txt; *.htm; *.html; *.ini; *.bat; *.rtf; *.qlo; *.bas |All files (*.*) "
    "| *.*");

const QString FileCommands::SaveFilter = QStringLiteral(
    "Text File (*.txt)|*.txt|HTML File (*.html, *.htm)|*.html;*.htm|Quillo FIle (*.qlo)|*.qlo|Rich "
    "Text File (*.rtf)|*.rtf |INI File (*.ini)|*.ini |Batch File (*.bat)|*.bat |");

void FileCommands::warnIfLoadedFileWillChange(frmDocument* target, const QString& path) {
    const QString changes = target->txtText->LoadedFileChanges();
    if (changes.isEmpty()) return;
    host_->dialogHost()->MsgBox(
        host_->hostWindow(),
        QStringLiteral("\"%1\" cannot be kept byte for byte: %2.\nSaving it will change those "
                       "bytes.")
            .arg(QDir::toNativeSeparators(path), changes),
        MsgBoxStyle::Exclamation, QString());
}

int FileCommands::OpenFileType(const QString& path) {
    return FileTypeRule::opensAsRichText(path) ? RichTextBox::rtfRTF : RichTextBox::rtfText;
}

int FileCommands::SaveFileType(const QString& path) {
    return FileTypeRule::savesAsRichText(path) ? RichTextBox::rtfRTF : RichTextBox::rtfText;
}

bool FileCommands::HasName(const QString& caption) {
    return caption.size() >= 4 && caption.at(caption.size() - 4) == QLatin1Char('.');
}

void FileCommands::showBusy(const QString& status) {
    host_->setStatusText(status);
    QApplication::setOverrideCursor(Qt::WaitCursor);
    // A large file takes a while: the message must show before the work starts, not once it is
    // over, and the place where the file dialog was must not keep its picture meanwhile. The
    // window system first takes the dialog away, then the window is painted afresh; the user's
    // input waits until the work is done.
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
    host_->hostWindow()->repaint();
}

void FileCommands::endBusy() {
    QApplication::restoreOverrideCursor();
    host_->setStatusText(QStringLiteral("Ready."));
}

bool FileCommands::LoadInto(frmDocument* target, const QString& path) {
    QString error;
    showBusy(QStringLiteral("Opening %1...").arg(QDir::toNativeSeparators(path)));
    bool loaded = false;
    {
        InteractiveLoad observer(host_, path, memoryBudget_);
        loaded = target->txtText->LoadFile(path, OpenFileType(path), &error, &observer);
        lastLoadDeclined_ = observer.declined();
    }
    endBusy();
    if (lastLoadDeclined_) return false;
    if (!loaded) {
        host_->dialogHost()->MsgBox(
            host_->hostWindow(),
            QStringLiteral("Cannot open \"%1\".\n%2").arg(QDir::toNativeSeparators(path), error),
            MsgBoxStyle::Critical, QString());
        return false;
    }
    target->setCaption(path);
    // A file just read is unchanged.
    target->setTag(QString());
    if (fileUsed_) fileUsed_(path);
    warnIfLoadedFileWillChange(target, path);
    return true;
}

void FileCommands::mnuFileOpen_Click() {
    frmDocument* active = host_->ActiveDocument();
    const bool documentWasActive = active != nullptr;
    if (!active || active->txtText->TextLength() > 0) host_->LoadNewDoc();

    CommonDialog* dialog = host_->dlgCommonDialog();
    for (int attempt = 0; attempt < 2; ++attempt) {
        dialog->Filter = OpenFilter;
        if (!dialog->ShowOpen()) return;
        frmDocument* target = host_->ActiveDocument();
        if (!target) target = host_->LoadNewDoc();
        const QString path = dialog->FileName;
        if (LoadInto(target, path) || lastLoadDeclined_) return;
        // One more window and the dialog once more, but only once and only when the command
        // began in a document window.
        if (!documentWasActive || attempt == 1) return;
        host_->LoadNewDoc();
    }
}

bool FileCommands::OpenFile(const QString& path) {
    frmDocument* target = host_->ActiveDocument();
    if (!target || target->txtText->TextLength() > 0) target = host_->LoadNewDoc();
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
    return host_->dialogHost()->MsgBox(host_->hostWindow(), question,
                                       MsgBoxStyle::YesNo + MsgBoxStyle::Question,
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
        host_->dialogHost()->MsgBox(
            host_->hostWindow(),
            QStringLiteral("Cannot save \"%1\".\n%2\nThe document has not been saved.")
                .arg(QDir::toNativeSeparators(path), error),
            MsgBoxStyle::Critical, QString());
        return false;
    }
    if (target->txtText->SavedAsUtf8Instead()) {
        host_->setStatusText(QStringLiteral(
            "Saved as UTF-8: the text holds characters that the file's encoding cannot hold."));
    }
    if (fileUsed_) fileUsed_(path);
    return true;
}

bool FileCommands::saveWithDialog(frmDocument* target, const QString& title) {
    CommonDialog* dialog = host_->dlgCommonDialog();
    dialog->Flags = CommonDialog::cdlOFNHideReadOnly;
    dialog->DialogTitle = title;
    dialog->Filter = SaveFilter;
    // A document read from or saved to a file (one whose name does not count as a name to Save,
    // or any with Save As) starts the dialog in that file's folder with its name filled in.
    if (!target->txtText->FileOnDisk().isEmpty())
        dialog->FileName = QFileInfo(target->Caption()).absoluteFilePath();
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
    if (frmDocument* target = host_->ActiveDocument())
        saveWithDialog(target, QStringLiteral("Save As"));
}

void FileCommands::mnuFilePrint_Click() {
    frmDocument* target = host_->ActiveDocument();
    if (!target) return;
    CommonDialog* dialog = host_->dlgCommonDialog();
    dialog->CancelError = true;
    dialog->DialogTitle = QStringLiteral("Print");
    dialog->Flags = CommonDialog::cdlPDReturnDC + CommonDialog::cdlPDNoPageNums;
    if (target->txtText->SelLength() != 0) dialog->Flags += CommonDialog::cdlPDSelection;
    if (!dialog->ShowPrinter()) return;
    target->txtText->SelPrint(dialog->hDC());
}
