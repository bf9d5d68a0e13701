// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QMetaObject>
#include <QPointer>
#include <QString>
#include <memory>

class frmDocument;
class DocumentHost;
class Talker;

// Reads the active document, or its selection, aloud.
class ReadAloud {
  public:
    explicit ReadAloud(DocumentHost* host);
    ~ReadAloud();

    void mnuHear_Click();
    // Speaks the empty text, which stops any reading.
    void Stop();

    // The speech control; the real one unless replaced (tests record what would be spoken).
    Talker* talker() const { return talker_.get(); }
    void setTalker(std::unique_ptr<Talker> talker);

    // The fixed texts of the command: a two-word dismissal (upper case), the answer to it, and
    // what a lone "chair" turns into when part of it is selected.
    static QString TriggerPhrase();
    static QString Retort();
    static QString JokeText();

  private:
    void speak(const QString& text, frmDocument* source);
    void forgetSource();

    DocumentHost* host_;
    std::unique_ptr<Talker> talker_;
    // The document being read: closing it stops the reading.
    QPointer<frmDocument> source_;
    QMetaObject::Connection sourceClosed_;
};
