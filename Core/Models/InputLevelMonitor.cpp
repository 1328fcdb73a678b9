// SPDX-License-Identifier: GPL-3.0-or-later
#include "InputLevelMonitor.h"

#include "Platform/Settings/SettingsKeys.h"

#include <QFutureWatcher>
#include <cmath>
#include <numbers>

using namespace std::chrono_literals;

namespace {

constexpr auto publishInterval = 33ms;
constexpr double floorDecibels = -60;
// The whole scale in about a second: slow enough to read, quick enough to show a pause.
constexpr double fallPerPublication = 1.0 / 30;
constexpr int tapFrameCount = 1024;

} // namespace

InputLevelMonitor::InputLevelMonitor(EngineFactory makeEngine, QObject *parent)
    : QObject(parent)
    , m_makeEngine(std::move(makeEngine))
    , m_chosenInput(Setting(SettingsKeys::selectedInputDevice).value())
{
    m_publisher.setInterval(publishInterval);
    connect(&m_publisher, &QTimer::timeout, this, &InputLevelMonitor::publish);
    Setting(SettingsKeys::selectedInputDevice).onChange(this, [this] { restartOnNewChoice(); });
}

InputLevelMonitor::~InputLevelMonitor()
{
    // Before the peak the tap writes to goes.
    stop();
}

double InputLevelMonitor::levelOfPeak(float peak)
{
    if (peak <= 0)
        return 0;
    const double decibels = 20 * std::log10(double(peak));
    return std::clamp((decibels - floorDecibels) / -floorDecibels, 0.0, 1.0);
}

double InputLevelMonitor::levelOfRms(float rms)
{
    return levelOfPeak(rms * std::numbers::sqrt2_v<float>);
}

void InputLevelMonitor::setActive(bool active)
{
    if (active == m_active)
        return;
    m_active = active;
    if (active)
        start();
    else
        stop();
}

void InputLevelMonitor::start()
{
    if (!m_engine) {
        m_engine = m_makeEngine();
        m_engine->installTap(tapFrameCount,
                             [this](const AudioBufferPtr &buffer) { measure(buffer); });
        m_engine->setFailureHandler([this](const Error &error) {
            setMessage(error.localizedDescription());
            m_peak = 0;
            setLevel(0);
        });
        m_engine->setNoticeHandler([this](const QString &notice) { setMessage(notice); });
    }
    setMessage({});
    m_publisher.start();
    // Prepared off the main thread, then started on it: a slow server keeps no window waiting.
    // Watched rather than continued with then(), whose continuation Qt 6.4 runs inside the
    // promise's finish() when on the same thread, where the start's release of the promise would
    // deadlock.
    auto *preparation = new QFutureWatcher<void>(this);
    connect(preparation, &QFutureWatcherBase::finished, this,
            [this, preparation, attempt = ++m_attempt] {
                preparation->deleteLater();
                startPrepared(attempt);
            });
    preparation->setFuture(m_engine->prepareToStart());
}

void InputLevelMonitor::startPrepared(quint64 attempt)
{
    if (attempt != m_attempt || !m_active)
        return;
    if (const std::optional<Error> error = m_engine->start())
        setMessage(error->localizedDescription());
}

void InputLevelMonitor::stop()
{
    ++m_attempt;
    m_publisher.stop();
    if (m_engine)
        m_engine->stop();
    m_peak = 0;
    publishInputLevels();
    setLevel(0);
}

void InputLevelMonitor::restartOnNewChoice()
{
    const QString chosen = Setting(SettingsKeys::selectedInputDevice).value();
    if (chosen == std::exchange(m_chosenInput, chosen) || !m_active)
        return;
    stop();
    start();
}

void InputLevelMonitor::measure(const AudioBufferPtr &buffer)
{
    float peak = 0;
    for (const float sample : buffer->samples())
        peak = std::max(peak, std::abs(sample));
    float kept = m_peak.load(std::memory_order_relaxed);
    while (peak > kept && !m_peak.compare_exchange_weak(kept, peak, std::memory_order_relaxed)) {
    }
}

void InputLevelMonitor::publish()
{
    const double measured = levelOfPeak(m_peak.exchange(0, std::memory_order_relaxed));
    publishInputLevels();
    setLevel(std::max(measured, m_level - fallPerPublication));
}

void InputLevelMonitor::publishInputLevels()
{
    const QList<float> levels = m_engine ? m_engine->inputLevels() : QList<float>();
    const bool mixing = levels.size() == int(m_inputLevels.size());
    std::array<double, 2> next{};
    for (std::size_t input = 0; mixing && input < next.size(); ++input)
        next[input] = std::max(levelOfRms(levels[qsizetype(input)]),
                               m_inputLevels[input] - fallPerPublication);
    if (mixing == m_mixing && next == m_inputLevels)
        return;
    m_mixing = mixing;
    m_inputLevels = next;
    Q_EMIT levelChanged();
}

void InputLevelMonitor::setLevel(double level)
{
    level = std::max(level, 0.0);
    if (level == m_level)
        return;
    m_level = level;
    Q_EMIT levelChanged();
}

void InputLevelMonitor::setMessage(const QString &message)
{
    if (message == m_message)
        return;
    m_message = message;
    Q_EMIT messageChanged();
}
