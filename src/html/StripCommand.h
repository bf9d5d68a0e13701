// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QHash>
#include <QObject>
#include <QPointer>
#include <atomic>
#include <memory>

class frmDocument;
class DocumentHost;
class QThread;

// Strips the HTML markup from the active document, in place. The pass runs on a worker thread
// so the window stays responsive on long pages; the result goes back to the document it was
// read from, as one undoable change, unless that document was closed meanwhile.
class StripCommand : public QObject {
    Q_OBJECT
  public:
    explicit StripCommand(DocumentHost* host);
    ~StripCommand() override;

    void mnuStrip_Click();
    // Whether a strip of this document is under way.
    bool isStripping(frmDocument* document) const { return jobs_.contains(document); }

  private:
    struct Job {
        QPointer<frmDocument> document;
        QThread* thread = nullptr;
        std::shared_ptr<std::atomic<bool>> stop;
        std::shared_ptr<QString> result;
    };
    void finish(frmDocument* key);

    DocumentHost* host_;
    QHash<frmDocument*, Job> jobs_;
};
