// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>
#include <cstdint>

// What new document windows take: read from the settings store at start-up, changed by the
// options dialog, applied whenever a document window is made.
struct DocumentSettings {
    int32_t DocBG = 13172735;  // red 255, green 255, blue 200
    int32_t DocFG = 0;
    QString FontName = QStringLiteral("Arial");
    int16_t FontSize = 10;
    bool FontBold = false;
    bool FontItalic = false;
    bool FontUnderline = false;
    bool MaxNew = false;
    // A document without unsaved changes takes its file's new content when another program
    // changes it, without asking.
    bool ReloadChangedFiles = false;
    // Misspelt words are underlined as one types, in the dictionary SpellingLanguage ("en_US";
    // empty: the one for the user's locale).
    bool CheckSpelling = true;
    QString SpellingLanguage;

    // Reads the keys with their defaults. Values that cannot be read fall back to defaults.
    void LoadFromStore();
};

// The process-wide record.
DocumentSettings& CurrentDocumentSettings();

// Conversions of stored text as the program reads it.
namespace SettingText {
// A number rounded to the nearest whole number, halves to the even neighbour ("10.5" -> 10,
// "11.5" -> 12); `fallback` when the text is not a number or out of range.
int16_t toWholeNumber16(const QString& text, int16_t fallback);
// A colour value (red + 256 green + 65536 blue); `fallback` when not a number.
int32_t toColourValue(const QString& text, int32_t fallback);
// "True"/"False" in any letter case, or a number (non-zero is true); `fallback` otherwise.
bool toFlag(const QString& text, bool fallback);
// A decimal number; `ok` false when the text is not one.
double toNumber(const QString& text, bool* ok);
// Decimal text of a number without thousands separators, with its fraction when it has one.
QString fromNumber(double value);
QString fromFlag(bool value);
}  // namespace SettingText
