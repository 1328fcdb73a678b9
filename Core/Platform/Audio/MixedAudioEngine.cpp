// SPDX-License-Identifier: GPL-3.0-or-later
#include "MixedAudioEngine.h"

#include <QCoreApplication>
#include <QFutureWatcher>
#include <cmath>

namespace {

using Source = AudioStreamMixer::Source;
constexpr std::array sources{AudioStreamMixer::Microphone, AudioStreamMixer::ComputerSound};
constexpr double commonDeviceRate = 48000;

Source otherThan(Source source)
{
    return source == AudioStreamMixer::Microphone ? AudioStreamMixer::ComputerSound
                                                  : AudioStreamMixer::Microphone;
}

} // namespace

MixedAudioEngine::MixedAudioEngine(std::unique_ptr<AudioEngine> microphone,
                                   std::unique_ptr<AudioEngine> computerSound, Inclusion included,
                                   int outputRate)
    : m_engines{std::move(microphone), std::move(computerSound)}
    , m_inclusion(std::move(included))
    , m_outputRate(outputRate)
{
    for (const Source source : sources) {
        AudioEngine &engine = *m_engines[source];
        engine.setFailureHandler([this, source](const Error &error) { lose(source, error); });
        engine.setNoticeHandler([this](const QString &message) { notify(message); });
    }
    if (m_inclusion.watch)
        m_inclusion.watch(&m_mainThread, [this] { followInclusion(); });
}

MixedAudioEngine::~MixedAudioEngine()
{
    stop();
    removeTap();
}

QList<float> MixedAudioEngine::inputLevels() const
{
    if (!m_running || !m_included || !m_mixer)
        return {};
    return {m_mixer->level(AudioStreamMixer::Microphone),
            m_mixer->level(AudioStreamMixer::ComputerSound)};
}

bool MixedAudioEngine::isRunning() const
{
    return m_running;
}

void MixedAudioEngine::installTap(int frameCount, Tap tap)
{
    removeTap();
    // The frame count asked for is a device's, commonly at 48 kHz: chunks of that many frames at
    // the lower output rate would hold the audio back three times as long.
    const int chunkFrames =
        std::max(1, int(std::lround(double(frameCount) * m_outputRate / commonDeviceRate)));
    m_mixer = std::make_shared<AudioStreamMixer>(m_outputRate, chunkFrames, std::move(tap));
    for (const Source source : sources) {
        m_engines[source]->installTap(frameCount,
                                      [mixer = m_mixer, source](const AudioBufferPtr &buffer) {
                                          mixer->append(source, buffer);
                                      });
    }
}

void MixedAudioEngine::removeTap()
{
    for (const std::unique_ptr<AudioEngine> &engine : m_engines)
        engine->removeTap();
    m_mixer.reset();
}

void MixedAudioEngine::prepare()
{
    for (const std::unique_ptr<AudioEngine> &engine : m_engines)
        engine->prepare();
}

QFuture<void> MixedAudioEngine::prepareToStart()
{
    QList<QFuture<void>> each{m_engines[AudioStreamMixer::Microphone]->prepareToStart()};
    if (computerSoundChosen())
        each.append(m_engines[AudioStreamMixer::ComputerSound]->prepareToStart());
    return QtFuture::whenAll(each.begin(), each.end()).then([](const QList<QFuture<void>> &) {});
}

std::optional<Error> MixedAudioEngine::start()
{
    if (m_running)
        return std::nullopt;
    ++m_attempt;
    m_included = computerSoundChosen();
    std::optional<Error> firstError;
    for (const Source source : sources) {
        if (source == AudioStreamMixer::ComputerSound && !m_included)
            continue;
        const std::optional<Error> error = m_engines[source]->start();
        m_heard[source] = !error;
        m_losses[source] = error;
        if (!firstError)
            firstError = error;
    }
    if (!m_heard[AudioStreamMixer::Microphone] && !m_heard[AudioStreamMixer::ComputerSound]) {
        stop();
        return firstError;
    }
    m_running = true;
    if (firstError)
        notify(lossNotice(m_heard[AudioStreamMixer::Microphone] ? AudioStreamMixer::ComputerSound
                                                                : AudioStreamMixer::Microphone));
    return std::nullopt;
}

void MixedAudioEngine::stop()
{
    ++m_attempt;
    for (const std::unique_ptr<AudioEngine> &engine : m_engines)
        engine->stop();
    m_heard = {};
    m_running = false;
}

void MixedAudioEngine::setFailureHandler(std::function<void(const Error &)> handler)
{
    m_failureHandler = std::move(handler);
}

void MixedAudioEngine::setNoticeHandler(std::function<void(const QString &)> handler)
{
    m_noticeHandler = std::move(handler);
}

bool MixedAudioEngine::computerSoundChosen() const
{
    return !m_inclusion.read || m_inclusion.read();
}

void MixedAudioEngine::followInclusion()
{
    const bool included = computerSoundChosen();
    if (!m_running || included == m_included)
        return;
    m_included = included;
    AudioEngine &computerSound = *m_engines[AudioStreamMixer::ComputerSound];
    const quint64 attempt = ++m_attempt;
    if (!included) {
        computerSound.stop();
        m_heard[AudioStreamMixer::ComputerSound] = false;
        if (m_mixer)
            m_mixer->removeSource(AudioStreamMixer::ComputerSound);
        // The microphone was lost before: nothing is left to hear.
        const std::optional<Error> loss = m_losses[AudioStreamMixer::Microphone];
        if (!m_heard[AudioStreamMixer::Microphone] && loss && m_failureHandler)
            m_failureHandler(*loss);
        return;
    }
    // Prepared off the main thread, as a start is. Watched rather than continued with then(),
    // whose continuation Qt 6.4 may run inside the preparation's own finish().
    auto *preparation = new QFutureWatcher<void>(&m_mainThread);
    QObject::connect(preparation, &QFutureWatcherBase::finished, &m_mainThread,
                     [this, preparation, attempt] {
                         preparation->deleteLater();
                         startComputerSound(attempt);
                     });
    preparation->setFuture(computerSound.prepareToStart());
}

void MixedAudioEngine::startComputerSound(quint64 attempt)
{
    if (attempt != m_attempt || !m_running)
        return;
    const std::optional<Error> error = m_engines[AudioStreamMixer::ComputerSound]->start();
    m_heard[AudioStreamMixer::ComputerSound] = !error;
    if (error)
        notify(lossNotice(AudioStreamMixer::ComputerSound));
}

void MixedAudioEngine::lose(Source source, const Error &error)
{
    if (!std::exchange(m_heard[source], false))
        return;
    m_losses[source] = error;
    if (m_mixer)
        m_mixer->removeSource(source);
    if (!m_heard[otherThan(source)]) {
        if (m_failureHandler)
            m_failureHandler(error);
        return;
    }
    notify(lossNotice(source));
}

QString MixedAudioEngine::lossNotice(Source source)
{
    return source == AudioStreamMixer::Microphone
               ? QCoreApplication::translate(
                     "MixedAudioEngine",
                     "The microphone cannot be heard. Listening to the computer's sound alone.")
               : QCoreApplication::translate(
                     "MixedAudioEngine",
                     "The computer's sound cannot be heard. Listening to the microphone alone.");
}

void MixedAudioEngine::notify(const QString &message) const
{
    if (m_noticeHandler)
        m_noticeHandler(message);
}
