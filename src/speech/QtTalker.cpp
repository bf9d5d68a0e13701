#include "speech/QtTalker.h"

#include <QTextToSpeech>

QtTalker::QtTalker(QStringList engines) : engines_(std::move(engines)) {}

QtTalker::~QtTalker() {
    // A speech daemon would go on reading after the program has gone.
    if (engine_) engine_->stop(QTextToSpeech::BoundaryHint::Immediate);
}

QString QtTalker::engineName() const {
    return engine_ ? engine_->engine() : QString();
}

QStringList QtTalker::candidates() const {
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

bool QtTalker::ensureEngine() {
    if (engine_ && engine_->state() != QTextToSpeech::Error) return true;
    engine_.reset();

    const QStringList names = candidates();
    if (names.isEmpty()) {
        reportFailure(QStringLiteral("no speech engine is installed"));
        return false;
    }
    QStringList reasons;
    for (const QString& name : names) {
        auto engine = std::make_unique<QTextToSpeech>(name);
        // An engine may come up "ready" and still know it cannot play (flite without audio).
        if (engine->state() != QTextToSpeech::Error &&
            engine->errorReason() == QTextToSpeech::ErrorReason::NoError) {
            engine_ = std::move(engine);
            QObject::connect(engine_.get(), &QTextToSpeech::errorOccurred, engine_.get(),
                             [this](QTextToSpeech::ErrorReason, const QString& message) {
                                 if (failureReported_) return;
                                 failureReported_ = true;
                                 reportFailure(message);
                             });
            return true;
        }
        QString reason = engine->errorString();
        if (reason.isEmpty()) reason = QStringLiteral("the engine did not start");
        reasons << name + QStringLiteral(": ") + reason;
    }
    reportFailure(reasons.join(QStringLiteral("; ")));
    return false;
}

void QtTalker::Speak(const QString& text) {
    failureReported_ = false;
    if (text.isEmpty()) {
        // Nothing can be speaking before the engine exists; don't make one just to stop it.
        if (engine_) engine_->stop(QTextToSpeech::BoundaryHint::Immediate);
        return;
    }
    if (!ensureEngine()) return;
    engine_->say(text);
}
