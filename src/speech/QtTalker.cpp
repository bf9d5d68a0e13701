// SPDX-License-Identifier: GPL-3.0-or-later
#include "speech/QtTalker.h"

#include <QMutexLocker>
#include <QTextToSpeech>
#include <functional>

// The part of the talker that runs on the speech thread.
class QtTalker::Engine : public QObject {
  public:
    Engine(QStringList engines, std::function<void(const QString&)> onFailure)
        : engines_(std::move(engines)), onFailure_(std::move(onFailure)) {}

    ~Engine() override {
        // A speech daemon would go on reading after the program has gone.
        if (speech_) speech_->stop(QTextToSpeech::BoundaryHint::Immediate);
    }

    void speak(const QString& text) {
        failureReported_ = false;
        if (text.isEmpty()) {
            // Nothing can be speaking before the engine exists; don't make one just to stop it.
            if (speech_) speech_->stop(QTextToSpeech::BoundaryHint::Immediate);
            return;
        }
        if (!ensureEngine()) return;
        speech_->say(text);
    }

    QString name() const {
        QMutexLocker lock(&nameMutex_);
        return name_;
    }

  private:
    QStringList candidates() const {
        if (!engines_.isEmpty()) return engines_;
        const QStringList installed = QTextToSpeech::availableEngines();
        QStringList ordered;
        for (const QString& preferred : {QStringLiteral("speechd"), QStringLiteral("flite")}) {
            if (installed.contains(preferred)) ordered << preferred;
        }
        for (const QString& other : installed) {
            if (!ordered.contains(other)) ordered << other;
        }
        return ordered;
    }

    void setName(const QString& name) {
        QMutexLocker lock(&nameMutex_);
        name_ = name;
    }

    void fail(const QString& reason) {
        if (failureReported_) return;
        failureReported_ = true;
        onFailure_(reason);
    }

    bool ensureEngine() {
        if (speech_ && speech_->state() != QTextToSpeech::Error) return true;
        speech_.reset();
        setName(QString());

        const QStringList names = candidates();
        if (names.isEmpty()) {
            fail(QStringLiteral("no speech engine is installed"));
            return false;
        }
        QStringList reasons;
        for (const QString& name : names) {
            auto engine = std::make_unique<QTextToSpeech>(name);
            // An engine may come up "ready" and still know it cannot play (flite without audio),
            // or have no voice to speak with.
            const bool started = engine->state() != QTextToSpeech::Error &&
                                 engine->errorReason() == QTextToSpeech::ErrorReason::NoError;
            if (started && engine->availableVoices().isEmpty()) {
                reasons << name + QStringLiteral(": no voice is installed");
                continue;
            }
            if (started) {
                speech_ = std::move(engine);
                setName(speech_->engine());
                QObject::connect(
                    speech_.get(), &QTextToSpeech::errorOccurred, speech_.get(),
                    [this](QTextToSpeech::ErrorReason, const QString& message) { fail(message); });
                return true;
            }
            QString reason = engine->errorString();
            if (reason.isEmpty()) reason = QStringLiteral("the engine did not start");
            reasons << name + QStringLiteral(": ") + reason;
        }
        fail(reasons.join(QStringLiteral("; ")));
        return false;
    }

    QStringList engines_;
    std::function<void(const QString&)> onFailure_;
    std::unique_ptr<QTextToSpeech> speech_;
    bool failureReported_ = false;
    mutable QMutex nameMutex_;
    QString name_;
};

QtTalker::QtTalker(QStringList engines) : home_(std::make_unique<QObject>()) {
    QObject* home = home_.get();
    engine_ = new Engine(std::move(engines), [this, home](const QString& reason) {
        // Back on the caller's thread; dropped if the talker has gone meanwhile.
        QMetaObject::invokeMethod(
            home, [this, reason] { reportFailure(reason); }, Qt::QueuedConnection);
    });
    engine_->moveToThread(&thread_);
    QObject::connect(&thread_, &QThread::finished, engine_, &QObject::deleteLater);
    thread_.setObjectName(QStringLiteral("speech"));
    thread_.start();
}

QtTalker::~QtTalker() {
    home_.reset();
    thread_.quit();
    thread_.wait();
}

QString QtTalker::engineName() const {
    return engine_->name();
}

void QtTalker::Speak(const QString& text) {
    Engine* engine = engine_;
    QMetaObject::invokeMethod(
        engine, [engine, text] { engine->speak(text); }, Qt::QueuedConnection);
}
