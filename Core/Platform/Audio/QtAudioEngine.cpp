// SPDX-License-Identifier: GPL-3.0-or-later
#include "QtAudioEngine.h"

#include "AudioCaptureThread.h"
#include "AudioInputReader.h"
#include "Base/MainThreadRelay.h"
#include "PulseSourceReader.h"

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

QString tr(const char *text)
{
    return QCoreApplication::translate("QtAudioEngine", text);
}

/// How a chosen device is named in a message when it cannot be asked for its description.
QString nameOfChoice(const QString &chosen)
{
    return chosen == AudioInputDevice::soundOfThisComputer ? tr("Sound from this computer")
                                                           : chosen;
}

QString notConnected(const QString &chosen)
{
    return tr("“%1” is not connected. Listening to the default microphone instead.")
        .arg(nameOfChoice(chosen));
}

// Qt Multimedia connects to the sound server once, at its first use, and never again: once no
// server has answered, a server that answers later (a restarted one) is one Qt cannot reach.
// Main thread.
bool s_soundServerWasLost = false;

QString insteadOf(const QString &reason)
{
    return reason + u' ' + tr("Listening to the default microphone instead.");
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

/// The monitor that \a chosen names, when the server has it.
std::optional<SoundServerProbe::Source> chosenMonitor(const SoundServerProbe::Answer &server,
                                                      const QString &chosen)
{
    const QByteArray name = chosen == AudioInputDevice::soundOfThisComputer
                                ? server.defaultSinkMonitor()
                                : chosen.toUtf8();
    const std::optional<SoundServerProbe::Source> source = server.source(name);
    return source && source->isMonitor && !name.isEmpty() ? source : std::nullopt;
}

/// How an opening under way ended: nothing when it has not ended within the time allowed. Blocks.
std::optional<int> waitForOpening(std::future<int> &opening)
{
    if (opening.wait_for(openTimeout) != std::future_status::ready)
        return std::nullopt;
    return opening.get();
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

/// Starts \a reader on the capture thread; the future tells how it went, as a QAudio::Error.
std::future<int> startReader(AudioSourceReader *reader)
{
    const auto opened = std::make_shared<std::promise<int>>();
    std::future<int> outcome = opened->get_future();
    QMetaObject::invokeMethod(
        reader, [reader, opened] { opened->set_value(reader->start()); }, Qt::QueuedConnection);
    return outcome;
}

} // namespace

struct QtAudioEngine::Input
{
    AudioInputDevice device;
    /// None for a source that Qt does not list, read through libpulse.
    std::optional<QAudioDevice> qtDevice;
    QAudioFormat format;
    std::optional<QString> notice;
    /// Whether it is the default output's monitor, for a choice of soundOfThisComputer.
    bool followsOutput = false;
};

struct QtAudioEngine::Preparation
{
    QPromise<void> promise;
    bool finished = false;
    /// What the start is to return.
    std::optional<Error> error;
    std::optional<QString> notice;
};

struct QtAudioEngine::Switch
{
    /// Set for a move to the default microphone: why the device before it is not heard.
    std::optional<Error> cause;
    Input input;
    /// The next reader, once opening; lives on the capture thread.
    AudioSourceReader *reader = nullptr;
    quint64 readerId = 0;
    std::optional<Error> readerFailure;
};

QtAudioEngine::QtAudioEngine(Choice choice, Fallback fallback)
    : m_choice(std::move(choice))
    , m_fallback(fallback)
{
    m_presenceTimer.setInterval(presenceInterval);
    QObject::connect(&m_presenceTimer, &QTimer::timeout, &m_mainThread,
                     [this] { checkDeviceIsPresent(); });
    if (m_choice.watch)
        m_choice.watch(&m_mainThread, [this] { followChoice(); });
}

QString QtAudioEngine::chosenInput() const
{
    return m_choice.read ? m_choice.read() : QString();
}

QtAudioEngine::~QtAudioEngine()
{
    stop();
}

QList<AudioInputDevice> QtAudioEngine::inputDevices()
{
    const std::optional<SoundServerProbe::Answer> server = SoundServerProbe::ask(serverTimeout);
    if (!server)
        return {};
    const QList<QAudioDevice> inputs = QMediaDevices::audioInputs();
    const QAudioDevice fallback = defaultInput(inputs, server->defaultSource);
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
        notify(preparation->notice);
        followChoice();
        return std::nullopt;
    }
    discardPreparation();

    // Asked before Qt is, since Qt waits forever for a server that does not answer.
    m_appliedChoice = chosenInput();
    const std::variant<Input, Error> input =
        chooseInput(SoundServerProbe::ask(serverTimeout), m_appliedChoice);
    if (const Error *error = std::get_if<Error>(&input))
        return *error;
    std::future<int> opening = openDevice(std::get<Input>(input));
    if (std::optional<Error> failure = openingError(waitForOpening(opening), m_device)) {
        endCapture();
        return failure;
    }
    beginCapture();
    notify(std::get<Input>(input).notice);
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
        [] { return SoundServerProbe::ask(serverTimeout); },
        [this, preparation = std::weak_ptr(m_preparation)](
            const std::optional<SoundServerProbe::Answer> &server) {
            // Discarded, by stop(), a start() that did not wait for it, or the engine's end.
            if (!preparation.expired())
                openPrepared(server);
        });
    return m_preparation->promise.future();
}

