// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QAccessibleWidget>
#include <utility>

class PlainTextEdit;

// What screen readers and other assistive tools see of the plain-text editor: an editable,
// multi-line text whose characters, caret and selection they can read and change.
class PlainTextAccessible : public QAccessibleWidget,
                            public QAccessibleTextInterface,
                            public QAccessibleEditableTextInterface {
  public:
    explicit PlainTextAccessible(PlainTextEdit* editor);
    // For QAccessible::installFactory.
    static QAccessibleInterface* create(const QString& className, QObject* object);

    void* interface_cast(QAccessible::InterfaceType type) override;
    QAccessible::State state() const override;
    QString text(QAccessible::Text kind) const override;

    void selection(int index, int* start, int* end) const override;
    int selectionCount() const override;
    void addSelection(int start, int end) override;
    void removeSelection(int index) override;
    void setSelection(int index, int start, int end) override;
    int cursorPosition() const override;
    void setCursorPosition(int position) override;
    QString text(int start, int end) const override;
    int characterCount() const override;
    QRect characterRect(int offset) const override;
    int offsetAtPoint(const QPoint& point) const override;
    void scrollToSubstring(int start, int end) override;
    QString attributes(int offset, int* start, int* end) const override;
    // The character, word or line at, before or after an offset, read from the buffer: Qt's
    // defaults would copy the whole text for every question.
    QString textAtOffset(int offset, QAccessible::TextBoundaryType type, int* start,
                         int* end) const override;
    QString textBeforeOffset(int offset, QAccessible::TextBoundaryType type, int* start,
                             int* end) const override;
    QString textAfterOffset(int offset, QAccessible::TextBoundaryType type, int* start,
                            int* end) const override;

    void deleteText(int start, int end) override;
    void insertText(int offset, const QString& text) override;
    void replaceText(int start, int end, const QString& text) override;

  private:
    PlainTextEdit* editor() const;
    // The span of the given kind that holds `offset`; empty past the end of the text.
    std::pair<qsizetype, qsizetype> spanAt(qsizetype offset,
                                           QAccessible::TextBoundaryType type) const;
    QString spanText(std::pair<qsizetype, qsizetype> span, int* start, int* end) const;
};
