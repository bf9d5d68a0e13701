// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

// Which files are rich text: those named .rtf or .qlo, whatever the case of the extension;
// every other file is plain text.
namespace FileTypeRule {

// Opening looks at the last four characters: the dot included.
inline bool opensAsRichText(const QString& path) {
    const QString tail = path.right(4).toUpper();
    return tail == QLatin1String(".RTF") || tail == QLatin1String(".QLO");
}

// Saving looks at the last three only, so "notes_rtf" is written as rich text too.
inline bool savesAsRichText(const QString& path) {
    const QString tail = path.right(3).toUpper();
    return tail == QLatin1String("QLO") || tail == QLatin1String("RTF");
}

}  // namespace FileTypeRule
