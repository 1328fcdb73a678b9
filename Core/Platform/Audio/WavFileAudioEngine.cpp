// SPDX-License-Identifier: GPL-3.0-or-later
#include "WavFileAudioEngine.h"

#include "Base/MainThreadRelay.h"
#include "WavFile.h"

WavFileAudioEngine::WavFileAudioEngine(QString path, Pacing pacing)
    : m_path(std::move(path))
    , m_pacing(pacing)
{
    // Made here, on the main thread, before the delivery thread may report through it.
    MainThreadRelay::instance();
}

WavFileAudioEngine::~WavFileAudioEngine()
{
    stop();
}

void WavFileAudioEngine::installTap(int frameCount, Tap tap)
{
    m_tap.install(frameCount, std::move(tap));
}

void WavFileAudioEngine::removeTap()
{
    m_tap.remove();
}

std::optional<Error> WavFileAudioEngine::start()
{
    if (m_running)
        return std::nullopt;
    std::variant<WavFile, Error> opened = WavFile::open(m_path);
    if (Error *error = std::get_if<Error>(&opened))
        return *error;

    WavFile &file = std::get<WavFile>(opened);
    std::shared_ptr<AudioTapFeeder> feeder = m_tap.beginRun();
    feeder->setFormat(file.sampleRate(), file.channelCount());
    m_stopRequested = false;
    m_running = true;
    m_thread = std::thread(&WavFileAudioEngine::deliver, this, std::move(file), std::move(feeder),
                           std::max(m_tap.frameCount(), 1), ++m_run);
    return std::nullopt;
}

void WavFileAudioEngine::stop()
{
    if (!m_running)
        return;
    {
        const std::lock_guard lock(m_mutex);
        m_stopRequested = true;
    }
    m_stopped.notify_all();
    m_thread.join();
    m_tap.endRun();
    m_running = false;
}

void WavFileAudioEngine::setFailureHandler(std::function<void(const Error &)> handler)
{
    m_failureHandler = std::move(handler);
}

void WavFileAudioEngine::setEndOfInputHandler(std::function<void()> handler)
{
    m_endOfInputHandler = std::move(handler);
}

void WavFileAudioEngine::deliver(WavFile file, std::shared_ptr<AudioTapFeeder> feeder,
                                 int framesPerRead, quint64 run)
{
    const Clock::time_point start = Clock::now();
    qsizetype framesRead = 0;
    std::vector<float> samples;
    while (framesRead < file.frameCount()) {
        samples.clear();
        if (std::optional<Error> error = file.readFrames(framesPerRead, samples)) {
            reportToMainThread(run, [this, error = *error] {
                if (m_failureHandler)
                    m_failureHandler(error);
            });
            return;
        }
        framesRead += qsizetype(samples.size()) / file.channelCount();
        // Deadlines count from the start, so that waking late now and then does not add up. In
        // fast mode every deadline has passed already, and the sleep only looks for stop().
        const std::chrono::duration<double> capturedAt(double(framesRead) / file.sampleRate());
        const Clock::time_point deadline =
            m_pacing == Pacing::RealTime
                ? start + std::chrono::duration_cast<Clock::duration>(capturedAt)
                : start;
        if (!sleepUntil(deadline))
            return;
        feeder->append(samples);
    }
    feeder->flush();
    reportToMainThread(run, [this] {
        if (m_endOfInputHandler)
            m_endOfInputHandler();
    });
}

bool WavFileAudioEngine::sleepUntil(Clock::time_point deadline)
{
    std::unique_lock lock(m_mutex);
    return !m_stopped.wait_until(lock, deadline, [this] { return m_stopRequested; });
}

void WavFileAudioEngine::reportToMainThread(quint64 run, std::function<void()> report)
{
    MainThreadRelay::instance().post(std::weak_ptr(m_alive),
                                     [this, run, report = std::move(report)] {
                                         if (m_running && run == m_run)
                                             report();
                                     });
}
