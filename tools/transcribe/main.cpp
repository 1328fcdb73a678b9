// SPDX-License-Identifier: GPL-3.0-or-later
// voxlume-transcribe: live subtitles in a terminal. Runs the models the overlay runs, on audio
// from a WAV file, the microphone or a script of recogniser callbacks, and prints each new
// subtitle line.

#include "Base/Localization.h"
#include "Base/Logging.h"
#include "Base/TerminationSignals.h"
#include "Models/SubtitleOverlayWindowModel.h"
#include "Platform/Audio/ManualAudioEngine.h"
#include "Platform/Audio/QtAudioEngine.h"
#include "Platform/Audio/WavFile.h"
#include "Platform/Audio/WavFileAudioEngine.h"
#include "Platform/Settings/AppSettings.h"
#include "Platform/Speech/PocketSphinx/PocketSphinxSpeechService.h"
#include "Platform/Speech/Scripted/ScriptedSpeechService.h"
#include "Platform/Store/ModelContainer.h"
#include "Platform/Store/ModelContext.h"
#include "Platform/Translation/Apertium/ApertiumTranslationService.h"
#include "ProgramServices.h"
#include "RecognitionPacedAudioEngine.h"
#include "ScriptPlayer.h"
#include "TranscribeSession.h"
#include "TranscriptListing.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <cstdio>

using namespace Qt::Literals::StringLiterals;

