// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "Platform/Audio/AudioEngine.h"

#include <QObject>
#include <QTimer>
#include <condition_variable>
#include <memory>
#include <mutex>

class ListeningModel;

/// Hands on another engine's audio no faster than recognition takes it.
///
/// For a file read faster than real time: at each reset the listening model replays the newest
/// half of the audio captured so far, which overlaps what the old task heard only while capture is
/// a little ahead of recognition, as with a microphone. Unpaced, a whole file would be captured in
/// a moment and the audio between the old task's end and the replay would never be heard.
class RecognitionPacedAudioEngine : public QObject, public AudioEngine
{
    Q_OBJECT

public:
    explicit RecognitionPacedAudioEngine(std::unique_ptr<AudioEngine> source);
    ~RecognitionPacedAudioEngine() override;

    /// Paces delivery by what \a model has recognised. Main thread.
    void follow(const ListeningModel &model);

    bool isRunning() const override { return m_source->isRunning(); }
    void installTap(int frameCount, Tap tap) override;
    void removeTap() override;
    void prepare() override { m_source->prepare(); }
    std::optional<Error> start() override;
    void stop() override;
    void setFailureHandler(std::function<void(const Error &)> handler) override
    {
        m_source->setFailureHandler(std::move(handler));
    }
    void setEndOfInputHandler(std::function<void()> handler) override
    {
        m_source->setEndOfInputHandler(std::move(handler));
    }

private:
    void updateAllowance();
    void taskReplaced(double processedAudioDuration, double replayedAudioDuration);
    void release();

    std::unique_ptr<AudioEngine> m_source;
    const ListeningModel *m_model = nullptr;
    QTimer m_poll;

    // Shared with the delivery thread.
    std::mutex m_lock;
    std::condition_variable m_allowanceGrew;
    double m_deliveredSeconds = 0;
    double m_allowedSeconds = 0;
    bool m_released = false;

    // Main thread: the live audio recognised by the tasks before the current one, and how much
    // replayed audio the current one heard first.
    double m_recognisedBefore = 0;
    double m_currentReplay = 0;
};
