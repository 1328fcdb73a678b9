// SPDX-License-Identifier: GPL-3.0-or-later
// What pocketsphinx costs: the first recogniser of a language (a model check in a child process,
// then the load on the worker), the real-time factor of decoding, and how long a 30-second reset
// waits for its 15 seconds of replayed audio to be decoded.
//
//     voxlume-bench-speech [WAV]
//
// Without a WAV file it speaks its own text with espeak-ng (sox converts either to 48 kHz stereo).

#include "Platform/Speech/PocketSphinx/PocketSphinxSpeechService.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTimer>

#include <cstdio>
#include <cstring>
#include <ctime>

using namespace Qt::Literals::StringLiterals;

namespace {

constexpr int sampleRate = 48'000;
constexpr int channelCount = 2;
constexpr qsizetype framesPerBuffer = 1024;
constexpr double replaySeconds = 15.0;

bool run(const QString &program, const QStringList &arguments)
{
    QProcess process;
    process.start(program, arguments);
    if (process.waitForFinished(120'000) && process.exitCode() == 0)
        return true;
    std::fprintf(stderr, "%s failed: %s\n", qPrintable(program),
                 qPrintable(QString::fromLocal8Bit(process.readAllStandardError())));
    return false;
}

// Interleaved 48 kHz stereo: the given file, or espeak-ng's reading of a few sentences with a
// second of low noise around each, so that voice-activity detection ends an utterance after each.
std::vector<float> capturedAudio(const QString &wavFile)
{
    const QTemporaryDir folder;
    QStringList parts{wavFile};
    if (wavFile.isEmpty()) {
        const QString noise = folder.filePath(u"noise.wav"_s);
        if (!run(u"sox"_s, {u"-R"_s, u"-n"_s, u"-r"_s, u"22050"_s, u"-c"_s, u"1"_s, noise,
                            u"synth"_s, u"1"_s, u"whitenoise"_s, u"vol"_s, u"0.002"_s}))
            return {};
        parts = {noise};
        const QStringList sentences{
            u"The weather today is sunny with a light breeze from the west."_s,
            u"We will meet at the library after lunch to talk about the project."_s,
            u"Please remember to turn off the lights when you leave the room."_s};
        for (const QString &sentence : sentences) {
            const QString speech = folder.filePath(u"speech-%1.wav"_s.arg(parts.size()));
            if (!run(u"espeak-ng"_s,
                     {u"-v"_s, u"en-us"_s, u"-s"_s, u"150"_s, u"-w"_s, speech, sentence}))
                return {};
            parts << speech << noise;
        }
    }
    const QString raw = folder.filePath(u"audio.raw"_s);
    if (!run(u"sox"_s, parts + QStringList{u"-t"_s, u"raw"_s, u"-e"_s, u"floating-point"_s, u"-b"_s,
                                           u"32"_s, u"-r"_s, QString::number(sampleRate), u"-c"_s,
                                           QString::number(channelCount), raw}))
        return {};
    QFile file(raw);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    const QByteArray bytes = file.readAll();
    std::vector<float> samples(size_t(bytes.size()) / sizeof(float));
    std::memcpy(samples.data(), bytes.constData(), samples.size() * sizeof(float));
    return samples;
}

// \a seconds of the audio in capture-sized buffers, the audio repeated as often as needed.
std::vector<AudioBufferPtr> buffers(const std::vector<float> &samples, double seconds)
{
    std::vector<AudioBufferPtr> result;
    const qsizetype step = framesPerBuffer * channelCount;
    const auto count = qsizetype(seconds * sampleRate / framesPerBuffer);
    const auto total = qsizetype(samples.size()) / step * step;
    for (qsizetype i = 0; i < count; ++i) {
        const auto first = samples.cbegin() + (i * step) % total;
        result.push_back(std::make_shared<const AudioBuffer>(
            sampleRate, channelCount, std::vector<float>(first, first + step)));
    }
    return result;
}

double processorSeconds()
{
    timespec time{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &time);
    return double(time.tv_sec) + double(time.tv_nsec) / 1e9;
}

struct Decoding
{
    double wallSeconds = 0.0;
    double processorSeconds = 0.0;
    QString text;
};

// Appends all of \a audio at once, as a reset's replay does, and waits until the task has
// reported every second of it.
Decoding decode(SpeechRecognizer &recognizer, const std::vector<AudioBufferPtr> &audio)
{
    double seconds = 0.0;
    auto request = std::make_shared<RecognitionRequest>();
    request->setAddsPunctuation(true);
    for (const AudioBufferPtr &buffer : audio) {
        request->append(buffer);
        seconds += buffer->duration();
    }
    Decoding decoding;
    QEventLoop loop;
    QElapsedTimer wall;
    const double processorStart = processorSeconds();
    wall.start();
    const std::shared_ptr<RecognitionTask> task = recognizer.recognitionTask(request);
    QObject::connect(
        task.get(), &RecognitionTask::didHypothesizeTranscription, &loop,
        [&](const Transcription &transcription) { decoding.text = transcription.formattedString; });
    QObject::connect(task.get(), &RecognitionTask::didProcessAudioDuration, &loop,
                     [&](double processed) {
                         if (processed >= seconds - 1e-9)
                             loop.quit();
                     });
    QTimer::singleShot(300'000, &loop, &QEventLoop::quit);
    loop.exec();
    decoding.wallSeconds = double(wall.nsecsElapsed()) / 1e9;
    decoding.processorSeconds = processorSeconds() - processorStart;
    return decoding;
}

} // namespace

int main(int argc, char *argv[])
{
    const QCoreApplication application(argc, argv);
    const std::vector<float> samples = capturedAudio(application.arguments().value(1));
    if (samples.size() < size_t(framesPerBuffer * channelCount)) {
        std::fprintf(stderr, "no audio\n");
        return 1;
    }
    const double audioSeconds = double(samples.size()) / channelCount / sampleRate;

    PocketSphinxSpeechService service;
    QElapsedTimer timer;
    timer.start();
    const std::shared_ptr<SpeechRecognizer> recognizer = service.recognizer(Locale(u"en_US"_s));
    const double checkSeconds = double(timer.nsecsElapsed()) / 1e9;
    if (!recognizer) {
        std::fprintf(stderr, "no recogniser for en_US\n");
        return 1;
    }
    const Decoding first = decode(*recognizer, buffers(samples, 0.1));
    std::printf("first recogniser (model checked in a child process)  %6.2f s\n", checkSeconds);
    std::printf("decoder load on the worker, to the first report       %6.2f s\n",
                first.wallSeconds);

    const Decoding whole = decode(*recognizer, buffers(samples, audioSeconds));
    std::printf("%.1f s of audio appended at once                      %6.2f s wall, %.2f s CPU\n",
                audioSeconds, whole.wallSeconds, whole.processorSeconds);
    std::printf("real-time factor                                      %6.1fx wall, %.1fx CPU "
                "(audio seconds per second)\n",
                audioSeconds / whole.wallSeconds, audioSeconds / whole.processorSeconds);
    for (int run = 1; run <= 3; ++run) {
        const Decoding replay = decode(*recognizer, buffers(samples, replaySeconds));
        std::printf("%.0f s replay after a reset, run %d                      %6.2f s wall, %.2f s "
                    "CPU\n",
                    replaySeconds, run, replay.wallSeconds, replay.processorSeconds);
    }
    std::printf("heard: %s\n", qPrintable(whole.text));
    return 0;
}
