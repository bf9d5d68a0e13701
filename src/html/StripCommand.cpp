// SPDX-License-Identifier: GPL-3.0-or-later
#include "html/StripCommand.h"

#include <QThread>

#include "document/DocumentHost.h"
#include "document/RichTextBox.h"
#include "document/frmDocument.h"
#include "html/core/StripHtml.h"

StripCommand::StripCommand(DocumentHost* host) : host_(host) {}

StripCommand::~StripCommand() {
    for (Job& job : jobs_) {
        job.stop->store(true);
        job.thread->wait();
        delete job.thread;
    }
}

void StripCommand::mnuStrip_Click() {
    frmDocument* document = host_->ActiveDocument();
    // A second strip of the same document while one runs is refused quietly.
    if (!document || jobs_.contains(document)) return;

    host_->setStatusText(QStringLiteral("Stripping HTML codes..."));
    Job job;
    job.document = document;
    job.stop = std::make_shared<std::atomic<bool>>(false);
    job.result = std::make_shared<QString>();

    const QString html = document->txtText->Text();
    auto lastPercent = std::make_shared<std::atomic<int>>(-1);
    StripProgress progress = [this, stop = job.stop, lastPercent](double fraction) {
        const int percent = int(fraction * 100);
        if (percent != lastPercent->exchange(percent)) {
            QMetaObject::invokeMethod(
                this,
                [this, percent] {
                    host_->setStatusText(
                        QStringLiteral("Stripping HTML codes... %1%").arg(percent));
                },
                Qt::QueuedConnection);
        }
        return !stop->load();
    };
    job.thread = QThread::create(
        [html, progress, result = job.result] { *result = StripHTML(html, QString(), progress); });
    connect(job.thread, &QThread::finished, this, [this, document] { finish(document); });
    jobs_.insert(document, job);
    job.thread->start();
}

void StripCommand::finish(frmDocument* key) {
    auto it = jobs_.find(key);
    if (it == jobs_.end()) return;
    Job job = *it;
    jobs_.erase(it);
    job.thread->deleteLater();
    // The result belongs to the document it was read from; if that was closed, it is dropped.
    if (job.document && !job.stop->load() && !job.result->isNull()) {
        QString text = *job.result;
        // The stripper lays lines out with CR LF; the control keeps paragraphs as "\n".
        text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
        job.document->txtText->setText(text);
    }
    host_->setStatusText(QStringLiteral("Ready."));
}