namespace {

enum ExitCode { Success = 0, RuntimeFailure = 1, BadInput = 2 };

[[noreturn]] void failWith(ExitCode code, const QString &reason)
{
    std::fprintf(stderr, "voxlume-transcribe: %s\n", qUtf8Printable(reason));
    std::exit(code);
}

std::optional<Language> languageOption(const QCommandLineParser &parser, const QString &name,
                                       const Language &stored)
{
    if (!parser.isSet(name))
        return stored;
    return Language::fromRawValue(parser.value(name));
}

// The program's store, checked whole before the tool goes on; the tool ends, saying why, when it
// cannot be opened.
ModelContainer &programStore()
{
    // Closed at exit, so that the journal is folded back into the database.
    static const std::unique_ptr<ModelContainer> store = [] {
        std::variant<std::unique_ptr<ModelContainer>, Error> opened =
            ModelContainer::open(ModelContainer::defaultPath());
        if (const Error *error = std::get_if<Error>(&opened))
            failWith(RuntimeFailure, error->localizedDescription());
        return std::get<std::unique_ptr<ModelContainer>>(std::move(opened));
    }();
    return *store;
}

// --show, with --format and --translation when they are given.
bool printShown(const QCommandLineParser &parser, TranscriptListing &listing, QString *error)
{
    const QString id = parser.value(u"show"_s);
    const bool translation = parser.isSet(u"translation"_s);
    if (!parser.isSet(u"format"_s) && !translation)
        return listing.printTranscript(id, error);
    static const QHash<QString, TranscriptExport::Format> formats{
        {u"txt"_s, TranscriptExport::Format::PlainText},
        {u"srt"_s, TranscriptExport::Format::SubRip},
        {u"vtt"_s, TranscriptExport::Format::WebVtt}};
    const QString name = parser.value(u"format"_s).isEmpty() ? u"txt"_s : parser.value(u"format"_s);
    if (!formats.contains(name))
        failWith(BadInput, u"--format is one of txt, srt and vtt"_s);
    const TranscriptExport::Format format = formats.value(name);
    // Plain text without --translation is what the history exports by default: both texts.
    const TranscriptExport::Content content = translation ? TranscriptExport::Content::Translation
                                              : format == TranscriptExport::Format::PlainText
                                                  ? TranscriptExport::Content::Both
                                                  : TranscriptExport::Content::Spoken;
    return listing.printExport(id, format, content, error);
}

// --list and --show: the history, read from the program's store.
[[noreturn]] void printHistory(const QCommandLineParser &parser)
{
    QTextStream output(stdout);
    TranscriptListing listing(programStore().mainContext(), output);
    QString error;
    const bool printed =
        parser.isSet(u"list"_s) ? listing.printList(&error) : printShown(parser, listing, &error);
    output.flush();
    if (printed)
        std::exit(Success);
    failWith(parser.isSet(u"list"_s) ? RuntimeFailure : BadInput, error);
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication application(argc, argv);
    QCoreApplication::setApplicationName(u"voxlume-transcribe"_s);
    Localization::install();
    // Standard output carries the subtitles; the log goes beside them.
    Logging::shared().setEchoStream(stderr);

    QCommandLineParser parser;
    parser.setApplicationDescription(u"Live subtitles of speech, in a terminal."_s);
    parser.addHelpOption();
    parser.addOptions({
        {u"from"_s, u"The spoken language, such as en-US (default: the stored setting)."_s,
         u"LANG"_s},
        {u"to"_s, u"The translation language (default: the stored setting)."_s, u"LANG"_s},
        {u"wav"_s, u"Listen to a WAV file."_s, u"FILE"_s},
        {u"fast"_s,
         u"With --wav: deliver the audio as fast as it is recognised, not in real time."_s},
        {u"microphone"_s, u"Listen to the chosen input device until Ctrl-C."_s},
        {u"script"_s, u"Replay recogniser callbacks from a JSON Lines file."_s, u"FILE"_s},
        {u"events"_s, u"Record the run's events as JSON Lines."_s, u"FILE"_s},
        {u"live-file"_s,
         u"Keep the line shown, and its translation, in FILE as it changes, for other programs."_s,
         u"FILE"_s},
        {u"no-store"_s, u"Do not keep the run's transcript."_s},
        {u"list"_s, u"List the stored transcripts, newest first."_s},
        {u"show"_s, u"Show the stored transcript with this id (or the start of it)."_s, u"ID"_s},
        {u"format"_s,
         u"With --show: print it as the history exports it, as txt, srt or vtt (subtitles)."_s,
         u"FORMAT"_s},
        {u"translation"_s, u"With --show: the translation instead of the spoken text."_s},
    });
    if (!parser.parse(QCoreApplication::arguments()))
        failWith(BadInput, parser.errorText());
    if (parser.isSet(u"help"_s))
        parser.showHelp(Success);
    if (!parser.positionalArguments().isEmpty())
        failWith(BadInput, u"unexpected argument: "_s + parser.positionalArguments().first());

    if ((parser.isSet(u"format"_s) || parser.isSet(u"translation"_s)) && !parser.isSet(u"show"_s))
        failWith(BadInput, u"--format and --translation go with --show"_s);
    const bool history = parser.isSet(u"list"_s) || parser.isSet(u"show"_s);
    if (history) {
        const QStringList runOptions{u"from"_s,   u"to"_s,         u"wav"_s,
                                     u"fast"_s,   u"microphone"_s, u"script"_s,
                                     u"events"_s, u"no-store"_s,   u"live-file"_s};
        const bool both = parser.isSet(u"list"_s) && parser.isSet(u"show"_s);
        if (both || std::any_of(runOptions.begin(), runOptions.end(),
                                [&](const QString &option) { return parser.isSet(option); }))
            failWith(BadInput, u"--list and --show go alone"_s);
        printHistory(parser);
    }

    const int sources = int(parser.isSet(u"wav"_s)) + int(parser.isSet(u"microphone"_s)) +
                        int(parser.isSet(u"script"_s));
    if (sources != 1)
        failWith(BadInput, u"give exactly one of --wav FILE, --microphone and --script FILE"_s);
    if (parser.isSet(u"fast"_s) && !parser.isSet(u"wav"_s))
        failWith(BadInput, u"--fast goes with --wav"_s);

    const std::optional<Language> from =
        languageOption(parser, u"from"_s, AppSettings::shared().selectedFromLanguage());
    const std::optional<Language> to =
        languageOption(parser, u"to"_s, AppSettings::shared().selectedToLanguage());
    if (!from || !to)
        failWith(BadInput, u"a language is written as its code and region, such as en-US or fr-"_s);

    EventLog events;
    if (parser.isSet(u"events"_s)) {
        QString error;
        if (!events.open(parser.value(u"events"_s), &error))
            failWith(BadInput, parser.value(u"events"_s) + u": "_s + error);
    }

    std::shared_ptr<SpeechService> speech;
    std::unique_ptr<AudioEngine> audio;
    std::shared_ptr<ScriptedSpeechService> scripted;
    QList<ScriptPlayer::Event> script;
    if (parser.isSet(u"script"_s)) {
        std::variant<QList<ScriptPlayer::Event>, QString> read =
            ScriptPlayer::read(parser.value(u"script"_s));
        if (const QString *error = std::get_if<QString>(&read))
            failWith(BadInput, *error);
        script = std::get<QList<ScriptPlayer::Event>>(std::move(read));
        speech = scripted = std::make_shared<ScriptedSpeechService>();
        audio = std::make_unique<ManualAudioEngine>();
    } else {
        speech = std::make_shared<PocketSphinxSpeechService>();
        if (parser.isSet(u"wav"_s)) {
            // A file that is not usable audio is bad input, told before anything starts.
            std::variant<WavFile, Error> file = WavFile::open(parser.value(u"wav"_s));
            if (const Error *error = std::get_if<Error>(&file))
                failWith(BadInput, error->localizedDescription());
            if (parser.isSet(u"fast"_s))
                audio = std::make_unique<RecognitionPacedAudioEngine>(
                    std::make_unique<WavFileAudioEngine>(parser.value(u"wav"_s),
                                                         WavFileAudioEngine::Pacing::Fast));
            else
                audio = std::make_unique<WavFileAudioEngine>(parser.value(u"wav"_s));
        } else {
            audio = chosenInputEngine();
        }
    }
    AudioEngine &audioEngine = *audio;
    auto *paced = dynamic_cast<RecognitionPacedAudioEngine *>(audio.get());

    // Without --no-store the run is kept where the program keeps its runs.
    const bool keepsTranscript = !parser.isSet(u"no-store"_s);
    const std::unique_ptr<ModelContainer> unkept =
        keepsTranscript ? nullptr : ModelContainer::inMemory();
    ModelContainer &store = keepsTranscript ? programStore() : *unkept;
    const auto translation = std::make_shared<ApertiumTranslationService>();
    SubtitleOverlayWindowModel overlay(speech, std::move(audio), translation, store);
    ListeningModel &model = *overlay.listeningModel();
    TranscribeSession session(overlay, events, keepsTranscript ? &store : nullptr);
    if (parser.isSet(u"live-file"_s))
        session.writeLiveFile(parser.value(u"live-file"_s));
    if (paced)
        paced->follow(model);
    // Queued: a run can end before the event loop has begun, and exit() is lost before exec().
    QObject::connect(&session, &TranscribeSession::finished, &application, &QCoreApplication::exit,
                     Qt::QueuedConnection);
    audioEngine.setEndOfInputHandler([&session] { session.finishWhenCaughtUp(); });
    // Ctrl-C and SIGTERM end the run as closing the overlay does.
    TerminationSignals terminationSignals;
    QObject::connect(&terminationSignals, &TerminationSignals::received, &session,
                     &TranscribeSession::finish);

    std::unique_ptr<ScriptPlayer> player;
    if (scripted) {
        player = std::make_unique<ScriptPlayer>(script, *scripted, model);
        QObject::connect(player.get(), &ScriptPlayer::finished, &session,
                         &TranscribeSession::finish);
        QObject::connect(player.get(), &ScriptPlayer::failed, &application,
                         [](const QString &reason) { failWith(BadInput, reason); });
        scripted->setTaskCreatedHandler(
            [started = false, &player](ScriptedRecognitionTask *) mutable {
                if (std::exchange(started, true))
                    return;
                player->play();
            });
    }

    session.start(*from, *to);
    return QCoreApplication::exec();
}
