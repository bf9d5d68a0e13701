// SPDX-License-Identifier: GPL-3.0-or-later
#include "document/PlainTextAccessible.h"

#include <algorithm>

#include "document/PlainTextEdit.h"
#include "document/RichTextBox.h"
#include "document/core/TextBuffer.h"
#include "document/core/TextNavigation.h"

PlainTextAccessible::PlainTextAccessible(PlainTextEdit* editor)
    : QAccessibleWidget(editor, QAccessible::EditableText) {}

QAccessibleInterface* PlainTextAccessible::create(const QString& className, QObject* object) {
    if (className != QLatin1String("PlainTextEdit")) return nullptr;
    auto* editor = qobject_cast<PlainTextEdit*>(object);
    return editor ? new PlainTextAccessible(editor) : nullptr;
}

PlainTextEdit* PlainTextAccessible::editor() const {
    return static_cast<PlainTextEdit*>(widget());
}

void* PlainTextAccessible::interface_cast(QAccessible::InterfaceType type) {
    if (type == QAccessible::TextInterface) return static_cast<QAccessibleTextInterface*>(this);
    if (type == QAccessible::EditableTextInterface)
        return static_cast<QAccessibleEditableTextInterface*>(this);
    return QAccessibleWidget::interface_cast(type);
}

QAccessible::State PlainTextAccessible::state() const {
    QAccessible::State state = QAccessibleWidget::state();
    state.editable = true;
    state.multiLine = true;
    state.selectableText = true;
    return state;
}

QString PlainTextAccessible::text(QAccessible::Text kind) const {
    if (kind == QAccessible::Value) return editor()->text();
    return QAccessibleWidget::text(kind);
}

void PlainTextAccessible::selection(int index, int* start, int* end) const {
    *start = *end = 0;
    if (index != 0 || selectionCount() == 0) return;
    *start = int(editor()->selectionStart());
    *end = int(editor()->selectionEnd());
}

int PlainTextAccessible::selectionCount() const {
    return editor()->caret() != editor()->anchor() ? 1 : 0;
}

void PlainTextAccessible::addSelection(int start, int end) {
    setSelection(0, start, end);
}

void PlainTextAccessible::removeSelection(int index) {
    if (index == 0) editor()->select(editor()->caret(), editor()->caret());
}

void PlainTextAccessible::setSelection(int index, int start, int end) {
    if (index == 0) editor()->select(start, end);
}

int PlainTextAccessible::cursorPosition() const {
    return int(editor()->caret());
}

void PlainTextAccessible::setCursorPosition(int position) {
    editor()->select(position, position);
}

QString PlainTextAccessible::text(int start, int end) const {
    return editor()->buffer().mid(start, end - start);
}

int PlainTextAccessible::characterCount() const {
    return int(editor()->length());
}

QRect PlainTextAccessible::characterRect(int offset) const {
    const QRect rect = editor()->characterRect(offset);
    if (rect.isEmpty()) return QRect();
    QWidget* viewport = editor()->viewport();
    return QRect(viewport->mapToGlobal(rect.topLeft()), rect.size());
}

int PlainTextAccessible::offsetAtPoint(const QPoint& point) const {
    QWidget* viewport = editor()->viewport();
    const QPoint local = viewport->mapFromGlobal(point);
    if (!viewport->rect().contains(local)) return -1;
    return int(editor()->positionAt(local));
}

void PlainTextAccessible::scrollToSubstring(int start, int) {
    editor()->scrollTo(start);
}

QString PlainTextAccessible::attributes(int, int* start, int* end) const {
    *start = 0;
    *end = characterCount();
    return QString();
}

void PlainTextAccessible::deleteText(int start, int end) {
    editor()->replace(start, end - start, QString(), RichTextBox::UndoDelete);
}

void PlainTextAccessible::insertText(int offset, const QString& text) {
    editor()->replace(offset, 0, text, RichTextBox::UndoTyping);
}

void PlainTextAccessible::replaceText(int start, int end, const QString& text) {
    editor()->replace(start, end - start, text, RichTextBox::UndoUnknown);
}

std::pair<qsizetype, qsizetype> PlainTextAccessible::spanAt(
    qsizetype offset, QAccessible::TextBoundaryType type) const {
    const TextBuffer& text = editor()->buffer();
    offset = std::clamp<qsizetype>(offset, 0, text.length());
    switch (type) {
        case QAccessible::CharBoundary:
            return {offset, TextNavigation::nextCharacter(text, offset)};
        case QAccessible::WordBoundary:
            return TextNavigation::wordAt(text, offset);
        case QAccessible::NoBoundary:
            return {0, text.length()};
        default: {  // a line, with its line break; sentences and paragraphs too
            const qsizetype line = text.lineOf(offset);
            return {text.lineStart(line), std::min(text.lineEnd(line) + 1, text.length())};
        }
    }
}

QString PlainTextAccessible::spanText(std::pair<qsizetype, qsizetype> span, int* start,
                                      int* end) const {
    *start = int(span.first);
    *end = int(span.second);
    return editor()->buffer().mid(span.first, span.second - span.first);
}

QString PlainTextAccessible::textAtOffset(int offset, QAccessible::TextBoundaryType type,
                                          int* start, int* end) const {
    return spanText(spanAt(offset, type), start, end);
}

QString PlainTextAccessible::textBeforeOffset(int offset, QAccessible::TextBoundaryType type,
                                              int* start, int* end) const {
    const qsizetype at = spanAt(offset, type).first;
    if (at <= 0) return spanText({0, 0}, start, end);
    const qsizetype before = type == QAccessible::CharBoundary
                                 ? TextNavigation::previousCharacter(editor()->buffer(), at)
                                 : at - 1;
    auto span = spanAt(before, type);
    span.second = std::min(span.second, at);
    return spanText(span, start, end);
}

QString PlainTextAccessible::textAfterOffset(int offset, QAccessible::TextBoundaryType type,
                                             int* start, int* end) const {
    const qsizetype after = spanAt(offset, type).second;
    if (after >= editor()->length()) return spanText({after, after}, start, end);
    return spanText(spanAt(after, type), start, end);
}
