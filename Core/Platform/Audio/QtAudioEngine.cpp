// SPDX-License-Identifier: GPL-3.0-or-later
#include "QtAudioEngine.h"

#include "AudioCaptureThread.h"
#include "AudioInputReader.h"
#include "MainThreadRelay.h"
#include "SettingsKeys.h"
#include "SoundServerProbe.h"

#include <QAudioDevice>
#include <QAudioFormat>
#include <QCoreApplication>
#include <QMediaDevices>
#include <QPromise>

using namespace Qt::Literals::StringLiterals;
using namespace std::chrono_literals;

namespace {

// A server or device that answers at all answers within milliseconds; these limits only keep a
// stuck one from freezing the program.
constexpr auto serverTimeout = 2s;
constexpr auto openTimeout = 3s;
// Qt 6.4 updates its device list but does not announce the change, so the engine looks.
constexpr auto presenceInterval = 500ms;

QString idOf(const QAudioDevice &device)
{
    return QString::fromUtf8(device.id());
}

/// The device to use when none is chosen: the server's default, when Qt lists it.
QAudioDevice defaultInput(const QList<QAudioDevice> &inputs, const QByteArray &serverDefault)
{
    for (const QAudioDevice &device : inputs) {
        if (device.id() == serverDefault)
            return device;
    }
    const QAudioDevice qtDefault = QMediaDevices::defaultAudioInput();
    return qtDefault.isNull() ? inputs.value(0) : qtDefault;
}

/// The device's own format when it can be decoded, else a decodable one the device takes.
/// How an opening under way ended: nothing when it has not ended within the time allowed. Blocks.
std::optional<int> waitForOpening(std::future<int> &opening)
{
    if (opening.wait_for(openTimeout) != std::future_status::ready)
        return std::nullopt;
    return opening.get();
}

std::optional<QAudioFormat> readableFormat(const QAudioDevice &device)
{
    QAudioFormat format = device.preferredFormat();
    if (AudioInputReader::encodingFor(format) && device.isFormatSupported(format))
        return format;
    for (const QAudioFormat::SampleFormat sampleFormat :
         {QAudioFormat::Float, QAudioFormat::Int16}) {
        format.setSampleFormat(sampleFormat);
        if (device.isFormatSupported(format))
            return format;
    }
    return std::nullopt;
}

} // namespace

struct QtAudioEngine::Input
{
    QAudioDevice device;
    QAudioFormat format;
    bool isDefault = false;
};

struct QtAudioEngine::Preparation
{
    QPromise<void> promise;
    bool finished = false;
    /// What the start is to return.
    std::optional<Error> error;
};

QtAudioEngine::QtAudioEngine()
{
    m_presenceTimer.setInterval(presenceInterval);
    QObject::connect(&m_presenceTimer, &QTimer::timeout, &m_mainThread,
                     [this] { checkDeviceIsPresent(); });
}

QtAudioEngine::~QtAudioEngine()
{
    stop();
}

QList<AudioInputDevice> QtAudioEngine::inputDevices()
{
    const std::optional<QByteArray> serverDefault =
        SoundServerProbe::defaultSourceName(serverTimeout);
    if (!serverDefault)
        return {};
    const QList<QAudioDevice> inputs = QMediaDevices::audioInputs();
    const QAudioDevice fallback = defaultInput(inputs, *serverDefault);
    QList<AudioInputDevice> devices;
    for (const QAudioDevice &device : inputs)
        devices.append({idOf(device), device.description(), device.id() == fallback.id()});
    return devices;
}

void QtAudioEngine::installTap(int frameCount, Tap tap)
{
    m_tap.install(frameCount, std::move(tap));
}

void QtAudioEngine::removeTap()
{
    m_tap.remove();
}

std::optional<Error> QtAudioEngine::start()
{
    if (m_running)
        return std::nullopt;
    if (m_preparation && m_preparation->finished) {
        const std::shared_ptr<Preparation> preparation = std::exchange(m_preparation, nullptr);
        if (preparation->error)
            return preparation->error;
        beginCapture();
        return std::nullopt;
    }
    discardPreparation();

    // Asked before Qt is, since Qt waits forever for a server that does not answer.
    const std::variant<Input, Error> input =
        chooseInput(SoundServerProbe::defaultSourceName(serverTimeout));
    if (const Error *error = std::get_if<Error>(&input))
        return *error;
    std::future<int> opening = openDevice(std::get<Input>(input));
    if (std::optional<Error> failure = openingError(waitForOpening(opening))) {
        endCapture();
        return failure;
    }
    beginCapture();
    return std::nullopt;
}

