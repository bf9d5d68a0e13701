// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QStyle>
#include <functional>
#include <initializer_list>

class QToolBar;

// A toolbar button addressed by its key: the tool tip, the desktop theme's icon and the
// style's own icon for when the theme has none, so the toolbar is never blank. A null key
// stands for a separator.
struct ToolbarButtonSpec {
    const char* key;
    const char* toolTip;
    const char* themeIcon;
    QStyle::StandardPixmap fallback;
};

// Adds the buttons in order; a click on one calls `onClick` with its key. Each button carries
// its key as data and "tb" + key as object name.
void addKeyedButtons(QToolBar* toolbar, std::initializer_list<ToolbarButtonSpec> buttons,
                     const std::function<void(const QString&)>& onClick);
