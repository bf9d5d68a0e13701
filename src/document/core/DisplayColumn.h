// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QStringView>

// The column a caret shows at after `line` (the text from the start of its line to the caret):
// one for each character a person sees (a letter with its accents, an emoji sequence), and a
// tab to the next multiple of `tabWidth`. 1-based, as editors show it.
qsizetype displayColumn(QStringView line, int tabWidth = 8);