QFuture<void> QtAudioEngine::prepareToStart()
{
    if (m_running)
        return QtFuture::makeReadyFuture();
    if (m_preparation)
        return m_preparation->promise.future();
    m_preparation = std::make_shared<Preparation>();
    m_preparation->promise.start();
    MainThreadRelay::instance().runInBackground(
        [] { return SoundServerProbe::defaultSourceName(serverTimeout); },
        [this, preparation =
                   std::weak_ptr(m_preparation)](const std::optional<QByteArray> &serverDefault) {
            // Discarded, by stop(), a start() that did not wait for it, or the engine's end.
            if (!preparation.expired())
                openPrepared(serverDefault);
        });
    return m_preparation->promise.future();
}

void QtAudioEngine::openPrepared(const std::optional<QByteArray> &serverDefault)
{
    const std::variant<Input, Error> input = chooseInput(serverDefault);
    if (const Error *error = std::get_if<Error>(&input)) {
        finishPreparation(*error);
        return;
    }
    MainThreadRelay::instance().runInBackground(
        [opening = openDevice(std::get<Input>(input))]() mutable {
            return waitForOpening(opening);
        },
        [this, preparation = std::weak_ptr(m_preparation)](std::optional<int> outcome) {
            if (!preparation.expired())
                finishPreparation(openingError(outcome));
        });
}

void QtAudioEngine::finishPreparation(std::optional<Error> error)
{
    Preparation &preparation = *m_preparation;
    if (!preparation.error)
        preparation.error = std::move(error);
    if (preparation.error && m_reader)
        endCapture();
    preparation.finished = true;
    preparation.promise.finish();
}

void QtAudioEngine::discardPreparation()
{
    if (!m_preparation)
        return;
    // Its future is cancelled as it goes.
    m_preparation.reset();
    if (!m_running && m_reader)
        endCapture();
}

void QtAudioEngine::stop()
{
    discardPreparation();
    if (!m_running)
        return;
    m_running = false;
    m_failed = false;
    endCapture();
}

void QtAudioEngine::setFailureHandler(std::function<void(const Error &)> handler)
{
    m_failureHandler = std::move(handler);
}

std::variant<QtAudioEngine::Input, Error>
QtAudioEngine::chooseInput(const std::optional<QByteArray> &serverDefault)
{
    if (!serverDefault) {
        return error(NoSoundServer, QCoreApplication::translate(
                                        "QtAudioEngine", "No microphone was found: no sound server "
                                                         "(PulseAudio or PipeWire) is running."));
    }
    const QList<QAudioDevice> inputs = QMediaDevices::audioInputs();
    if (inputs.isEmpty()) {
        return error(NoInputDevice,
                     QCoreApplication::translate("QtAudioEngine", "No microphone was found."));
    }

    const QAudioDevice fallback = defaultInput(inputs, *serverDefault);
    const QString chosen = Setting(SettingsKeys::selectedInputDevice).value();
    std::optional<QAudioDevice> found;
    if (chosen.isEmpty())
        found = fallback;
    for (const QAudioDevice &device : inputs) {
        if (!found && idOf(device) == chosen)
            found = device;
    }
    if (!found) {
        return error(ChosenDeviceMissing,
                     QCoreApplication::translate("QtAudioEngine",
                                                 "The microphone chosen in the settings is not "
                                                 "connected. Connect it, or choose another "
                                                 "microphone in the settings."),
                     {{u"deviceId"_s, chosen}});
    }
    const std::optional<QAudioFormat> format = readableFormat(*found);
    if (!format) {
        return error(NoReadableFormat,
                     QCoreApplication::translate("QtAudioEngine",
                                                 "The microphone “%1” offers no sound format "
                                                 "that can be recorded.")
                         .arg(found->description()),
                     {{u"deviceId"_s, idOf(*found)}});
    }
    return Input{*found, *format, found->id() == fallback.id()};
}

