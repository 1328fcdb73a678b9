// SPDX-License-Identifier: GPL-3.0-or-later
#include "QtAudioEngine.h"

#include "AudioCaptureThread.h"
#include "AudioInputReader.h"
#include "SettingsKeys.h"
#include "SoundServerProbe.h"

#include <QAudioDevice>
#include <QCoreApplication>
#include <QMediaDevices>
#include <future>

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

    // Asked before Qt is, since Qt waits forever for a server that does not answer.
    const std::optional<QByteArray> serverDefault =
        SoundServerProbe::defaultSourceName(serverTimeout);
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
    if (chosen.isEmpty())
        return startCapture(fallback, true);
    for (const QAudioDevice &device : inputs) {
        if (idOf(device) == chosen)
            return startCapture(device, device.id() == fallback.id());
    }
    return error(ChosenDeviceMissing,
                 QCoreApplication::translate("QtAudioEngine",
                                             "The microphone chosen in the settings is not "
                                             "connected. Connect it, or choose another microphone "
                                             "in the settings."),
                 {{u"deviceId"_s, chosen}});
}

void QtAudioEngine::stop()
{
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

std::optional<Error> QtAudioEngine::startCapture(const QAudioDevice &device, bool isDefault)
{
    const std::optional<QAudioFormat> format = readableFormat(device);
    if (!format) {
        return error(NoReadableFormat,
                     QCoreApplication::translate("QtAudioEngine",
                                                 "The microphone “%1” offers no sound format "
                                                 "that can be recorded.")
                         .arg(device.description()),
                     {{u"deviceId"_s, idOf(device)}});
    }

    m_device = {idOf(device), device.description(), isDefault};

    m_reader = new AudioInputReader(device, *format, m_tap.beginRun());
    m_reader->moveToThread(AudioCaptureThread::shared());
    const quint64 run = ++m_run;
    QObject::connect(
        m_reader, &AudioInputReader::failed, &m_mainThread,
        [this, run, id = m_device.id, description = device.description()](int reason) {
            fail(run, error(DeviceFailed,
                            QCoreApplication::translate("QtAudioEngine",
                                                        "The microphone “%1” stopped working.")
                                .arg(description),
                            {{u"deviceId"_s, id}, {u"qtAudioError"_s, reason}}));
        },
        Qt::QueuedConnection);

    // The device opens on the capture thread, where it will be read; the wait for it is bounded,
    // as a device can hang on opening.
    const auto opened = std::make_shared<std::promise<QAudio::Error>>();
    std::future<QAudio::Error> outcome = opened->get_future();
    QMetaObject::invokeMethod(
        m_reader, [reader = m_reader, opened] { opened->set_value(reader->start()); },
        Qt::QueuedConnection);
    std::optional<Error> failure;
    if (outcome.wait_for(openTimeout) != std::future_status::ready) {
        failure = error(
            DeviceNotResponding,
            QCoreApplication::translate("QtAudioEngine", "The microphone “%1” does not respond.")
                .arg(device.description()),
            {{u"deviceId"_s, m_device.id}});
    } else if (outcome.get() != QAudio::NoError) {
        failure = error(
            DeviceRefused,
            QCoreApplication::translate("QtAudioEngine", "The microphone “%1” could not be opened.")
                .arg(device.description()),
            {{u"deviceId"_s, m_device.id}});
    }
    if (failure) {
        endCapture();
        return failure;
    }

    if (!m_mediaDevices) {
        m_mediaDevices = std::make_unique<QMediaDevices>();
        QObject::connect(m_mediaDevices.get(), &QMediaDevices::audioInputsChanged, &m_mainThread,
                         [this] { checkDeviceIsPresent(); });
    }
    m_presenceTimer.start();
    m_running = true;
    return std::nullopt;
}

void QtAudioEngine::endCapture()
{
    m_presenceTimer.stop();
    m_tap.endRun();
    // Its destructor lets go of the device, on the capture thread, whenever that is free.
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
    if (!m_running || m_failed || run != m_run)
        return;
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
