// SPDX-License-Identifier: GPL-3.0-or-later
// Reading a file afresh into the control as one undo step, so that the text it replaces can be
// had back with Undo.
#include <QTextCursor>
#include <QTextDocument>
#include <QTextDocumentFragment>

#include "document/RichTextBox.h"
#include "document/TextEditor.h"
#include "document/core/DocumentFileIO.h"
#include "document/core/RtfReader.h"

bool RichTextBox::ReloadFile(const QString& path, int fileType, QString* error) {
    QByteArray bytes;
    if (!DocumentFileIO::readFile(path, &bytes, error)) return false;
    const bool rtf = fileType == rtfRTF && RtfReader::isRtf(bytes);
    // Formatting needs the rich editor; the plain one cannot take it as an edit.
    if (rtf && !richMode_) return LoadFile(path, fileType, error);
    FileIdentity read = FileIdentity::capture(path, bytes);
    const qsizetype caret = editor_->caret();
    if (rtf) {
        const std::unique_ptr<QTextDocument> incoming = readRtf(bytes, nullptr);
        if (!incoming) {
            if (error) *error = QStringLiteral("The file could not be read as rich text.");
            return false;
        }
        QTextCursor cursor(document());
        cursor.beginEditBlock();
        cursor.select(QTextCursor::Document);
        cursor.insertFragment(QTextDocumentFragment(incoming.get()));
        cursor.endEditBlock();
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
