// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QMutex>
#include <QObject>
#include <QStringList>
#include <QThread>
#include <memory>

#include "speech/Talker.h"

class QTextToSpeech;

// Speech through QTextToSpeech. The engine lives on a thread of its own: making it can take
// seconds (speech-dispatcher starts its daemon on first use), and Speak must return at once.
// The engine is made on the first text to speak, not before, and made again when it has
// failed; engines are tried in order until one reports no error. Failures come back to the
// caller's thread.
class QtTalker : public Talker {
  public:
    // `engines`: the engine names to try in order; empty means speech-dispatcher, then flite,
    // then any other installed engine.
    explicit QtTalker(QStringList engines = QStringList());
    ~QtTalker() override;

    void Speak(const QString& text) override;

    // The engine in use, or empty when none has been made or none works.
    QString engineName() const;

  private:
    class Engine;

    QThread thread_;
    Engine* engine_;                 // lives on thread_
    std::unique_ptr<QObject> home_;  // on the caller's thread: failures are delivered through it
};
