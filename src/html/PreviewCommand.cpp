#include "html/PreviewCommand.h"

#include <QDir>
#include <QFileInfo>
#include <QSaveFile>
#include <QStandardPaths>

#include "app/DialogHost.h"
#include "app/frmMain.h"
#include "browser/frmBrowser.h"
#include "document/RichTextBox.h"
#include "document/frmDocument.h"

QString PreviewCommand::PreviewPath(const QString& programFolder) {
    const QFileInfo folder(programFolder);
    if (!programFolder.isEmpty() && folder.isDir() && folder.isWritable()) {
        return QDir(programFolder).filePath(QStringLiteral("preview.html"));
    }
    const QString cache = QStandardPaths::writableLocation(QStandardPaths::CacheLocation);
    QDir().mkpath(cache);
    return QDir(cache).filePath(QStringLiteral("preview.html"));
}

bool PreviewCommand::WritePreview(const QString& path, const QString& text, QString* error) {
    // UTF-8 with a byte order mark: the browser then shows every character the document holds,
    // whatever encoding the document was read in and whatever charset the page declares.
    QByteArray bytes("\xEF\xBB\xBF");
    bytes += text.toUtf8();
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size() || !file.commit()) {
        if (error) *error = file.errorString();
        return false;
    }
    return true;
}

void PreviewCommand::mnuPre_Click() {
    // Only a document can be previewed: nothing to do with no window or a browser window active.
    frmDocument* document = main_->ActiveDocument();
    if (!document) return;
    const QString path = PreviewPath(main_->services().programFolder);
    QString error;
    if (!WritePreview(path, document->txtText->Text(), &error)) {
        main_->dialogHost()->MsgBox(main_,
                                    QStringLiteral("Cannot write the preview file \"%1\".\n%2")
                                        .arg(QDir::toNativeSeparators(path), error),
                                    MsgBoxStyle::Critical, QString());
        return;
    }
    frmBrowser::Open(main_, path);
}
