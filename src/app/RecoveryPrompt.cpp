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
            RichTextBox* text = document->txtText;
            if (recovered.richText.isEmpty() || !text->setRichText(recovered.richText))
                text->setText(recovered.text.toString());
            text->ClearUndo();
            text->setFileEncodingName(recovered.encoding);
            text->setFileLineEndings(recovered.lineEnding, recovered.mixedLineEndings);
            text->setFileOnDisk(recovered.file);
            document->setCaption(recovered.caption);
            document->setTag(QStringLiteral("SAVE"));
        }
        // The restored texts are kept in this run's copies before the old ones go, so that a
        // crash right after the restore still loses nothing.
        if (store->flush()) store->discardOrphans();
    } else if (answer == MsgBoxResult::No) {
        store->discardOrphans();
    }
}

}  // namespace RecoveryPrompt
