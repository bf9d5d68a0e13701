// SPDX-License-Identifier: GPL-3.0-or-later
#include "speech/ReadAloud.h"

#include "document/DocumentHost.h"
#include "document/RichTextBox.h"
#include "document/frmDocument.h"
#include "speech/QtTalker.h"

ReadAloud::ReadAloud(DocumentHost* host) : host_(host) {
    setTalker(std::make_unique<QtTalker>());
}

ReadAloud::~ReadAloud() {
    forgetSource();
}

void ReadAloud::setTalker(std::unique_ptr<Talker> talker) {
    talker_ = std::move(talker);
    if (!talker_) return;
    talker_->setFailureHandler([this](const QString& reason) {
        host_->setStatusText(QStringLiteral("Speech is not available: ") + reason);
    });
}

QString ReadAloud::TriggerPhrase() {
    return QStringLiteral("SHUT UP");
}

QString ReadAloud::Retort() {
    return QStringLiteral("No, you shut up. I only read out what you type.");
}

QString ReadAloud::JokeText() {
    QString joke = QStringLiteral(
        "You have selected a chair. Chairs are for sitting on, not for reading out. "
        "Still, if a chair could talk, this is what it would say. ");
    for (int i = 0; i < 12; ++i) {
        joke += QStringLiteral("squeek creeka wobbly bonk, flimma flomma skronk. ");
    }
    return joke;
}

void ReadAloud::mnuHear_Click() {
    // Without a document there is nothing to read; a browser window is not read either.
    frmDocument* document = host_->ActiveDocument();
    if (!document) return;
    RichTextBox* text = document->txtText;
    const QString selected = text->SelText();
    const QString whole = text->Text();
    if (selected.isEmpty()) {
        speak(whole.toUpper() == TriggerPhrase() ? Retort() : whole, document);
    } else {
        speak(whole == QLatin1String("chair") ? JokeText() : selected, document);
    }
}

void ReadAloud::Stop() {
    if (!host_->ActiveDocument()) return;
    forgetSource();
    if (talker_) talker_->Speak(QString());
}

void ReadAloud::speak(const QString& text, frmDocument* source) {
    if (!talker_) return;
    forgetSource();
    if (!text.isEmpty()) {
        source_ = source;
        sourceClosed_ = QObject::connect(source, &QObject::destroyed, host_->hostWindow(), [this] {
            sourceClosed_ = {};
            source_.clear();
            if (talker_) talker_->Speak(QString());
        });
    }
    talker_->Speak(text);
}

void ReadAloud::forgetSource() {
    if (sourceClosed_) QObject::disconnect(sourceClosed_);
    sourceClosed_ = {};
    source_.clear();
}
