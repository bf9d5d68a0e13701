// SPDX-License-Identifier: GPL-3.0-or-later
#include "browser/engine/EditHtml.h"

#include <QDir>
#include <QTemporaryFile>

#include "browser/core/BrowserAddresses.h"
#include "browser/core/PageDecoder.h"
#include "common/CommonDialog.h"
#include "document/DocumentHost.h"
#include "document/FileCommands.h"
#include "document/RichTextBox.h"
#include "document/frmDocument.h"

const QString EditHtml::Filter = QStringLiteral(
    "All Compatable Files|*.txt; *.htm; *.html; *.ini; *.bat; *.rtf; *.qlo; *.bas |All files (*.*) "
    "| *.*");

frmDocument* EditHtml::document() const {
    return document_;
}

PageFetcher::Limits& EditHtml::defaultLimits() {
    static PageFetcher::Limits limits;
    return limits;
}

QUrl EditHtml::AddressFromFileName(const QString& fileName) {
    const QUrl url(fileName);
    // One letter before the colon is a drive, not a scheme.
    if (url.scheme().size() >= 2) return url;
    return QUrl::fromLocalFile(fileName);
}

EditHtml* EditHtml::Run(DocumentHost* host, const QString& address, const QString& title,
                        const QByteArray& userAgent) {
    frmDocument* document = host->LoadNewDoc();
    CommonDialog* dialog = host->dlgCommonDialog();
    dialog->FileName = ProposedFileName(address);
    dialog->Filter = Filter;
    dialog->ShowOpen();
    const QString fileName = dialog->FileName;
    if (fileName.isEmpty()) {
        host->setStatusText(QStringLiteral("Edit HTML: no page was chosen."));
        return nullptr;
    }
    auto* command = new EditHtml(host, document, fileName, title);
    command->fetcher_->setUserAgent(userAgent);
    host->setStatusText(QStringLiteral("Fetching %1...").arg(command->address_.toDisplayString()));
    command->fetcher_->start(command->address_);
    return command;
}

EditHtml::EditHtml(DocumentHost* host, frmDocument* document, const QString& fileName,
                   const QString& title)
    // Closing the new window before the page has come in ends the fetch with it.
    : QObject(document),
      host_(host),
      hostWindow_(host->hostWindow()),
      document_(document),
      fetcher_(new PageFetcher(this)),
      fileName_(fileName),
      title_(title),
      address_(AddressFromFileName(fileName)) {
    fetcher_->setLimits(defaultLimits());
    connect(fetcher_, &PageFetcher::finished, this, &EditHtml::onFetched);
}

void EditHtml::onFetched() {
    const bool local = address_.isLocalFile();
    const QString shown =
        local ? QDir::toNativeSeparators(address_.toLocalFile()) : address_.toDisplayString();
    if (!fetcher_->succeeded()) {
        end(false, QStringLiteral("Cannot %1 \"%2\": %3")
                       .arg(local ? QStringLiteral("read") : QStringLiteral("fetch"), shown,
                            fetcher_->errorString()));
        return;
    }
    QString error;
    if (!putIntoDocument(&error)) {
        end(false, QStringLiteral("Cannot read \"%1\": %2").arg(shown, error));
        return;
    }
    end(true, QStringLiteral("Ready."));
}

bool EditHtml::putIntoDocument(QString* error) {
    if (!document_) {
        *error = QStringLiteral("the document window was closed");
        return false;
    }
    RichTextBox* text = document_->txtText;
    if (FileCommands::OpenFileType(fileName_) == RichTextBox::rtfRTF) {
        // The control reads rich text from files only: hand it a private copy of the page.
        QTemporaryFile copy(QDir::tempPath() + QStringLiteral("/quillo-page-XXXXXX.rtf"));
        if (!copy.open() || copy.write(fetcher_->data()) != fetcher_->data().size() ||
            !copy.flush()) {
            *error = copy.errorString();
            return false;
        }
        copy.close();
        if (!text->LoadFile(copy.fileName(), RichTextBox::rtfRTF, error)) return false;
    } else {
        text->setText(PageDecoder::decode(fetcher_->data(), fetcher_->contentType()));
        text->ClearUndo();
    }
    document_->setCaption(title_);
    // The page is not saved anywhere yet.
    document_->setTag(QStringLiteral("SAVE"));
    return true;
}

void EditHtml::end(bool loaded, const QString& status) {
    if (hostWindow_) host_->setStatusText(status);
    emit done(loaded);
    deleteLater();
}
