// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QObject>
#include <QPointer>
#include <QString>
#include <QUrl>

#include "browser/engine/PageFetcher.h"

class frmDocument;
class DocumentHost;

// "Edit HTML": a new document window, the shared open dialog proposing a name made from the
// page's address, then the chosen page's source in the new window (plain or rich text by the
// file-type rule) with the page title as caption. The page is fetched by the program itself, so
// the dialog may be given a web address. Outcomes go to the status bar, never to a message box.
class EditHtml : public QObject {
    Q_OBJECT
  public:
    static const QString Filter;

    // Limits of the page fetch for every later run; tests shorten them.
    static PageFetcher::Limits& defaultLimits();

    // Runs the command for the page at `address` titled `title`. Returns the running command
    // (it lives with the new document window and deletes itself when done), or null when it
    // ended at once (dialog cancelled).
    static EditHtml* Run(DocumentHost* host, const QString& address, const QString& title,
                         const QByteArray& userAgent = QByteArray());

    // The address a name from the dialog stands for: a web or file address as it is, a local
    // path as a file address.
    static QUrl AddressFromFileName(const QString& fileName);

    frmDocument* document() const;
    PageFetcher* fetcher() const { return fetcher_; }

  signals:
    // The command is over; `loaded` tells whether the page is in the document.
    void done(bool loaded);

  private:
    EditHtml(DocumentHost* host, frmDocument* document, const QString& fileName,
             const QString& title);
    void onFetched();
    bool putIntoDocument(QString* error);
    void end(bool loaded, const QString& status);

    DocumentHost* host_;
    // Guards host_: the host window may go before this.
    QPointer<QWidget> hostWindow_;
    QPointer<frmDocument> document_;
    PageFetcher* fetcher_;
    QString fileName_;
    QString title_;
    QUrl address_;
};
