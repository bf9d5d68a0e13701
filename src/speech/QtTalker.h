#pragma once

#include <QStringList>
#include <memory>

#include "speech/Talker.h"

class QTextToSpeech;

// Speech through QTextToSpeech. The engine is made on the first text to speak, not before, and
// made again when it has failed; engines are tried in order until one reports no error.
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
    bool ensureEngine();
    QStringList candidates() const;

    QStringList engines_;
    std::unique_ptr<QTextToSpeech> engine_;
    bool failureReported_ = false;
};
