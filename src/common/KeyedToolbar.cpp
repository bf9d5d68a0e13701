// SPDX-License-Identifier: GPL-3.0-or-later
#include "common/KeyedToolbar.h"

#include <QAction>
#include <QIcon>
#include <QToolBar>

void addKeyedButtons(QToolBar* toolbar, std::initializer_list<ToolbarButtonSpec> buttons,
                     const std::function<void(const QString&)>& onClick) {
    for (const ToolbarButtonSpec& spec : buttons) {
        if (!spec.key) {
            toolbar->addSeparator();
            continue;
        }
        const QString key = QLatin1String(spec.key);
        QIcon icon = QIcon::fromTheme(QLatin1String(spec.themeIcon));
        if (icon.isNull()) icon = toolbar->style()->standardIcon(spec.fallback);
        QAction* button = toolbar->addAction(icon, key);
        button->setObjectName(QStringLiteral("tb") + key);
        button->setData(key);
        button->setToolTip(QLatin1String(spec.toolTip));
        QObject::connect(button, &QAction::triggered, toolbar, [onClick, key] { onClick(key); });
    }
}
