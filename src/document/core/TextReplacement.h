// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

// One piece of a text to replace: `length` characters at `position` give way to `with`.
struct TextReplacement {
    qsizetype position = 0;
    qsizetype length = 0;
    QString with;
};
