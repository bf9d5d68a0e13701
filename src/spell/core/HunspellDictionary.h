// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>
#include <QStringList>
#include <memory>

#include "spell/core/DictionaryEncoding.h"

class Hunspell;

// One Hunspell dictionary (an .aff and a .dic file), asked in Unicode whatever the encoding its
// files are written in. Opening reads the whole word list, which takes some tens of
// milliseconds; the object may be made on one thread and then used on another, one at a time.
class HunspellDictionary {
  public:
    ~HunspellDictionary();

    // The dictionary `affPath` and `dicPath` hold; null with `error` set when they cannot be
    // read or their encoding is unknown.
    static std::unique_ptr<HunspellDictionary> open(const QString& affPath, const QString& dicPath,
                                                    QString* error = nullptr);

    bool knows(const QString& word);
    // The dictionary's guesses for a misspelt word, best first, at most `limit`.
    QStringList suggestions(const QString& word, int limit);
    // Takes `word` as correct from now on, in this object only.
    void add(const QString& word);

  private:
    HunspellDictionary(std::unique_ptr<Hunspell> hunspell, const std::string& encoding);

    std::unique_ptr<Hunspell> hunspell_;
    DictionaryEncoding encoding_;
};
