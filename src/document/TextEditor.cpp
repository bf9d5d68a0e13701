// SPDX-License-Identifier: GPL-3.0-or-later
#include "document/TextEditor.h"

#include <QClipboard>
#include <QGuiApplication>
#include <algorithm>

#include "document/RichTextBox.h"

void TextEditor::replaceSelection(const QString& with, int type) {
    const qsizetype from = std::min(caret(), anchor());
    replace(from, std::max(caret(), anchor()) - from, with, type);
}

void TextEditor::replacePieces(const std::vector<TextReplacement>& pieces, int type) {
    if (pieces.empty()) return;
    const qsizetype from = pieces.front().position;
    const qsizetype to = pieces.back().position + pieces.back().length;
    QString with;
    qsizetype at = from;
    for (const TextReplacement& piece : pieces) {
        with += text().mid(at, piece.position - at);
        with += piece.with;
        at = piece.position + piece.length;
    }
    replace(from, to - from, with, type);
}

void TextEditor::copyToClipboard() {
    QGuiApplication::clipboard()->setText(selectedText());
}

void TextEditor::cutToClipboard() {
    copyToClipboard();
    if (caret() != anchor()) replaceSelection(QString(), RichTextBox::UndoCut);
}

void TextEditor::pasteFromClipboard() {
    replaceSelection(QGuiApplication::clipboard()->text(), RichTextBox::UndoPaste);
}
