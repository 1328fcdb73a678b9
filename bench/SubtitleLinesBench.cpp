// SPDX-License-Identifier: GPL-3.0-or-later
// What several subtitle lines cost: the window shows 5 lines with a thick outline and the
// translation (English to Spanish, from a stand-in translator that answers after 10 ms), docked
// nowhere, and recognition is scripted as a real run goes: a task of 30 s, then one after
// another that replays the last 15 s, a hypothesis every 0.1 s of audio, a word every 0.4 s and a
// sentence end after every twelfth word.
//   - per hypothesis, for the first 2000 (200 s of speech, one every 25 ms so that translations
//     come back between them): the main thread's CPU time until the next one, which holds the
//     run's models, the translation's answer and the repaint; and from the hypothesis to its
//     pixels, the X server having answered a round trip after the repaint;
//   - the process's resident memory after 200 s and after an hour of speech, the rest of the hour
//     replayed as fast as the window repaints.
// Run it on a real X display, such as the test desktop:
//   scripts/desktop build/bench/voxlume-bench-subtitle-lines [minutes, default 60] [lines, 5]

#include "DisplaySync.h"
#include "FakeTranslationService.h"
#include "Models/SubtitleOverlayWindowModel.h"
#include "Percentile.h"
#include "Platform/Audio/ManualAudioEngine.h"
#include "Platform/Settings/SettingsKeys.h"
#include "Platform/Speech/Scripted/ScriptedSpeechService.h"
#include "Platform/Store/ModelContainer.h"
#include "Prose.h"
#include "Views/AppMenuModel.h"
#include "Views/SubtitleWindow.h"

#include <QElapsedTimer>
#include <QFile>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTimer>
#include <QWindow>
#include <cstdio>
#include <ctime>
#include <malloc.h>

using namespace Qt::Literals::StringLiterals;

namespace {

constexpr double wordSpacing = 0.4;
constexpr int wordsPerSentence = 12;
constexpr int timedHypotheses = 2000;
constexpr auto timedPace = std::chrono::milliseconds(25);

double threadMilliseconds()
{
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return double(now.tv_sec) * 1e3 + double(now.tv_nsec) / 1e6;
}

QString residentMemory()
{
    QFile status(u"/proc/self/status"_s);
    if (!status.open(QIODevice::ReadOnly))
        return u"?"_s;
    for (const QByteArray &line : status.readAll().split('\n')) {
        if (line.startsWith("VmRSS:"))
            return QString::fromLatin1(line.mid(6).simplified());
    }
    return u"?"_s;
}

/// The run's words, each said wordSpacing seconds after the one before.
class Speech
{
public:
    explicit Speech(qsizetype count)
    {
        QRandomGenerator random(7);
        while (m_words.size() < count)
            m_words << prose(4000, random).split(u' ', Qt::SkipEmptyParts);
    }

    /// What a task whose audio begins at \a taskStart has heard after \a processed seconds.
    Transcription heard(double taskStart, double processed) const
    {
        Transcription hypothesis;
        for (auto i = qsizetype(std::ceil(taskStart / wordSpacing));
             i < m_words.size() && i * wordSpacing + 0.2 <= taskStart + processed; ++i) {
            if (!hypothesis.formattedString.isEmpty())
                hypothesis.formattedString += u' ';
            QString word = m_words.at(i);
            word.remove(u'.');
            hypothesis.segments.append(
                {hypothesis.formattedString.size(), word.size(), i * wordSpacing - taskStart});
            hypothesis.formattedString +=
                word + (i % wordsPerSentence == wordsPerSentence - 1 ? u"."_s : QString());
        }
        return hypothesis;
    }

private:
    QStringList m_words;
};

/// Handles events until \a done or \a deadline, asleep while there are none.
void waitUntil(const QDeadlineTimer &deadline, const std::function<bool()> &done)
{
    QTimer wake;
    wake.setSingleShot(true);
    wake.setTimerType(Qt::PreciseTimer);
    while (!done() && !deadline.hasExpired()) {
        wake.start(std::chrono::milliseconds(std::max<qint64>(1, deadline.remainingTime())));
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    }
}

AudioBufferPtr oneSecondBuffer()
{
    return std::make_shared<const AudioBuffer>(1000, 1, std::vector<float>(1000, 0.f));
}

} // namespace