std::future<int> QtAudioEngine::openDevice(const Input &input)
{
    m_device = {idOf(input.device), input.device.description(), input.isDefault};
    m_reader = new AudioInputReader(input.device, input.format, m_tap.beginHeldRun());
    m_reader->moveToThread(AudioCaptureThread::shared());
    const quint64 run = ++m_run;
    QObject::connect(
        m_reader, &AudioInputReader::failed, &m_mainThread,
        [this, run, id = m_device.id, description = m_device.description](int reason) {
            fail(run, error(DeviceFailed,
                            QCoreApplication::translate("QtAudioEngine",
                                                        "The microphone “%1” stopped working.")
                                .arg(description),
                            {{u"deviceId"_s, id}, {u"qtAudioError"_s, reason}}));
        },
        Qt::QueuedConnection);

    // The device opens on the capture thread, where it will be read.
    const auto opened = std::make_shared<std::promise<int>>();
    std::future<int> outcome = opened->get_future();
    QMetaObject::invokeMethod(
        m_reader, [reader = m_reader, opened] { opened->set_value(reader->start()); },
        Qt::QueuedConnection);
    return outcome;
}

std::optional<Error> QtAudioEngine::openingError(std::optional<int> outcome) const
{
    if (!outcome) {
        return error(
            DeviceNotResponding,
            QCoreApplication::translate("QtAudioEngine", "The microphone “%1” does not respond.")
                .arg(m_device.description),
            {{u"deviceId"_s, m_device.id}});
    }
    if (*outcome != QAudio::NoError) {
        return error(
            DeviceRefused,
            QCoreApplication::translate("QtAudioEngine", "The microphone “%1” could not be opened.")
                .arg(m_device.description),
            {{u"deviceId"_s, m_device.id}});
    }
    return std::nullopt;
}

void QtAudioEngine::beginCapture()
{
    m_tap.releaseRun();
    if (!m_mediaDevices) {
        m_mediaDevices = std::make_unique<QMediaDevices>();
        QObject::connect(m_mediaDevices.get(), &QMediaDevices::audioInputsChanged, &m_mainThread,
                         [this] { checkDeviceIsPresent(); });
    }
    m_presenceTimer.start();
    m_running = true;
}

void QtAudioEngine::endCapture()
{
    m_presenceTimer.stop();
    m_tap.endRun();
    // Its destructor lets go of the device, on the capture thread, whenever that is free.
    if (m_reader)
        m_reader->deleteLater();
    m_reader = nullptr;
    m_device = {};
}

void QtAudioEngine::checkDeviceIsPresent()
{
    if (!m_running || m_failed)
        return;
    const QList<QAudioDevice> inputs = QMediaDevices::audioInputs();
    const bool present =
        std::any_of(inputs.begin(), inputs.end(),
                    [this](const QAudioDevice &device) { return idOf(device) == m_device.id; });
    if (present)
        return;
    fail(m_run,
         error(DeviceDisconnected,
               QCoreApplication::translate("QtAudioEngine", "The microphone “%1” was disconnected.")
                   .arg(m_device.description),
               {{u"deviceId"_s, m_device.id}}));
}

void QtAudioEngine::fail(quint64 run, const Error &error)
{
    if (m_failed || run != m_run)
        return;
    // A device opened for a start to come that fails before it: the start says so.
    if (!m_running) {
        if (!m_preparation || !m_reader)
            return;
        if (!m_preparation->error)
            m_preparation->error = error;
        if (m_preparation->finished)
            endCapture();
        return;
    }
    m_failed = true;
    m_presenceTimer.stop();
    m_tap.closeRun();
    // Lets go of the device at once, rather than at stop().
    QMetaObject::invokeMethod(m_reader, &AudioInputReader::stop, Qt::QueuedConnection);
    if (m_failureHandler)
        m_failureHandler(error);
}

Error QtAudioEngine::error(ErrorCode code, const QString &text, QVariantMap userInfo)
{
    userInfo.insert(Error::localizedDescriptionKey, text);
    return Error(errorDomain, code, std::move(userInfo));
}
