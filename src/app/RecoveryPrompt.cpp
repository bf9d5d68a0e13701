// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/RecoveryPrompt.h"

#include "app/RecoveryStore.h"
#include "common/DialogHost.h"
#include "document/RichTextBox.h"
#include "document/frmDocument.h"

namespace RecoveryPrompt {

void offer(RecoveryStore* store, DialogHost* dialogs, QWidget* owner,
           const std::function<frmDocument*()>& newDocument) {
    const QList<RecoveredDocument> documents = store->orphanedDocuments();
    if (documents.isEmpty()) {
        store->discardOrphans();
        return;
    }
    const int answer = dialogs->MsgBox(
        owner,
        QStringLiteral("Quillo Meridian did not close normally last time. %1 document(s) had "
                       "unsaved changes.\n\nRestore them? (No discards them.)")
            .arg(documents.size()),
        MsgBoxStyle::YesNo + MsgBoxStyle::Question, QString());
    if (answer == MsgBoxResult::Yes) {
        for (const RecoveredDocument& recovered : documents) {
            frmDocument* document = newDocument();
            document->txtText->setText(recovered.text);
            document->txtText->ClearUndo();
            document->txtText->setFileEncodingName(recovered.encoding);
            document->setCaption(recovered.caption);
            document->setTag(QStringLiteral("SAVE"));
        }
        store->discardOrphans();
    } else if (answer == MsgBoxResult::No) {
        store->discardOrphans();
    }
}

}  // namespace RecoveryPrompt
