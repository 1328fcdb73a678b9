// SPDX-License-Identifier: GPL-3.0-or-later
#include "MixedAudioEngine.h"

#include <QCoreApplication>

namespace {

constexpr std::array sources{AudioStreamMixer::Microphone, AudioStreamMixer::ComputerSound};

} // namespace

MixedAudioEngine::MixedAudioEngine(std::unique_ptr<AudioEngine> microphone,
                                   std::unique_ptr<AudioEngine> computerSound, int outputRate)
    : m_engines{std::move(microphone), std::move(computerSound)}
    , m_outputRate(outputRate)
{
    for (const AudioStreamMixer::Source source : sources) {
        AudioEngine &engine = *m_engines[source];
        engine.setFailureHandler([this, source](const Error &error) { lose(source, error); });
        engine.setNoticeHandler([this](const QString &message) {
            if (m_noticeHandler)
                m_noticeHandler(message);
        });
    }
}

MixedAudioEngine::~MixedAudioEngine()
{
    stop();
    removeTap();
}

float MixedAudioEngine::level(AudioStreamMixer::Source source) const
{
    const std::shared_ptr<AudioStreamMixer> mixer = m_mixer;
    return mixer ? mixer->level(source) : 0.0f;
}

bool MixedAudioEngine::isRunning() const
{
    return m_engines[0]->isRunning() || m_engines[1]->isRunning();
}

void MixedAudioEngine::installTap(int frameCount, Tap tap)
{
    removeTap();
    m_mixer = std::make_shared<AudioStreamMixer>(m_outputRate, frameCount, std::move(tap));
    for (const AudioStreamMixer::Source source : sources) {
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
    QList<QFuture<void>> both{m_engines[0]->prepareToStart(), m_engines[1]->prepareToStart()};
    return QtFuture::whenAll(both.begin(), both.end()).then([](const QList<QFuture<void>> &) {});
}

std::optional<Error> MixedAudioEngine::start()
{
    std::array<std::optional<Error>, 2> errors;
    for (const AudioStreamMixer::Source source : sources) {
        errors[source] = m_engines[source]->start();
        m_heard[source] = !errors[source];
    }
    if (errors[0] && errors[1]) {
        stop();
        return errors[0];
    }
    for (const AudioStreamMixer::Source source : sources) {
        if (errors[source]) {
            if (m_mixer)
                m_mixer->removeSource(source);
            if (m_noticeHandler)
                m_noticeHandler(lossNotice(source));
        }
    }
    return std::nullopt;
}

void MixedAudioEngine::stop()
{
    for (const std::unique_ptr<AudioEngine> &engine : m_engines)
        engine->stop();
    m_heard = {};
}

void MixedAudioEngine::setFailureHandler(std::function<void(const Error &)> handler)
{
    m_failureHandler = std::move(handler);
}

void MixedAudioEngine::setNoticeHandler(std::function<void(const QString &)> handler)
{
    m_noticeHandler = std::move(handler);
}

void MixedAudioEngine::lose(AudioStreamMixer::Source source, const Error &error)
{
    if (!std::exchange(m_heard[source], false))
        return;
    if (m_mixer)
        m_mixer->removeSource(source);
    const AudioStreamMixer::Source other = source == AudioStreamMixer::Microphone
                                               ? AudioStreamMixer::ComputerSound
                                               : AudioStreamMixer::Microphone;
    if (!m_heard[other]) {
        if (m_failureHandler)
            m_failureHandler(error);
        return;
    }
    if (m_noticeHandler)
        m_noticeHandler(lossNotice(source));
}

QString MixedAudioEngine::lossNotice(AudioStreamMixer::Source source)
{
    return source == AudioStreamMixer::Microphone
               ? QCoreApplication::translate(
                     "MixedAudioEngine",
                     "The microphone cannot be heard. Listening to the computer's sound alone.")
               : QCoreApplication::translate(
                     "MixedAudioEngine",
                     "The computer's sound cannot be heard. Listening to the microphone alone.");
}
