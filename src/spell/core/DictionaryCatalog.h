// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>
#include <QStringList>

// The Hunspell dictionaries installed on the machine: a pair NAME.aff and NAME.dic in one of
// the folders searched, named by language ("en_US", "de_DE", "pt_BR").
namespace DictionaryCatalog {

// /usr/share/hunspell, where the distribution installs them.
QStringList defaultFolders();
// The names found in `folders`, sorted, each once.
QStringList installed(const QStringList& folders);
// The .aff path of `name` in the first of `folders` that has the pair; empty when none has.
QString affixFile(const QStringList& folders, const QString& name);
// The dictionary for a locale name ("de_AT", "C"): the same name, else another of the same
// language, else none. The "C" locale counts as English.
QString forLocale(const QString& locale, const QStringList& available);

}  // namespace DictionaryCatalog
