// SPDX-License-Identifier: GPL-3.0-or-later
// Leaves main() while a recognition task is decoding, with the service, recogniser and task held
// as the first argument says: "scoped" (destroyed before the application object), "static"
// (destroyed after it, during static destruction) or "leaked" (never destroyed). Exits with 0 once
// decoding is under way; anything else is a failure.
#include "Platform/Speech/PocketSphinx/PocketSphinxSpeechService.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>

#include <random>

using namespace Qt::Literals::StringLiterals;

struct Recognition
{
    std::unique_ptr<PocketSphinxSpeechService> service;
    std::shared_ptr<SpeechRecognizer> recognizer;
    std::shared_ptr<RecognitionTask> task;
};

int main(int argc, char *argv[])
{
    int status = 0;
    {
        QCoreApplication application(argc, argv);
        const QString mode = application.arguments().value(1);
        static Recognition kept;
        Recognition scoped;
        Recognition &recognition = mode == u"static"_s   ? kept
                                   : mode == u"leaked"_s ? *new Recognition
                                                         : scoped;
        recognition.service = std::make_unique<PocketSphinxSpeechService>();
        recognition.recognizer = recognition.service->recognizer(Locale(u"en_US"_s));
        if (!recognition.recognizer)
            return 2;
        // A minute of loud noise, which sounds like speech to the voice-activity detector, so
        // that the search keeps working.
        auto request = std::make_shared<RecognitionRequest>();
        std::mt19937 random(7);
        std::uniform_real_distribution<float> noise(-0.5f, 0.5f);
        for (int i = 0; i < 60 * 48'000 / 1024; ++i) {
            std::vector<float> samples(2048);
            std::generate(samples.begin(), samples.end(), [&] { return noise(random); });
            request->append(std::make_shared<const AudioBuffer>(48'000, 2, std::move(samples)));
        }
        recognition.task = recognition.recognizer->recognitionTask(request);
        QObject::connect(recognition.task.get(), &RecognitionTask::didProcessAudioDuration,
                         &application, [] { QCoreApplication::exit(0); });
        status = application.exec();
    }
    // Whatever still holds the recogniser, no worker outlives the application object.
    const QDir threads(u"/proc/self/task"_s);
    for (const QString &thread : threads.entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
        QFile name(threads.filePath(thread + u"/comm"_s));
        if (name.open(QIODevice::ReadOnly) && name.readAll().trimmed() == "speech-decoder")
            return 4;
    }
    return status;
}