int main(int argc, char *argv[])
{
    QTemporaryDir home;
    qputenv("XDG_CONFIG_HOME", home.filePath(u"config"_s).toLocal8Bit());
    QApplication application(argc, argv);
    const double minutes = argc > 1 ? std::max(4.0, atof(argv[1])) : 60.0;
    noteWhenNotX11();

    const Language english(u"en"_s, {}, u"US"_s);
    const Language spanish(u"es"_s, {}, u"ES"_s);
    Setting(SettingsKeys::selectedFromLanguage).setValue(english);
    Setting(SettingsKeys::selectedToLanguage).setValue(spanish);
    const int lines = argc > 2 ? std::clamp(atoi(argv[2]), 1, 5) : 5;
    Setting(SettingsKeys::subtitleLines).setValue(lines);
    Setting(SettingsKeys::textOutline).setValue(u"thick"_s);

    const std::unique_ptr<ModelContainer> store = ModelContainer::inMemory();
    const auto speech = std::make_shared<ScriptedSpeechService>();
    const auto translation = std::make_shared<FakeTranslationService>();
    translation->setStatus(english, spanish, TranslationService::Status::Installed);
    ManualAudioEngine *engine = nullptr;
    AppMenuModel controller([&] {
        auto audio = std::make_unique<ManualAudioEngine>();
        engine = audio.get();
        return std::make_unique<SubtitleOverlayWindowModel>(speech, std::move(audio), translation,
                                                            *store);
    });
    controller.startLiveSubtitles();
    SubtitleWindow *window = controller.subtitleWindow();
    while (!window->windowHandle()->isExposed() || speech->tasks().isEmpty())
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    std::printf("window %dx%d for %d lines\n", window->width(), window->height(), lines);

    const Speech words(qsizetype(minutes * 60 / wordSpacing) + 100);
    RepaintWatch watch(window);
    QList<double> cpu;
    QList<double> toPixels;
    QElapsedTimer clock;
    ScriptedRecognitionTask *task = speech->tasks().last();
    double taskStart = 0;
    int tick = 0;
    qsizetype hypotheses = 0;
    QString memoryAfterTimed;
    QString said;
    while (taskStart + tick / 10.0 < minutes * 60) {
        ++tick;
        if (tick % 10 == 0)
            engine->deliver(oneSecondBuffer());
        // As a recogniser consumes its audio: the scripted service keeps every task it made, and
        // would keep the hour's audio with them.
        task->takeAudioDuration();
        const bool timed = hypotheses < timedHypotheses;
        const double cpuBefore = threadMilliseconds();
        clock.start();
        watch.repainted = false;
        const qsizetype tasks = speech->tasks().size();
        task->processAudio(tick / 10.0);
        const Transcription heard = words.heard(taskStart, tick / 10.0);
        const bool saysMore = heard.formattedString != said;
        said = heard.formattedString;
        task->hypothesize(heard);
        ++hypotheses;
        // A hypothesis without a new word changes nothing on screen, and is not waited for.
        const QDeadlineTimer paced(timed      ? timedPace
                                   : saysMore ? std::chrono::milliseconds(100)
                                              : std::chrono::milliseconds(0));
        waitUntil(paced, [&] { return watch.repainted; });
        if (timed) {
            if (watch.repainted) {
                syncWithServer();
                toPixels.append(double(clock.nsecsElapsed()) / 1e6);
            }
            waitUntil(paced, [] { return false; });
            cpu.append(threadMilliseconds() - cpuBefore);
            if (hypotheses == timedHypotheses)
                memoryAfterTimed = residentMemory();
        }
        if (speech->tasks().size() == tasks)
            continue;
        // Replaced: the new task replays the last 15 s and catches up at once.
        task = speech->tasks().last();
        taskStart += 15;
        tick = 150;
        task->processAudio(tick / 10.0);
        task->hypothesize(words.heard(taskStart, tick / 10.0));
        said.clear();
    }
    QCoreApplication::processEvents();
    std::printf("main thread per hypothesis at %d lines, thick outline, translated, %lld "
                "hypotheses: median %.2f ms, 95th percentile %.2f ms, longest %.2f ms\n",
                lines, qlonglong(cpu.size()), percentile(cpu, 0.5), percentile(cpu, 0.95),
                percentile(cpu, 1.0));
    std::printf("hypothesis to pixels: median %.2f ms, 95th percentile %.2f ms, longest %.2f ms\n",
                percentile(toPixels, 0.5), percentile(toPixels, 0.95), percentile(toPixels, 1.0));
    std::printf("resident memory: after %.0f s of speech %s, after %.0f min (%lld hypotheses) %s\n",
                timedHypotheses / 10.0, qPrintable(memoryAfterTimed), minutes,
                qlonglong(hypotheses), qPrintable(residentMemory()));
    // What the allocator keeps but the program no longer holds.
    malloc_trim(0);
    std::printf("  once the allocator has given back its free memory: %s\n",
                qPrintable(residentMemory()));
    window->close();
    return 0;
}
