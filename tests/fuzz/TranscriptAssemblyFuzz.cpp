// SPDX-License-Identifier: GPL-3.0-or-later
// Feeds transcript assembly random Unicode texts, segment ranges and timestamps, and checks what
// must hold whatever the recogniser says: no crash, the solidified part of the transcript never
// changes and only grows, the fast common-substring search agrees with the plain one, and the
// display text is always the end of the hypothesis.

#include "CharacterSequence.h"
#include "ListeningModel.h"
#include "Logging.h"
#include "Platform/Audio/ManualAudioEngine.h"
#include "Platform/Speech/Scripted/ScriptedSpeechService.h"
#include "ReferenceCommonSubstring.h"

#include <QCoreApplication>
#include <cstdio>
#include <cstdlib>
#include <fuzzer/FuzzedDataProvider.h>

namespace {

// Characters that make the cases assembly must get right: letters, blanks, punctuation,
// combining marks, surrogate pairs, emoji sequences and sentence ends in other scripts.
const char16_t *const pieces[] = {
    u"a",  u"b", u"e", u" ",      u".",      u",",  u"!", u"?",        u"-",
    u"\"", u"(", u")", u"\u0301", u"é",      u"\n", u"😀", u"👋🏽", u"👨‍👩‍👧",
    u"。", u"¿", u"ß", u"\u2029", u"\uFFFD",
};

QString randomText(FuzzedDataProvider &data, size_t maxPieces)
{
    QString text;
    const size_t count = data.ConsumeIntegralInRange<size_t>(0, maxPieces);
    for (size_t i = 0; i < count; ++i) {
        if (data.ConsumeBool())
            text += QString::fromUtf16(
                pieces[data.ConsumeIntegralInRange<size_t>(0, std::size(pieces) - 1)]);
        else
            text += QChar(data.ConsumeIntegral<char16_t>());
    }
    return text;
}

Transcription randomTranscription(FuzzedDataProvider &data)
{
    Transcription transcription{randomText(data, 160), {}};
    const size_t segments = data.ConsumeIntegralInRange<size_t>(0, 30);
    for (size_t i = 0; i < segments; ++i) {
        transcription.segments.append({data.ConsumeIntegralInRange<qsizetype>(-2, 400),
                                       data.ConsumeIntegralInRange<qsizetype>(-2, 40),
                                       double(data.ConsumeIntegralInRange<int>(-1, 40)) / 2.0});
    }
    return transcription;
}

void require(bool condition, const char *what)
{
    if (!condition) {
        std::fprintf(stderr, "broken: %s\n", what);
        std::abort();
    }
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int *argc, char ***argv)
{
    // Models answer their platform's callbacks through the application's event queue.
    static QCoreApplication application(*argc, *argv);
    static FILE *const nowhere = std::fopen("/dev/null", "w");
    Logging::shared().setEchoStream(nowhere);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *bytes, size_t size)
{
    FuzzedDataProvider data(bytes, size);
    ListeningModel model(std::make_shared<ScriptedSpeechService>(),
                         std::make_unique<ManualAudioEngine>());
    if (data.ConsumeBool())
        model.setSourceLanguage(Language::fromRawValue(data.PickValueInArray(
            {QStringLiteral("en-US"), QStringLiteral("ja-JP"), QStringLiteral("zh-TW")})));

    while (data.remaining_bytes() > 0) {
        if (data.ConsumeBool()) {
            const QString before = model.fullTranscript();
            const qsizetype solidified = model.fullTranscriptSolidifiedUntilIndex().value_or(0);
            const QString latest = randomText(data, 60);
            const qsizetype start = model.fullTranscriptSolidifiedUntilIndex().value_or(0);
            if (latest.size() + before.size() - start < 200) {
                require(ListeningModel::longestCommonSubstring(before.mid(start), latest) ==
                            referenceLongestCommonSubstring(before.mid(start), latest),
                        "the fast search agrees with the plain one");
            }
            model.updateFullTranscriptWithLatestText(latest);
            const QString after = model.fullTranscript();
            const std::optional<qsizetype> newSolidified =
                model.fullTranscriptSolidifiedUntilIndex();
            require(after.left(solidified) == before.left(solidified), "the solidified part stays");
            require(newSolidified.value_or(0) >= solidified, "the solidified part only grows");
            require(newSolidified.value_or(0) <= after.size(),
                    "the solidified part is in the text");
        } else {
            const Transcription transcription = randomTranscription(data);
            const QString display = model.displayText(transcription);
            require(transcription.formattedString.endsWith(display),
                    "the display text ends the hypothesis");
        }
    }
    QCoreApplication::processEvents();
    return 0;
}
