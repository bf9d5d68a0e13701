// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>
#include <functional>
#include <utility>

// The speech-synthesis control: speaks a text without holding up the caller.
class Talker {
  public:
    using FailureHandler = std::function<void(const QString& reason)>;

    virtual ~Talker() = default;

    // Hands `text` over and returns at once while it is being spoken; the empty text ends any
    // speech in progress.
    virtual void Speak(const QString& text) = 0;

    // Told, at most once per Speak, when no speech engine can speak the text, with the reason.
    void setFailureHandler(FailureHandler handler) { onFailure_ = std::move(handler); }

  protected:
    void reportFailure(const QString& reason) const {
        if (onFailure_) onFailure_(reason);
    }

  private:
    FailureHandler onFailure_;
};
