// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

// The per-user settings store: text values under application "Quillo", section "Settings".
// Every value is kept as text; a missing key yields the caller's default.
namespace SettingsStore {

QString GetSetting(const QString& key, const QString& defaultValue = QString());
void SaveSetting(const QString& key, const QString& value);
bool HasSetting(const QString& key);

// Called before anything reads the store: a store that cannot be this program's (larger than
// its few dozen keys could make it) or that cannot be read is moved aside, so that the defaults
// are used and a new store begins. Returns what to tell the user, or empty when the store is
// fine. Where it cannot even be moved, the defaults are used and nothing is stored in this run.
QString setAsideIfUnusable();

// Where the store lives. Tests point it at a temporary folder before anything reads it.
void setStorageFolder(const QString& folder);
QString storageFile();

}  // namespace SettingsStore
