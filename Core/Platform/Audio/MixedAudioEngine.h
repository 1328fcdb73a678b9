// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "AudioEngine.h"
#include "AudioStreamMixer.h"

#include <array>
#include <memory>

/// Captures the microphone and the computer's sound at once, through an engine each, and delivers
/// them mixed into one stream (AudioStreamMixer), as a call needs both sides heard.
///
/// Either input failing, at the start or while captured, leaves the other going, with a notice;
/// only both failing fails the capture. Main thread, as every engine; the tap runs on the capture
/// thread of whichever input completed a block.
class MixedAudioEngine : public AudioEngine
{
public:
    /// Mixes \a microphone and \a computerSound, which it takes, into blocks at \a outputRate Hz.
    MixedAudioEngine(std::unique_ptr<AudioEngine> microphone,
                     std::unique_ptr<AudioEngine> computerSound, int outputRate = 16000);
    ~MixedAudioEngine() override;

    /// The level of \a source, 0 to 1, for a meter; 0 while it is not heard. Main thread, as the
    /// tap that holds the mixer is replaced there.
    float level(AudioStreamMixer::Source source) const;

    bool isRunning() const override;
    /// The tap gets mono blocks of \a frameCount frames at the output rate.
    void installTap(int frameCount, Tap tap) override;
    void removeTap() override;
    void prepare() override;
    /// Prepares both inputs; finishes once both have.
    QFuture<void> prepareToStart() override;
    /// Starts both inputs; an error only when neither starts.
    std::optional<Error> start() override;
    void stop() override;
    void setFailureHandler(std::function<void(const Error &error)> handler) override;
    /// Never called: one of the inputs is a microphone, which has no end.
    void setEndOfInputHandler(std::function<void()>) override {}
    void setNoticeHandler(std::function<void(const QString &message)> handler) override;

private:
    /// Takes \a source out of the mix after \a error, and says so; fails the capture when the
    /// other is out already.
    void lose(AudioStreamMixer::Source source, const Error &error);
    /// What the user is told when \a source is lost and the other goes on.
    static QString lossNotice(AudioStreamMixer::Source source);

    std::array<std::unique_ptr<AudioEngine>, 2> m_engines;
    const int m_outputRate;
    // Shared with the inputs' taps, which may still run on a capture thread while it is replaced.
    std::shared_ptr<AudioStreamMixer> m_mixer;
    std::array<bool, 2> m_heard{};
    std::function<void(const Error &)> m_failureHandler;
    std::function<void(const QString &)> m_noticeHandler;
};
