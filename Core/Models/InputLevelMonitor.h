// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "Platform/Audio/AudioEngine.h"

#include <QObject>
#include <QTimer>
#include <atomic>
#include <functional>
#include <memory>

/// How loud the chosen input is, for a level meter: captures while active, and publishes a
/// smoothed level about 30 times a second.
///
/// The level runs from 0 (-60 dBFS and quieter) to 1 (full scale), on a decibel scale so that
/// speech moves it visibly; it rises at once and falls by about the whole scale a second. A change
/// of the chosen input restarts capture. Main thread, but for the capture tap, which only keeps
/// the loudest sample it has seen in an atomic.
class InputLevelMonitor : public QObject
{
    Q_OBJECT
    Q_PROPERTY(double level READ level NOTIFY levelChanged)
    Q_PROPERTY(QString message READ message NOTIFY messageChanged)

public:
    using EngineFactory = std::function<std::unique_ptr<AudioEngine>()>;

    /// Captures with an engine that \a makeEngine makes on the first activation.
    explicit InputLevelMonitor(EngineFactory makeEngine, QObject *parent = nullptr);
    ~InputLevelMonitor() override;

    /// From 0 to 1.
    double level() const { return m_level; }
    /// Why there is no level to show, or which input is heard instead of the chosen one; empty
    /// when there is nothing to say.
    QString message() const { return m_message; }

    bool isActive() const { return m_active; }
    /// Starts capture (true) or stops it (false).
    void setActive(bool active);

    /// Where a sample of magnitude \a peak stands on the level's scale.
    static double levelOfPeak(float peak);

Q_SIGNALS:
    void levelChanged();
    void messageChanged();

private:
    void start();
    void stop();
    void restartOnNewChoice();
    /// Main thread, once the engine is prepared: start \a attempt, unless a later one has begun.
    void startPrepared(quint64 attempt);
    /// Capture thread.
    void measure(const AudioBufferPtr &buffer);
    void publish();
    void setLevel(double level);
    void setMessage(const QString &message);

    const EngineFactory m_makeEngine;
    std::unique_ptr<AudioEngine> m_engine;
    /// The loudest sample's magnitude since the last publication.
    std::atomic<float> m_peak = 0;
    QTimer m_publisher;
    double m_level = 0;
    QString m_message;
    bool m_active = false;
    /// Counts the starts, so that a preparation for an earlier one is recognised.
    quint64 m_attempt = 0;
    QString m_chosenInput;
};
