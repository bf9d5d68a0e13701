// SPDX-License-Identifier: GPL-3.0-or-later
#include "html/PreviewCommand.h"

#include <sys/stat.h>
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>

#include "common/DialogHost.h"
#include "common/core/AtomicFileWriter.h"
#include "common/core/PrivateFolder.h"
#include "document/DocumentHost.h"
#include "document/RichTextBox.h"
#include "document/frmDocument.h"

namespace {

// The folder the session's runtime folder should be: a real folder of this user that nobody
// else may enter.
bool usableRuntimeFolder(const QString& path) {
    struct stat st;
    return QDir::isAbsolutePath(path) && ::lstat(QFile::encodeName(path).constData(), &st) == 0 &&
           S_ISDIR(st.st_mode) && st.st_uid == ::geteuid() && (st.st_mode & 077) == 0;
}

}  // namespace

QString PreviewCommand::PreviewFolder(const QString& configured) {
    if (!configured.isEmpty()) return configured;
    const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
    if (usableRuntimeFolder(runtime)) return QDir(runtime).filePath(QStringLiteral("quillo"));
    return QDir(QStandardPaths::writableLocation(QStandardPaths::GenericCacheLocation))
        .filePath(QStringLiteral("quillo"));
}

QString PreviewCommand::PreviewPath(const QString& folder) {
    return QDir(folder).filePath(QStringLiteral("preview.html"));
}

bool PreviewCommand::WritePreview(const QString& path, const QString& text, QString* error) {
    if (!PrivateFolder::ensure(QFileInfo(path).absolutePath(), error)) return false;
    // UTF-8 with a byte order mark: the browser then shows every character the document holds,
    // whatever encoding the document was read in and whatever charset the page declares.
    QByteArray bytes("\xEF\xBB\xBF");
    bytes += text.toUtf8();
    AtomicFileWriter writer(path);
    writer.setPrivate(true);
    if (writer.write(bytes)) return true;
    if (error) *error = writer.errorString();
    return false;
}

void PreviewCommand::mnuPre_Click() {
    // Only a document can be previewed: nothing to do with no window or a browser window active.
    frmDocument* document = host_->ActiveDocument();
    if (!document) return;
    const QString path = PreviewPath(PreviewFolder(previewFolder_));
    QString error;
    if (!WritePreview(path, document->txtText->Text(), &error)) {
        host_->dialogHost()->MsgBox(host_->hostWindow(),
                                    QStringLiteral("Cannot write the preview file \"%1\".\n%2")
                                        .arg(QDir::toNativeSeparators(path), error),
                                    MsgBoxStyle::Critical, QString());
        return;
    }
    if (openBrowser_) openBrowser_(path);
}
