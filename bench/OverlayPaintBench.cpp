// SPDX-License-Identifier: GPL-3.0-or-later
// What the subtitle window costs the main thread, with recognition scripted so that only the
// window is measured:
//   - opening a window and closing it again: how long each call holds the main thread (the first
//     opening loads fonts and icons);
//   - from a settings change to the subtitles' new pixels, and opening the settings window;
//   - re-placing the window: docking it at the bottom of its screen (its strip kept from other
//     windows) and floating it again, each until the X server has had the requests;
//   - from a recognition hypothesis to its pixels: the window's repaint is done, its image handed
//     to the window system, and the X server has answered a round trip after it (so it has the
//     image).
// Run it on a real X display, such as the test desktop:
//   scripts/desktop build/bench/voxlume-bench-overlay-paint [hypotheses, default 300]

#include "DisplaySync.h"
#include "FakeTranslationService.h"
#include "Models/SubtitleOverlayWindowModel.h"
#include "Percentile.h"
#include "Platform/Audio/ManualAudioEngine.h"
#include "Platform/Settings/SettingsKeys.h"
#include "Platform/Speech/Scripted/ScriptedSpeechService.h"
#include "Platform/Store/ModelContainer.h"
#include "TimedWords.h"
#include "Views/AppMenuModel.h"
#include "Views/SettingsView.h"
#include "Views/SubtitleWindow.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QGuiApplication>
#include <QScreen>
#include <QTemporaryDir>
#include <QTimer>
#include <QWindow>
#include <cstdio>

using namespace Qt::Literals::StringLiterals;

namespace {

constexpr int openCloseRounds = 10;
constexpr int settingsChanges = 50;
constexpr int placements = 40;

} // namespace

int main(int argc, char *argv[])
{
    QTemporaryDir home;
    qputenv("XDG_CONFIG_HOME", home.filePath(u"config"_s).toLocal8Bit());
    QApplication application(argc, argv);
    const int count = argc > 1 ? std::max(1, atoi(argv[1])) : 300;
    noteWhenNotX11();

    const std::unique_ptr<ModelContainer> store = ModelContainer::inMemory();
    const auto speech = std::make_shared<ScriptedSpeechService>();
    const auto translation = std::make_shared<FakeTranslationService>();
    AppMenuModel controller([&] {
        return std::make_unique<SubtitleOverlayWindowModel>(
            speech, std::make_unique<ManualAudioEngine>(), translation, *store);
    });
    QElapsedTimer clock;
    QList<double> openings;
    QList<double> closings;
    SubtitleWindow *window = nullptr;
    for (int round = 0; round < openCloseRounds; ++round) {
        clock.start();
        controller.startLiveSubtitles();
        openings.append(double(clock.nsecsElapsed()) / 1e6);
        window = controller.subtitleWindow();
        while (!window->windowHandle()->isExposed())
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
        if (round == openCloseRounds - 1)
            break;
        clock.start();
        window->performClose();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        closings.append(double(clock.nsecsElapsed()) / 1e6);
    }
    std::printf("opening a window holds the main thread: first %.1f ms, later ones median %.1f ms, "
                "longest %.1f ms\n",
                openings.constFirst(), percentile(openings.mid(1), 0.5),
                percentile(openings.mid(1), 1.0));
    std::printf("closing a window holds the main thread: median %.1f ms, longest %.1f ms\n",
                percentile(closings, 0.5), percentile(closings, 1.0));
    while (speech->tasks().isEmpty())
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);

    RepaintWatch watch(window);
    const QStringList words =
        u"the quick brown fox jumps over the lazy dog while the band plays on"_s.split(u' ');
    QList<double> latencies;
    for (int i = 0; i < count; ++i) {
        // A hypothesis that grows word by word, then starts again, as speech between pauses does.
        const QString text = words.mid(0, 1 + i % words.size()).join(u' ');
        watch.repainted = false;
        clock.start();
        speech->tasks().last()->hypothesize(timedWords(text, 0.5));
        while (!watch.repainted)
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
        syncWithServer();
        latencies.append(double(clock.nsecsElapsed()) / 1e6);
    }
    std::printf("hypothesis to pixels, %d hypotheses: median %.2f ms, 95th percentile %.2f ms, "
                "longest %.2f ms\n",
                count, percentile(latencies, 0.5), percentile(latencies, 0.95),
                percentile(latencies, 1.0));

    // A change in the settings window reaches the subtitles through the settings store.
    QList<double> settingChanges;
    for (int i = 0; i < settingsChanges; ++i) {
        watch.repainted = false;
        clock.start();
        Setting(SettingsKeys::translationFontSize).setValue(i % 2 ? 35.0 : 40.0);
        while (!watch.repainted)
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
        syncWithServer();
        settingChanges.append(double(clock.nsecsElapsed()) / 1e6);
    }
    std::printf("settings change to pixels, %d changes: median %.2f ms, longest %.2f ms\n",
                settingsChanges, percentile(settingChanges, 0.5), percentile(settingChanges, 1.0));

    // As a change of the Position setting, or of the screens, has the window do it: the call
    // itself (geometry and strut sent), then until the resized window's pixels are painted.
    QList<double> calls[2];
    QList<double> toPixels[2];
    QScreen *screen = window->screen();
    for (int i = 0; i < placements; ++i) {
        const int docking = i % 2 == 0 ? 1 : 0;
        watch.repainted = false;
        clock.start();
        window->setPosition(docking ? SubtitlePosition::Bottom : SubtitlePosition::Floating,
                            screen);
        syncWithServer();
        calls[docking].append(double(clock.nsecsElapsed()) / 1e6);
        while (!watch.repainted)
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
        syncWithServer();
        toPixels[docking].append(double(clock.nsecsElapsed()) / 1e6);
    }
    for (const int docking : {1, 0}) {
        std::printf("%s, %d times: the call median %.2f ms (longest %.2f ms), to its pixels "
                    "median %.2f ms (longest %.2f ms)\n",
                    docking ? "docking the window at the bottom" : "floating it again",
                    placements / 2, percentile(calls[docking], 0.5),
                    percentile(calls[docking], 1.0), percentile(toPixels[docking], 0.5),
                    percentile(toPixels[docking], 1.0));
    }

    for (const char *which : {"first", "second"}) {
        clock.start();
        auto *settings = new SettingsView([] { return std::make_unique<ManualAudioEngine>(); });
        settings->setAttribute(Qt::WA_DeleteOnClose);
        settings->show();
        while (!settings->windowHandle()->isExposed())
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
        syncWithServer();
        std::printf("opening the settings window, %s time: %.1f ms\n", which,
                    double(clock.nsecsElapsed()) / 1e6);
        settings->close();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
    window->close();
    return 0;
}
