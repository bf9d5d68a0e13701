// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

// The per-user settings store: text values under application "Quillo", section "Settings".
// Every value is kept as text; a missing key yields the caller's default.
namespace SettingsStore {

QString GetSetting(const QString& key, const QString& defaultValue = QString());
void SaveSetting(const QString& key, const QString& value);
bool HasSetting(const QString& key);

// Where the store lives. Tests point it at a temporary folder before anything reads it.
void setStorageFolder(const QString& folder);
QString storageFile();

}  // namespace SettingsStore
