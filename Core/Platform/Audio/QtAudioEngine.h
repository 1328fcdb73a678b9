// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "AudioEngine.h"
#include "AudioInputDevice.h"
#include "AudioTapHolder.h"

#include <QList>
#include <QObject>
#include <QTimer>
#include <future>
#include <memory>
#include <variant>

class AudioInputReader;
class QMediaDevices;

/// Captures a microphone through Qt Multimedia, from PulseAudio or from PipeWire's PulseAudio
/// service.
///
/// The device is the one whose id the setting selectedInputDevice holds. When it holds none, it is
/// the sound server's default source (which Qt 6.4 does not know by itself), or else the first
/// input Qt lists. A chosen device that is not connected is an error rather than a reason to
/// record another microphone unasked, and so is a device that goes away while it is captured.
///
/// The device is read in its own format on the capture thread (AudioCaptureThread), where the
/// samples become floats and blocks of the tap's frame count, and where the tap runs. Every wait on
/// the sound server is bounded, and stop() waits for nothing but a tap call under way, so that
/// neither hangs on a server or a device that has stopped answering. prepareToStart() does those
/// waits on other threads, so that a start through it never keeps the main thread waiting.
class QtAudioEngine : public AudioEngine
{
public:
    /// The codes of the errors in errorDomain.
    enum ErrorCode {
        NoSoundServer = 1,
        NoInputDevice,
        ChosenDeviceMissing,
        NoReadableFormat,
        DeviceRefused,
        DeviceNotResponding,
        DeviceFailed,
        DeviceDisconnected,
    };
    static inline const QString errorDomain = QStringLiteral("Voxlume.AudioCapture");

    QtAudioEngine();
    ~QtAudioEngine() override;

    /// The input devices there are, with the one used when none is chosen marked; none when no
    /// sound server answers. Main thread.
    static QList<AudioInputDevice> inputDevices();

    /// The device being captured; an empty id while not running.
    AudioInputDevice inputDevice() const { return m_device; }

    bool isRunning() const override { return m_running; }
    void installTap(int frameCount, Tap tap) override;
    void removeTap() override;
    /// Nothing to do: the slow part of a start is prepareToStart()'s.
    void prepare() override {}
    /// Asks the sound server for its default source on another thread, then chooses the device
    /// with the settings and the devices of that moment and opens it on the capture thread, its
    /// audio held back until start(). An error on the way is kept for start() to return.
    QFuture<void> prepareToStart() override;
    /// Does nothing while running. Without a finished preparation, prepares and waits for it.
    std::optional<Error> start() override;
    void stop() override;
    void setFailureHandler(std::function<void(const Error &error)> handler) override;
    /// Never called: a microphone has no end.
    void setEndOfInputHandler(std::function<void()>) override {}

private:
    struct Preparation;
    /// The device to capture, and the format to read it in.
    struct Input;

    /// The input to capture, given the server's default source (nothing when no server answered);
    /// or why there is none.
    static std::variant<Input, Error> chooseInput(const std::optional<QByteArray> &serverDefault);
    /// Opens \a input on the capture thread, its audio held back; the future tells how it went,
    /// as a QAudio::Error.
    std::future<int> openDevice(const Input &input);
    /// The error of an opening that ended with the QAudio::Error \a outcome, or that did not end
    /// in time (nothing).
    std::optional<Error> openingError(std::optional<int> outcome) const;
    /// Lets the opened device's audio through to the tap, and watches that the device stays.
    void beginCapture();
    /// Stops delivering and lets go of the device.
    void endCapture();
    /// Main thread, once the server has answered or not: the preparation's next step.
    void openPrepared(const std::optional<QByteArray> &serverDefault);
    /// Ends the preparation, with \a error unless it has met one already.
    void finishPreparation(std::optional<Error> error);
    /// Lets go of the preparation and of whatever it opened.
    void discardPreparation();
    void checkDeviceIsPresent();
    /// Ends run \a run, if it is still the current one, and reports \a error.
    void fail(quint64 run, const Error &error);
    /// An error for the user, with \a userInfo for the logs.
    static Error error(ErrorCode code, const QString &text, QVariantMap userInfo = {});

    /// Lives on the main thread, where the capture thread's reports run.
    QObject m_mainThread;
    QTimer m_presenceTimer;
    std::unique_ptr<QMediaDevices> m_mediaDevices;

    AudioTapHolder m_tap;
    std::function<void(const Error &)> m_failureHandler;
    bool m_running = false;
    /// Set from a failure to stop(): capture has ended, though the engine still counts as running.
    bool m_failed = false;
    /// Counts the runs, so that a report from an earlier one is recognised.
    quint64 m_run = 0;
    AudioInputDevice m_device;
    /// Lives on the capture thread, and is deleted there.
    AudioInputReader *m_reader = nullptr;
    /// Only the engine holds it, so that a step that finds it gone knows the engine may be too.
    std::shared_ptr<Preparation> m_preparation;
};
