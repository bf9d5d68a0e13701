// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QCoreApplication>
#include <cstdio>

#include "spell/core/DictionaryCatalog.h"
#include "spell/core/SpellService.h"

// The spell check a document window has, in en_US with its dictionary loaded before anything is
// timed; null when en_US is not installed or the arguments hold "nospell" (to compare without).
inline SpellService* benchSpelling() {
    if (QCoreApplication::arguments().contains(QStringLiteral("nospell"))) return nullptr;
    static SpellService service(DictionaryCatalog::defaultFolders(), QString());
    service.configure(true, QStringLiteral("en_US"));
    service.isMisspelt(QStringLiteral("word"));
    while (!service.isActive() && service.isLoading()) QCoreApplication::processEvents();
    return service.isActive() ? &service : nullptr;
}
