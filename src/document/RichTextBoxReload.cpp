// SPDX-License-Identifier: GPL-3.0-or-later
// Reading a file afresh into the control as one undo step, so that the text it replaces can be
// had back with Undo.
#include "document/PlainTextEdit.h"
#include "document/RichTextBox.h"
#include "document/core/DocumentFileIO.h"
#include "document/core/FormattedText.h"
#include "document/core/RtfReader.h"

bool RichTextBox::ReloadFile(const QString& path, int fileType, QString* error) {
    QByteArray bytes;
    if (!DocumentFileIO::readFile(path, &bytes, error)) return false;
    const bool rtf = fileType == rtfRTF && RtfReader::isRtf(bytes);
    // A plain text that the file now brings formatting to starts afresh.
    if (rtf && !isRichMode()) return LoadFile(path, fileType, error);
    FileIdentity read = FileIdentity::capture(path, bytes);
    const qsizetype caret = editor_->caret();
    if (rtf) {
        std::optional<FormattedText> incoming = readRtf(bytes, nullptr);
        if (!incoming) {
            if (error) *error = QStringLiteral("The file could not be read as rich text.");
            return false;
        }
        editor_->replaceFormatted(std::move(incoming->text), std::move(incoming->formats),
                                  UndoUnknown);
    } else {
        DecodedText decoded = TextFileCodec::decode(bytes);
        bytes = QByteArray();
        editor_->replace(0, editor_->length(), decoded.text, UndoUnknown);
        fileFormat_ = decoded.format;
        loadedFileChanges_ = decoded.changes;
    }
    const qsizetype at = qMin(caret, editor_->length());
    editor_->select(at, at);
    fileOnDisk_ = std::move(read);
    return true;
}
