// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QColor>
#include <QString>
#include <QVector>

class QPrinter;
class QWidget;

// Message box style values (added together) and results, as the program uses them throughout.
namespace MsgBoxStyle {
constexpr int OkOnly = 0;
constexpr int OkCancel = 1;
constexpr int YesNoCancel = 3;
constexpr int YesNo = 4;
constexpr int Critical = 16;
constexpr int Question = 32;
constexpr int Exclamation = 48;
constexpr int Information = 64;
}  // namespace MsgBoxStyle

namespace MsgBoxResult {
constexpr int Ok = 1;
constexpr int Cancel = 2;
constexpr int Yes = 6;
constexpr int No = 7;
}  // namespace MsgBoxResult

// What a file dialog is asked to show.
struct FileDialogRequest {
    bool save = false;
    QString title;     // empty: the dialog's own default title
    QString filter;    // "description|pattern|description|pattern..."
    QString fileName;  // proposed name
    int flags = 0;
};

// A font as the font chooser reads and returns it.
struct FontChoice {
    QString name;
    double size = 10;
    bool bold = false;
    bool italic = false;
    bool underline = false;
    // Whether the chooser offers underline and strike-out.
    bool effects = false;
};

// Every modal question the program asks goes through this interface, so tests can answer from
// a script instead of a real dialog.
class DialogHost {
  public:
    virtual ~DialogHost() = default;

    // Returns one of MsgBoxResult. An empty title means the application title "Quillo".
    virtual int MsgBox(QWidget* owner, const QString& text, int style, const QString& title) = 0;
    // Returns the chosen full path, or an empty string when cancelled.
    virtual QString ShowFileDialog(QWidget* owner, const FileDialogRequest& request) = 0;
    // Sets up the printer; false when cancelled. `offerSelection` lets the user print the
    // selection.
    virtual bool ShowPrinter(QWidget* owner, QPrinter* printer, const QString& title,
                             bool offerSelection) = 0;
    // Edits `font` in place; false when cancelled.
    virtual bool ShowFont(QWidget* owner, FontChoice& font) = 0;
    // Returns the chosen colour, or an invalid colour when cancelled.
    virtual QColor ShowColor(QWidget* owner, const QVector<QColor>& customColours) = 0;
    // Asks for a whole number from `minimum` to `maximum`, offering `value`; `ok` tells whether
    // the user gave one. Without a way to ask, the question counts as cancelled.
    virtual int AskNumber(QWidget* owner, const QString& title, const QString& label, int value,
                          int minimum, int maximum, bool* ok) {
        Q_UNUSED(owner);
        Q_UNUSED(title);
        Q_UNUSED(label);
        Q_UNUSED(minimum);
        Q_UNUSED(maximum);
        *ok = false;
        return value;
    }
};

// The application title used by message boxes without a title of their own.
inline QString ApplicationTitle() {
    return QStringLiteral("Quillo");
}
