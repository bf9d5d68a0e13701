// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QHash>
#include <QSet>
#include <QStringList>
#include <memory>

#include "document/core/SpellCheck.h"
#include "spell/core/PersonalWordList.h"

class HunspellDictionary;
class QThread;

// The program's spell check: a Hunspell dictionary of the chosen language, the user's own words
// and the words ignored in this session, with the answers for the words asked kept. The
// dictionary is loaded on a worker thread the first time an editor asks, so neither the start
// of the program nor typing waits for it; until it is there, no word is flagged.
class SpellService : public SpellCheck {
    Q_OBJECT
  public:
    // Dictionaries are looked for in `folders`; the user's words live in `wordListFile` (empty:
    // kept for the session only).
    SpellService(QStringList folders, QString wordListFile, QObject* parent = nullptr);
    ~SpellService() override;

    // Checking on or off, in the dictionary `language` ("en_US"; empty or not installed: the one
    // for the user's locale). Takes effect at once; with no dictionary for either, checking is
    // off, quietly.
    void configure(bool on, const QString& language);
    // The dictionary in use, or to be used once loaded; empty when there is none.
    QString dictionaryName() const { return name_; }
    // Whether a load has been asked for and has not yet finished.
    bool isLoading() const { return loader_ != nullptr; }

    // Whether words are checked now: checking is on and the dictionary is ready.
    bool isActive() const { return on_ && dictionary_; }
    bool isMisspelt(const QString& word) override;
    QStringList suggestions(const QString& word, int limit) override;
    void addToDictionary(const QString& word) override;
    void ignore(const QString& word) override;

  signals:
    // Something the user should know (the word list could not be written).
    void problem(const QString& message);

  private:
    struct Loaded;
    void startLoading();
    void takeLoaded(const std::shared_ptr<Loaded>& loaded, int generation);
    void forget();

    QStringList folders_;
    QString wordListFile_;
    bool on_ = false;
    QString name_;
    int generation_ = 0;  // counts the configurations, so a stale load is dropped
    bool loadFailed_ = false;
    QThread* loader_ = nullptr;
    std::unique_ptr<HunspellDictionary> dictionary_;
    std::unique_ptr<PersonalWordList> personal_;
    QSet<QString> ignored_;
    QHash<QString, bool> misspelt_;  // answers so far, by word
};
