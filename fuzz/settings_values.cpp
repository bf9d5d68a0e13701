// SPDX-License-Identifier: GPL-3.0-or-later
// Settings read at start-up come from a file the user (or another program) may have edited:
// any content must give defaults or values, never a crash.
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <cstddef>
#include <cstdint>

#include "common/core/DocumentSettings.h"
#include "common/core/SettingsStore.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static int argc = 1;
    static char name[] = "fuzz";
    static char* argv[] = {name, nullptr};
    static QCoreApplication app(argc, argv);
    static QTemporaryDir folder;
    SettingsStore::setStorageFolder(folder.path());

    QFile file(QDir(folder.path()).filePath(QStringLiteral("Quillo.conf")));
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate)) return 0;
    file.write(reinterpret_cast<const char*>(data), qsizetype(size));
    file.close();

    DocumentSettings settings;
    settings.LoadFromStore();
    for (const char* key : {"MainLeft", "MainTop", "MainWidth", "MainHeight", "WindowState"}) {
        bool ok = false;
        SettingText::toNumber(SettingsStore::GetSetting(QLatin1String(key), QStringLiteral("0")),
                              &ok);
        SettingText::toWholeNumber16(SettingsStore::GetSetting(QLatin1String(key)), 2);
    }
    return 0;
}
