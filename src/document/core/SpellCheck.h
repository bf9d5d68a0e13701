// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QObject>
#include <QString>
#include <QStringList>

// What the editors ask about spelling, so that they never meet the dictionary behind it. The
// program has one for all its documents.
class SpellCheck : public QObject {
    Q_OBJECT
  public:
    using QObject::QObject;

    // Whether a word (as SpellingWords cuts them) is unknown. Quick for words asked before:
    // the editors ask for every word on screen at every paint. The first word asked may start
    // loading the dictionary (no word is flagged until `changed` tells it is ready), so a text
    // without words never costs one.
    virtual bool isMisspelt(const QString& word) = 0;
    // The dictionary's guesses for a misspelt word, best first, at most `limit`.
    virtual QStringList suggestions(const QString& word, int limit) = 0;
    // Known from now on, and in later sessions.
    virtual void addToDictionary(const QString& word) = 0;
    // Known until the program ends.
    virtual void ignore(const QString& word) = 0;

  signals:
    // Answers may differ from now on (a dictionary loaded, a word added, checking turned off):
    // what is shown should be checked again.
    void changed();
};
