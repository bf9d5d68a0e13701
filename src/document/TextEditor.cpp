// SPDX-License-Identifier: GPL-3.0-or-later
#include "document/TextEditor.h"

#include <QAbstractScrollArea>
#include <QClipboard>
#include <QGuiApplication>
#include <QMenu>
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

void TextEditor::execContextMenu(const QPoint& globalPosition) {
    QMenu menu(widget());
    const bool hasSelection = caret() != anchor();
    const auto add = [&](const char* icon, const QString& label, bool enabled, auto action) {
        QAction* item = menu.addAction(QIcon::fromTheme(QLatin1String(icon)), label, action);
        item->setEnabled(enabled);
    };
    add("edit-undo", QMenu::tr("&Undo"), canUndo(), [this] { undo(); });
    add("edit-redo", QMenu::tr("&Redo"), canRedo(), [this] { redo(); });
    menu.addSeparator();
    add("edit-cut", QMenu::tr("Cu&t"), hasSelection, [this] { cutToClipboard(); });
    add("edit-copy", QMenu::tr("&Copy"), hasSelection, [this] { copyToClipboard(); });
    add("edit-paste", QMenu::tr("&Paste"), !QGuiApplication::clipboard()->text().isEmpty(),
        [this] { pasteFromClipboard(); });
    add("edit-delete", QMenu::tr("Delete"), hasSelection,
        [this] { replaceSelection(QString(), RichTextBox::UndoDelete); });
    menu.addSeparator();
    add("edit-select-all", QMenu::tr("Select All"), length() > 0, [this] { select(0, length()); });
    menu.exec(globalPosition);
}
