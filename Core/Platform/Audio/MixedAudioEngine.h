// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "AudioEngine.h"
#include "AudioStreamMixer.h"

#include <QObject>
#include <array>
#include <memory>

/// Captures the microphone and, when the user includes it, the computer's sound at once, through
/// an engine each, and delivers them mixed into one stream (AudioStreamMixer), as a call needs
/// both sides heard.
///
/// The computer's sound joins or leaves the mix as the user's choice changes, without a stop.
/// Either input failing, at the start or while captured, leaves the other going, with a notice;
/// only both failing fails the capture. Main thread, as every engine; the tap runs on the capture
/// thread of whichever input completed a block.
class MixedAudioEngine : public AudioEngine
{
public:
    /// Whether the user includes the computer's sound. The engine does not know where the choice
    /// is kept.
    struct Inclusion
    {
        /// Read at each start and each change; without it, the computer's sound is always mixed.
        std::function<bool()> read;
        /// Calls \a changed each time the choice changes, for as long as \a context lives.
        std::function<void(const QObject *context, std::function<void()> changed)> watch;
    };

    /// Mixes \a microphone and, as \a included says, \a computerSound, which it takes, into
    /// blocks at \a outputRate Hz.
    MixedAudioEngine(std::unique_ptr<AudioEngine> microphone,
                     std::unique_ptr<AudioEngine> computerSound, Inclusion included = {},
                     int outputRate = 16000);
    ~MixedAudioEngine() override;

    /// The microphone's level and the computer's sound's, while both are mixed.
    QList<float> inputLevels() const override;

    bool isRunning() const override;
    /// The tap gets mono blocks at the output rate, each as long as \a frameCount frames at
    /// 48 kHz: no longer than a single input's blocks.
    void installTap(int frameCount, Tap tap) override;
    void removeTap() override;
    void prepare() override;
    /// Prepares the inputs to start; finishes once each has.
    QFuture<void> prepareToStart() override;
    /// Starts the inputs; an error only when none starts.
    std::optional<Error> start() override;
    void stop() override;
    void setFailureHandler(std::function<void(const Error &error)> handler) override;
    /// Never called: one of the inputs is a microphone, which has no end.
    void setEndOfInputHandler(std::function<void()>) override {}
    void setNoticeHandler(std::function<void(const QString &message)> handler) override;

private:
    bool computerSoundChosen() const;
    /// Brings the computer's sound into a running capture, or takes it out, as the user chose.
    void followInclusion();
    /// Starts the computer's sound once prepared, unless a later change or a stop came first.
    void startComputerSound(quint64 attempt);
    /// Takes \a source out of the mix after \a error, and says so; fails the capture when the
    /// other is out already.
    void lose(AudioStreamMixer::Source source, const Error &error);
    /// What the user is told when \a source is lost and the other goes on.
    static QString lossNotice(AudioStreamMixer::Source source);
    void notify(const QString &message) const;

    /// Lives on the main thread, where changes of the inclusion and preparations are handled.
    QObject m_mainThread;
    std::array<std::unique_ptr<AudioEngine>, 2> m_engines;
    const Inclusion m_inclusion;
    const int m_outputRate;
    // Shared with the inputs' taps, which may still run on a capture thread while it is replaced.
    std::shared_ptr<AudioStreamMixer> m_mixer;
    bool m_running = false;
    /// Whether the computer's sound is part of this capture, heard or not.
    bool m_included = false;
    std::array<bool, 2> m_heard{};
    /// Why each input that is not heard was lost.
    std::array<std::optional<Error>, 2> m_losses;
    /// Counts the computer's sound's starts, so that a preparation for an earlier one is dropped.
    quint64 m_attempt = 0;
    std::function<void(const Error &)> m_failureHandler;
    std::function<void(const QString &)> m_noticeHandler;
};
