// SPDX-License-Identifier: GPL-3.0-or-later
// How the subtitle follows speech, and how good the transcript is, through the real recogniser
// and listening model with audio played in real time:
//   - espeak-ng speech without pauses: from the end of a word in the audio to the first display
//     text that shows it (a word's end is the next word's start, at most 0.8 s after its own);
//     the longest stretch of heard speech during which the display did not change; the average
//     CPU while listening, in one core's share;
//   - LibriVox read speech from pocketsphinx-testdata, with 20 s pauses between the clips, so
//     that tasks begin on silence;
//   - for both, the word error rate of the assembled transcript beside that of the recogniser's
//     own single pass over the whole file (one task, no resets);
//   - the process's peak memory while listening to the espeak-ng speech.
// Usage: voxlume-bench-transcribe [minutes of espeak-ng speech, default 2]

#include "Base/Logging.h"
#include "Percentile.h"
#include "Platform/Audio/WavFileAudioEngine.h"
#include "RealTimeListening.h"
#include "SpokenWav.h"

#include <QTemporaryDir>
#include <cstdio>

using namespace Qt::Literals::StringLiterals;

namespace {

// What the recogniser makes of the whole file in one task, as fast as it can.
QString singlePass(const QString &path)
{
    PocketSphinxSpeechService service;
    const std::shared_ptr<SpeechRecognizer> recognizer =
        service.recognizer(Language::localeOf(Language(u"en"_s, {}, u"US"_s)));
    auto request = std::make_shared<RecognitionRequest>();
    request->setAddsPunctuation(true);
    double total = 0;
    for (const AudioBufferPtr &buffer : readBuffers(path)) {
        request->append(buffer);
        total += buffer->duration();
    }
    const std::shared_ptr<RecognitionTask> task = recognizer->recognitionTask(request);
    QString text;
    QTimer quiet;
    quiet.setSingleShot(true);
    QObject::connect(&quiet, &QTimer::timeout, qApp, &QCoreApplication::quit);
    QObject::connect(
        task.get(), &RecognitionTask::didHypothesizeTranscription,
        [&](const Transcription &transcription) { text = transcription.formattedString; });
    QObject::connect(task.get(), &RecognitionTask::didProcessAudioDuration, [&](double seconds) {
        if (seconds >= total - 0.01)
            quiet.start(1000);
    });
    QCoreApplication::exec();
    return text;
}

void printAccuracy(const char *speech, const QString &said, const RunFigures &run,
                   const QString &path)
{
    std::printf("%s: word error rate %.1f %% assembled over %d tasks, %.1f %% in one pass\n",
                speech, wordErrorRate(said, run.transcript) * 100, run.tasks,
                wordErrorRate(said, singlePass(path)) * 100);
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication application(argc, argv);
    const double minutes = argc > 1 ? QString::fromLocal8Bit(argv[1]).toDouble() : 2.0;
    FILE *nowhere = std::fopen("/dev/null", "w");
    Logging::shared().setEchoStream(nowhere);

    QTemporaryDir folder;
    // The story, told again and again: about 80 s a telling.
    QStringList tellings;
    for (int telling = 0; telling < int(minutes * 60 / 80) + 1; ++telling)
        tellings << spokenStory().join(u' ');
    const QString said = tellings.join(u' ');
    const QString spoken = writeSpokenWav(folder.path(), u"speech"_s, said);
    // Speech is followed by more audio, in which the recogniser hears that the last words are over.
    const QString noise = folder.filePath(u"speech-noise.wav"_s);
    const QString speech = folder.filePath(u"padded.wav"_s);
    if (spoken.isEmpty() ||
        QProcess::execute(u"sox"_s, {spoken, noise, noise, noise, noise, speech}) != 0) {
        std::fprintf(stderr, "espeak-ng and sox could not make the speech\n");
        return 1;
    }

    const RunFigures espeak =
        listenInRealTime(std::make_unique<WavFileAudioEngine>(speech), {}, speech);
    std::printf("espeak-ng speech: %.1f min played in real time, %d recognition tasks\n", minutes,
                espeak.tasks);
    std::printf("word end to display: median %.2f s, 95th percentile %.2f s (%lld words)\n",
                percentile(espeak.latencies, 0.5), percentile(espeak.latencies, 0.95),
                static_cast<long long>(espeak.latencies.size()));
    std::printf("longest stretch of speech with the display frozen: %.2f s\n",
                espeak.longestFrozen);
    std::printf("average CPU while listening: %.0f %% of one core\n", espeak.cpuShare * 100);
    std::printf("peak memory while listening: %.0f MB\n", espeak.peakMegabytes);
    std::fflush(stdout);
    printAccuracy("espeak-ng speech", said, espeak, speech);
    std::fflush(stdout);

    const auto [librivox, read] = librivoxWithPauses(folder.path());
    if (librivox.isEmpty()) {
        std::printf("LibriVox speech: skipped, pocketsphinx-testdata is not installed\n");
    } else {
        const RunFigures pauses =
            listenInRealTime(std::make_unique<WavFileAudioEngine>(librivox), {}, librivox);
        printAccuracy("LibriVox speech with 20 s pauses", read, pauses, librivox);
    }

    std::fclose(nowhere);
    return 0;
}
