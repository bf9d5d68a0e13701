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

void TextEditor::setSpellCheck(SpellCheck* check) {
    if (check == spellCheck_) return;
    if (spellCheck_) QObject::disconnect(spellCheck_, nullptr, widget(), nullptr);
    spellCheck_ = check;
    if (check)
        QObject::connect(check, &SpellCheck::changed, widget(), [this] { spellingChanged(); });
    spellingChanged();
}

std::vector<SpellingWords::Span> TextEditor::misspeltWords(QStringView text, qsizetype from,
                                                           qsizetype to) const {
    if (!spellCheck_) return {};
    return SpellingWords::misspelt(text, *spellCheck_, from, to);
}

void TextEditor::addSpellingEntries(QMenu& menu, qsizetype position) {
    // The line around the place, as far as a word can reach.
    constexpr qsizetype kReach = 200;
    qsizetype start = position;
    while (start > 0 && position - start < kReach && charAt(start - 1) != u'\n') --start;
    QString line;
    for (qsizetype at = start; at < length() && at - position < kReach; ++at) {
        const QChar c = charAt(at);
        if (c == u'\n') break;
        line += c;
    }
    const qsizetype offset = position - start;
    // A place just after a word's last letter (the caret after typing it) is on that word too.
    const std::vector<SpellingWords::Span> misspelt =
        misspeltWords(line, std::max<qsizetype>(0, offset - 1), offset + 1);
    const auto word = std::find_if(misspelt.begin(), misspelt.end(), [&](const auto& span) {
        return span.start <= offset && offset <= span.start + span.length;
    });
    if (word == misspelt.end()) return;
    const QString spelt = line.mid(word->start, word->length);
    const qsizetype from = start + word->start;
    const QStringList corrections = spellCheck_->suggestions(spelt, 5);
    for (const QString& correction : corrections) {
        QString caption = correction;
        menu.addAction(caption.replace(QLatin1Char('&'), QLatin1String("&&")),
                       [this, from, spelt, correction] {
                           replace(from, spelt.size(), correction, RichTextBox::UndoUnknown);
                       });
    }
    if (corrections.isEmpty()) menu.addAction(QMenu::tr("No suggestions"))->setEnabled(false);
    menu.addSeparator();
    QPointer<SpellCheck> check = spellCheck_;
    menu.addAction(QIcon::fromTheme(QStringLiteral("list-add")), QMenu::tr("&Add to dictionary"),
                   [check, spelt] {
                       if (check) check->addToDictionary(spelt);
                   });
    menu.addAction(QMenu::tr("&Ignore"), [check, spelt] {
        if (check) check->ignore(spelt);
    });
    menu.addSeparator();
}

void TextEditor::execContextMenu(const QPoint& globalPosition, qsizetype textPosition) {
    QMenu menu(widget());
    if (spellCheck_) addSpellingEntries(menu, textPosition);
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
