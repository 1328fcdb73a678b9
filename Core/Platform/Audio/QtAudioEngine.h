// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "AudioEngine.h"
#include "AudioInputDevice.h"
#include "AudioTapHolder.h"
#include "SoundServerProbe.h"

#include <QList>
#include <QObject>
#include <QTimer>
#include <future>
#include <memory>
#include <variant>

class AudioSourceReader;
class QMediaDevices;

/// Captures a microphone through Qt Multimedia, from PulseAudio or from PipeWire's PulseAudio
/// service; or, through libpulse, what the computer plays.
///
/// The device is the one whose id the user's choice holds; for soundOfThisComputer, the monitor of
/// the server's default output, followed to another output when the default changes. When it
/// holds none, it is the sound server's default source (which Qt 6.4 does not know by itself), or
/// else the first input Qt lists: the default microphone. A chosen device that is not connected at
/// the start, or that goes away or fails while captured, gives way to the default microphone, with
/// a notice, unless the choice asks for no such fallback; capture fails only when no device is
/// left. A change of the choice while capturing switches devices without ending the capture:
/// the new device is opened beside the old one, and takes over the tap where the old one stopped.
///
/// The device is read in its own format on the capture thread (AudioCaptureThread), where the
/// samples become floats and blocks of the tap's frame count, and where the tap runs. Every wait on
/// the sound server is bounded, and stop() waits for nothing but a tap call under way, so that
/// neither hangs on a server or a device that has stopped answering. prepareToStart() and a switch
/// do those waits on other threads, so that they never keep the main thread waiting.
class QtAudioEngine : public AudioEngine
{
public:
    /// The codes of the errors in errorDomain.
    enum ErrorCode {
        NoSoundServer = 1,
        NoInputDevice = 2,
        NoReadableFormat = 4,
        DeviceRefused = 5,
        DeviceNotResponding = 6,
        DeviceFailed = 7,
        DeviceDisconnected = 8,
    };
    static inline const QString errorDomain = QStringLiteral("Voxlume.AudioCapture");

    /// The user's choice of input: an id, soundOfThisComputer, or empty for the default. The engine
    /// does not know where the choice is kept (the program keeps it in its settings).
    struct Choice
    {
        /// Read at each start and each switch.
        std::function<QString()> read;
        /// Calls \a changed each time the choice changes, for as long as \a context lives.
        std::function<void(const QObject *context, std::function<void()> changed)> watch;
    };

    /// Where capture goes when the chosen device is missing or fails.
    enum class Fallback {
        DefaultMicrophone,
        /// Capture fails instead: for the computer's sound mixed with a microphone, which is
        /// heard already.
        None,
    };

    /// An engine that captures what \a choice names; without one, the default microphone.
    explicit QtAudioEngine(Choice choice = {}, Fallback fallback = Fallback::DefaultMicrophone);
    ~QtAudioEngine() override;

    /// The input devices Qt lists, with the one used when none is chosen marked; none when no
    /// sound server answers. Waits for the server: not on the main thread of a program.
    static QList<AudioInputDevice> inputDevices();

    /// The device being captured; an empty id while not running.
    AudioInputDevice inputDevice() const { return m_device; }

    bool isRunning() const override { return m_running; }
    void installTap(int frameCount, Tap tap) override;
    void removeTap() override;
    /// Nothing to do: the slow part of a start is prepareToStart()'s.
    void prepare() override {}
    /// Asks the sound server about its devices on another thread, then chooses the device with the
    /// settings and the devices of that moment and opens it on the capture thread, its audio held
    /// back until start(). An error on the way is kept for start() to return.
    QFuture<void> prepareToStart() override;
    /// Does nothing while running. Without a finished preparation, prepares and waits for it.
    std::optional<Error> start() override;
    void stop() override;
    void setFailureHandler(std::function<void(const Error &error)> handler) override;
    /// Never called: a microphone has no end.
    void setEndOfInputHandler(std::function<void()>) override {}
    void setNoticeHandler(std::function<void(const QString &message)> handler) override;

private:
    struct Preparation;
    struct Switch;
    /// The device to capture, how to read it, and why it is not the chosen one.
    struct Input;

