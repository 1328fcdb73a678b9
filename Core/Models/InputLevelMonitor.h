// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "Platform/Audio/AudioEngine.h"

#include <QObject>
#include <QTimer>
#include <array>
#include <atomic>
#include <functional>
#include <memory>

/// How loud the chosen input is, for a level meter: captures while active, and publishes a
/// smoothed level about 30 times a second.
///
/// The level runs from 0 (-60 dBFS and quieter) to 1 (full scale), on a decibel scale so that
/// speech moves it visibly; it rises at once and falls by about the whole scale a second. While the
/// microphone and the computer's sound are mixed, each has a level of its own too. A change of the
/// chosen input restarts capture. Main thread, but for the capture tap, which only keeps
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

    /// The inputs an engine may mix, by AudioStreamMixer's order.
    enum Input { Microphone = 0, ComputerSound = 1 };

    /// From 0 to 1.
    double level() const { return m_level; }
    /// Whether the microphone and the computer's sound are both captured, each with its level.
    bool isMixing() const { return m_mixing; }
    /// The level of \a input while mixing, from 0 to 1; otherwise the level of all that is heard.
    double level(Input input) const { return m_mixing ? m_inputLevels[input] : m_level; }
    /// Why there is no level to show, or which input is heard instead of the chosen one; empty
    /// when there is nothing to say.
    QString message() const { return m_message; }

    bool isActive() const { return m_active; }
    /// Starts capture (true) or stops it (false).
    void setActive(bool active);

    /// Where a sample of magnitude \a peak stands on the level's scale.
    static double levelOfPeak(float peak);
    /// Where a stretch of sound with the RMS level \a rms stands on that scale: as a steady tone
    /// of that level, whose peak is higher by the square root of two.
    static double levelOfRms(float rms);

Q_SIGNALS:
    /// A level, or whether the inputs are mixed, has changed.
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
    /// The inputs' levels, from the engine: none when it does not mix.
    void publishInputLevels();
    void setLevel(double level);
    void setMessage(const QString &message);

    const EngineFactory m_makeEngine;
    std::unique_ptr<AudioEngine> m_engine;
    /// The loudest sample's magnitude since the last publication.
    std::atomic<float> m_peak = 0;
    QTimer m_publisher;
    double m_level = 0;
    bool m_mixing = false;
    std::array<double, 2> m_inputLevels{};
    QString m_message;
    bool m_active = false;
    /// Counts the starts, so that a preparation for an earlier one is recognised.
    quint64 m_attempt = 0;
    QString m_chosenInput;
};