void QtAudioEngine::openPrepared(const std::optional<SoundServerProbe::Answer> &server)
{
    m_appliedChoice = chosenInput();
    const std::variant<Input, Error> input = chooseInput(server, m_appliedChoice);
    if (const Error *error = std::get_if<Error>(&input)) {
        finishPreparation(*error);
        return;
    }
    m_preparation->notice = std::get<Input>(input).notice;
    MainThreadRelay::instance().runInBackground(
        [opening = openDevice(std::get<Input>(input))]() mutable {
            return waitForOpening(opening);
        },
        [this, preparation = std::weak_ptr(m_preparation)](std::optional<int> outcome) {
            if (!preparation.expired())
                finishPreparation(openingError(outcome, m_device));
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
    m_currentFailure.reset();
    endCapture();
}

void QtAudioEngine::setFailureHandler(std::function<void(const Error &)> handler)
{
    m_failureHandler = std::move(handler);
}

void QtAudioEngine::setNoticeHandler(std::function<void(const QString &)> handler)
{
    m_noticeHandler = std::move(handler);
}

std::variant<QtAudioEngine::Input, Error>
QtAudioEngine::chooseInput(const std::optional<SoundServerProbe::Answer> &server,
                           const QString &chosen) const
{
    if (!server) {
        s_soundServerWasLost = true;
        return error(NoSoundServer, tr("No microphone was found: no sound server (PulseAudio or "
                                       "PipeWire) is running."));
    }
    if (const std::optional<SoundServerProbe::Source> monitor = chosenMonitor(*server, chosen)) {
        const QString description = chosen == AudioInputDevice::soundOfThisComputer
                                        ? tr("Sound from this computer")
                                        : monitor->description;
        return Input{{QString::fromUtf8(monitor->name), description, false},
                     std::nullopt,
                     {},
                     {},
                     chosen == AudioInputDevice::soundOfThisComputer};
    }
    if (s_soundServerWasLost)
        return chooseServerSource(*server, chosen);
    const QList<QAudioDevice> inputs = QMediaDevices::audioInputs();
    if (inputs.isEmpty())
        return error(NoInputDevice, tr("No microphone was found."));

    const QAudioDevice fallback = defaultInput(inputs, server->defaultSource);
    const auto found = std::find_if(inputs.begin(), inputs.end(), [&](const QAudioDevice &device) {
        return !chosen.isEmpty() && idOf(device) == chosen;
    });
    const QAudioDevice device = found == inputs.end() ? fallback : *found;
    const std::optional<QAudioFormat> format = readableFormat(device);
    if (!format) {
        return error(NoReadableFormat,
                     tr("The microphone “%1” offers no sound format that can be recorded.")
                         .arg(device.description()),
                     {{u"deviceId"_s, idOf(device)}});
    }
    Input input{{idOf(device), device.description(), device.id() == fallback.id()},
                device,
                *format,
                std::nullopt};
    if (!chosen.isEmpty() && found == inputs.end())
        input.notice = notConnected(chosen);
    return unlessFallback(std::move(input), chosen);
}

std::variant<QtAudioEngine::Input, Error>
QtAudioEngine::chooseServerSource(const SoundServerProbe::Answer &server,
                                  const QString &chosen) const
{
    const std::optional<SoundServerProbe::Source> found =
        chosen.isEmpty() ? std::nullopt : server.source(chosen.toUtf8());
    const std::optional<SoundServerProbe::Source> fallback = server.source(server.defaultSource);
    const std::optional<SoundServerProbe::Source> source = found ? found : fallback;
    if (!source)
        return error(NoInputDevice, tr("No microphone was found."));
    Input input{{QString::fromUtf8(source->name), source->description, source == fallback},
                std::nullopt,
                {},
                std::nullopt};
    if (!chosen.isEmpty() && !found)
        input.notice = notConnected(chosen);
    return unlessFallback(std::move(input), chosen);
}

std::variant<QtAudioEngine::Input, Error> QtAudioEngine::unlessFallback(Input input,
                                                                        const QString &chosen) const
{
    // Only a fallback carries a notice.
    if (m_fallback == Fallback::DefaultMicrophone || !input.notice)
        return input;
    return error(NoInputDevice, tr("“%1” is not connected.").arg(nameOfChoice(chosen)),
                 {{u"deviceId"_s, chosen}});
}

AudioSourceReader *QtAudioEngine::makeReader(const Input &input,
                                             std::shared_ptr<AudioTapFeeder> feeder,
                                             quint64 readerId)
{
    AudioSourceReader *reader =
        input.qtDevice ? static_cast<AudioSourceReader *>(
                             new AudioInputReader(*input.qtDevice, input.format, std::move(feeder)))
                       : new PulseSourceReader(input.device.id.toUtf8(), std::move(feeder));
    reader->moveToThread(AudioCaptureThread::shared());
    // Emitted on the capture thread; the relay carries it over.
    QObject::connect(
        reader, &AudioSourceReader::failed, reader,
        [this, alive = std::weak_ptr(m_alive), readerId, device = input.device](int reason) {
            MainThreadRelay::instance().post(alive, [this, readerId, device, reason] {
                readerFailed(readerId, device, reason);
            });
        },
        Qt::DirectConnection);
    QObject::connect(
        reader, &AudioSourceReader::serverChanged, reader,
        [this, alive = std::weak_ptr(m_alive)] {
            MainThreadRelay::instance().post(alive, [this] { followDefaultOutput(); });
        },
        Qt::DirectConnection);
    return reader;
}

std::future<int> QtAudioEngine::openDevice(const Input &input)
{
    m_device = input.device;
    m_deviceListedByQt = input.qtDevice.has_value();
    m_readerId = ++m_lastReaderId;
    m_reader = makeReader(input, m_tap.beginHeldRun(), m_readerId);
    return startReader(m_reader);
}

std::optional<Error> QtAudioEngine::openingError(std::optional<int> outcome,
                                                 const AudioInputDevice &device)
{
    if (!outcome) {
        return error(DeviceNotResponding,
                     tr("The microphone “%1” does not respond.").arg(device.description),
                     {{u"deviceId"_s, device.id}});
    }
    if (*outcome != QAudio::NoError) {
        return error(DeviceRefused,
                     tr("The microphone “%1” could not be opened.").arg(device.description),
                     {{u"deviceId"_s, device.id}});
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
    discardSwitch();
    m_tap.endRun();
    // Its destructor lets go of the device, on the capture thread, whenever that is free.
    if (m_reader)
        m_reader->deleteLater();
    m_reader = nullptr;
    m_device = {};
}

void QtAudioEngine::followChoice()
{
    if (!m_running || m_failed || m_switch || chosenInput() == m_appliedChoice)
        return;
    switchInput(std::nullopt);
}

void QtAudioEngine::switchInput(std::optional<Error> cause)
{
    // A move for a failure goes to the default microphone, or for the computer's sound to the
    // output that is the default now; the choice stays what it was.
    const bool followOutput = m_appliedChoice == AudioInputDevice::soundOfThisComputer;
    if (cause && !followOutput && m_fallback == Fallback::None) {
        reportFailure(*cause);
        return;
    }
    m_switch = std::make_shared<Switch>();
    m_switch->cause = cause;
    const QString chosen = !cause ? chosenInput() : followOutput ? m_appliedChoice : QString();
    if (!cause)
        m_appliedChoice = chosen;
    MainThreadRelay::instance().runInBackground(
        [] { return SoundServerProbe::ask(serverTimeout); },
        [this, change = std::weak_ptr(m_switch),
         chosen](const std::optional<SoundServerProbe::Answer> &server) {
            if (!change.expired())
                openSwitch(server, chosen);
        });
}

void QtAudioEngine::openSwitch(const std::optional<SoundServerProbe::Answer> &server,
                               const QString &chosen)
{
    std::variant<Input, Error> choice = chooseInput(server, chosen);
    if (const Error *error = std::get_if<Error>(&choice)) {
        abandonSwitch(*error);
        return;
    }
    Switch &change = *m_switch;
    change.input = std::get<Input>(std::move(choice));
    if (change.cause && !change.input.followsOutput)
        change.input.notice = insteadOf(change.cause->localizedDescription());
    // The device is already the one being captured: nothing to open.
    if (change.input.device.id == m_device.id) {
        if (m_currentFailure) {
            abandonSwitch(*m_currentFailure);
            return;
        }
        const std::optional<QString> notice = change.input.notice;
        m_switch.reset();
        notify(notice);
        followChoice();
        return;
    }
    change.readerId = ++m_lastReaderId;
    change.reader = makeReader(change.input, m_tap.beginNextRun(), change.readerId);
    MainThreadRelay::instance().runInBackground(
        [opening = startReader(change.reader)]() mutable { return waitForOpening(opening); },
        [this, pending = std::weak_ptr(m_switch)](std::optional<int> outcome) {
            if (!pending.expired())
                finishSwitch(outcome);
        });
}

void QtAudioEngine::finishSwitch(std::optional<int> outcome)
{
    Switch &change = *m_switch;
    if (const std::optional<Error> failure = change.readerFailure
                                                 ? change.readerFailure
                                                 : openingError(outcome, change.input.device)) {
        const bool wasFallback = change.cause.has_value();
        discardSwitch();
        if (!wasFallback)
            switchInput(failure);
        else if (m_currentFailure)
            reportFailure(*m_currentFailure);
        else
            notify(failure->localizedDescription());
        return;
    }
    AudioSourceReader *previous = std::exchange(m_reader, std::exchange(change.reader, nullptr));
    m_tap.switchToNextRun();
    previous->deleteLater();
    m_readerId = change.readerId;
    m_device = change.input.device;
    m_deviceListedByQt = change.input.qtDevice.has_value();
    m_currentFailure.reset();
    m_presenceTimer.start();
    const std::optional<QString> notice = change.input.notice;
    m_switch.reset();
    notify(notice);
    followChoice();
}

void QtAudioEngine::abandonSwitch(const Error &error)
{
    discardSwitch();
    if (m_currentFailure)
        reportFailure(*m_currentFailure);
    else
        notify(error.localizedDescription());
}

void QtAudioEngine::discardSwitch()
{
    if (!m_switch)
        return;
    m_tap.dropNextRun();
    if (m_switch->reader)
        m_switch->reader->deleteLater();
    m_switch.reset();
}

void QtAudioEngine::checkDeviceIsPresent()
{
    if (!m_running || m_failed || m_currentFailure || !m_deviceListedByQt)
        return;
    const QList<QAudioDevice> inputs = QMediaDevices::audioInputs();
    const bool present =
        std::any_of(inputs.begin(), inputs.end(),
                    [this](const QAudioDevice &device) { return idOf(device) == m_device.id; });
    if (present)
        return;
    currentInputFailed(error(DeviceDisconnected,
                             tr("The microphone “%1” was disconnected.").arg(m_device.description),
                             {{u"deviceId"_s, m_device.id}}));
}

void QtAudioEngine::followDefaultOutput()
{
    if (!m_running || m_failed || m_currentFailure ||
        m_appliedChoice != AudioInputDevice::soundOfThisComputer || m_switch ||
        std::exchange(m_askingForOutput, true))
        return;
    MainThreadRelay::instance().runInBackground(
        [] { return SoundServerProbe::ask(serverTimeout); },
        [this,
         alive = std::weak_ptr(m_alive)](const std::optional<SoundServerProbe::Answer> &server) {
            if (alive.expired())
                return;
            m_askingForOutput = false;
            // A server that does not answer is noticed by the reader.
            if (!server || !m_running || m_failed || m_currentFailure || m_switch ||
                m_appliedChoice != AudioInputDevice::soundOfThisComputer)
                return;
            const QByteArray monitor = server->defaultSinkMonitor();
            if (monitor != m_device.id.toUtf8() && server->source(monitor))
                switchInput(std::nullopt);
        });
}

void QtAudioEngine::readerFailed(quint64 readerId, const AudioInputDevice &device, int reason)
{
    const Error failure =
        error(DeviceFailed, tr("The microphone “%1” stopped working.").arg(device.description),
              {{u"deviceId"_s, device.id}, {u"qtAudioError"_s, reason}});
    if (m_switch && readerId == m_switch->readerId) {
        m_switch->readerFailure = failure;
        return;
    }
    if (readerId != m_readerId)
        return;
    if (m_running) {
        currentInputFailed(failure);
        return;
    }
    // A device opened for a start to come that fails before it: the start says so.
    if (!m_preparation || !m_reader)
        return;
    if (!m_preparation->error)
        m_preparation->error = failure;
    if (m_preparation->finished)
        endCapture();
}

void QtAudioEngine::currentInputFailed(const Error &error)
{
    if (m_failed || m_currentFailure)
        return;
    m_currentFailure = error;
    m_presenceTimer.stop();
    // Lets go of the device at once; the unplugged one's recording would otherwise be moved by
    // the server to a source of its choosing.
    QMetaObject::invokeMethod(m_reader, &AudioSourceReader::stop, Qt::QueuedConnection);
    // A switch under way replaces it anyway.
    if (!m_switch)
        switchInput(error);
}

void QtAudioEngine::reportFailure(Error error)
{
    if (m_failed)
        return;
    m_failed = true;
    m_presenceTimer.stop();
    discardSwitch();
    m_tap.closeRun();
    QMetaObject::invokeMethod(m_reader, &AudioSourceReader::stop, Qt::QueuedConnection);
    // The handler may stop the engine, which frees the failure kept here and may replace the
    // handler: both are called from copies.
    if (const std::function<void(const Error &)> handler = m_failureHandler)
        handler(error);
}

void QtAudioEngine::notify(const std::optional<QString> &message) const
{
    if (message && m_noticeHandler)
        m_noticeHandler(*message);
}

Error QtAudioEngine::error(ErrorCode code, const QString &text, QVariantMap userInfo)
{
    userInfo.insert(Error::localizedDescriptionKey, text);
    return Error(errorDomain, code, std::move(userInfo));
}