    /// The input to capture for the choice \a chosen, given the server's answer (none when no
    /// server answered); or why there is none. Main thread.
    std::variant<Input, Error> chooseInput(const std::optional<SoundServerProbe::Answer> &server,
                                           const QString &chosen) const;
    /// The microphone to capture for the choice \a chosen among \a server's own sources, read
    /// through libpulse: for a server that Qt Multimedia cannot reach.
    std::variant<Input, Error> chooseServerSource(const SoundServerProbe::Answer &server,
                                                  const QString &chosen) const;
    /// \a input, or when the choice allows no fallback and \a input is one, why there is none.
    std::variant<Input, Error> unlessFallback(Input input, const QString &chosen) const;
    /// A reader of \a input into \a feeder, on the capture thread, its failures reported as
    /// reader \a readerId's.
    AudioSourceReader *makeReader(const Input &input, std::shared_ptr<AudioTapFeeder> feeder,
                                  quint64 readerId);
    /// Opens \a input for a start, its audio held back; the future tells how it went, as a
    /// QAudio::Error.
    std::future<int> openDevice(const Input &input);
    /// The error of opening \a device that ended with the QAudio::Error \a outcome, or that did
    /// not end in time (nothing).
    static std::optional<Error> openingError(std::optional<int> outcome,
                                             const AudioInputDevice &device);
    /// Lets the opened device's audio through to the tap, and watches that the device stays.
    void beginCapture();
    /// Stops delivering and lets go of the device.
    void endCapture();
    /// Main thread, once the server has answered or not: the preparation's next step.
    void openPrepared(const std::optional<SoundServerProbe::Answer> &server);
    /// Ends the preparation, with \a error unless it has met one already.
    void finishPreparation(std::optional<Error> error);
    /// Lets go of the preparation and of whatever it opened.
    void discardPreparation();

    QString chosenInput() const;
    /// Switches to the chosen device when the choice has changed since it was applied.
    void followChoice();
    /// Opens the chosen device, or with a \a cause, the default microphone, to take over capture.
    void switchInput(std::optional<Error> cause);
    void openSwitch(const std::optional<SoundServerProbe::Answer> &server, const QString &chosen);
    void finishSwitch(std::optional<int> outcome);
    /// Ends a switch that found nothing to switch to, for \a error.
    void abandonSwitch(const Error &error);
    void discardSwitch();

    void checkDeviceIsPresent();
    /// After a change of the server's defaults, asks the server for its default output, and moves
    /// to that output's monitor when the computer's sound is chosen and that is not the one
    /// captured.
    void followDefaultOutput();
    /// Reader \a readerId failed for the QAudio::Error \a reason.
    void readerFailed(quint64 readerId, const AudioInputDevice &device, int reason);
    /// The device being captured failed or went away: capture moves to the default microphone.
    void currentInputFailed(const Error &error);
    /// Ends capture for good, and reports \a error: a copy, since it is often the failure kept
    /// here, which a stop from the handler frees.
    void reportFailure(Error error);
    void notify(const std::optional<QString> &message) const;
    /// An error for the user, with \a userInfo for the logs.
    static Error error(ErrorCode code, const QString &text, QVariantMap userInfo = {});

    /// Lives on the main thread, where the engine's own signals and timers are handled.
    QObject m_mainThread;
    /// Let go of on the main thread as the engine ends, so that reports still on their way from
    /// the capture thread are dropped.
    const std::shared_ptr<int> m_alive = std::make_shared<int>();
    const Choice m_choice;
    const Fallback m_fallback;
    QTimer m_presenceTimer;
    std::unique_ptr<QMediaDevices> m_mediaDevices;

    AudioTapHolder m_tap;
    std::function<void(const Error &)> m_failureHandler;
    std::function<void(const QString &)> m_noticeHandler;
    bool m_running = false;
    /// Set from a reported failure to stop(): capture has ended, though the engine still counts as
    /// running.
    bool m_failed = false;
    /// Why the device being captured stopped, while capture moves to another.
    std::optional<Error> m_currentFailure;
    /// The choice that the device was chosen with.
    QString m_appliedChoice;
    /// Numbers the readers, so that a report from an earlier one is recognised.
    quint64 m_lastReaderId = 0;
    quint64 m_readerId = 0;
    AudioInputDevice m_device;
    /// Whether the server is being asked for its default output.
    bool m_askingForOutput = false;
    /// Whether Qt lists the device, and so whether the engine must watch that it stays: libpulse
    /// reports the end of a source it does not list.
    bool m_deviceListedByQt = false;
    /// Lives on the capture thread, and is deleted there.
    AudioSourceReader *m_reader = nullptr;
    /// Only the engine holds these, so that a step that finds one gone knows the engine may be too.
    std::shared_ptr<Preparation> m_preparation;
    std::shared_ptr<Switch> m_switch;
};
