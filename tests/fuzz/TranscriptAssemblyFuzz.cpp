// SPDX-License-Identifier: GPL-3.0-or-later
// Feeds transcript assembly random Unicode texts, segment ranges and timestamps, and checks what
// must hold whatever the recogniser says: no crash, the solidified part of the transcript never
// changes and only grows, the fast common-substring search agrees with the plain one, and the
// display text is always the end of the hypothesis.

#include "Base/Logging.h"
#include "Models/TranscriptAssembly.h"
#include "ReferenceCommonSubstring.h"

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

extern "C" int LLVMFuzzerInitialize(int *, char ***)
{
    static FILE *const nowhere = std::fopen("/dev/null", "w");
    Logging::shared().setEchoStream(nowhere);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *bytes, size_t size)
{
    FuzzedDataProvider data(bytes, size);
    TranscriptAssembly assembly;
    if (data.ConsumeBool())
        assembly.setLanguage(Language::fromRawValue(data.PickValueInArray(
            {QStringLiteral("en-US"), QStringLiteral("ja-JP"), QStringLiteral("zh-TW")})));

    while (data.remaining_bytes() > 0) {
        if (data.ConsumeBool()) {
            const QString before = assembly.fullTranscript();
            const qsizetype solidified = assembly.solidifiedUntilIndex().value_or(0);
            const QString latest = randomText(data, 60);
            if (latest.size() + before.size() - solidified < 200) {
                require(
                    TranscriptAssembly::longestCommonSubstring(before.mid(solidified), latest) ==
                        referenceLongestCommonSubstring(before.mid(solidified), latest),
                    "the fast search agrees with the plain one");
            }
            assembly.merge(latest);
            const QString after = assembly.fullTranscript();
            const std::optional<qsizetype> newSolidified = assembly.solidifiedUntilIndex();
            require(after.left(solidified) == before.left(solidified), "the solidified part stays");
            require(newSolidified.value_or(0) >= solidified, "the solidified part only grows");
            require(newSolidified.value_or(0) <= after.size(),
                    "the solidified part is in the text");
        } else {
            const Transcription transcription = randomTranscription(data);
            const QString display = assembly.show(transcription).text;
            require(transcription.formattedString.endsWith(display),
                    "the display text ends the hypothesis");
        }
    }
    return 0;
}
