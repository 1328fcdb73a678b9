// SPDX-License-Identifier: GPL-3.0-or-later
#include "TranscriptAssembly.h"

#include "Base/CharacterSequence.h"
#include "Base/CommonSubstring.h"
#include "Base/Logging.h"
#include "Base/SourceLog.h"
#include "Platform/Language/LexicalTagger.h"

#include <QHash>
#include <unicode/uloc.h>

using namespace Qt::Literals::StringLiterals;

namespace {

// Transcript assembly is part of listening, and its breadcrumbs are filed with it.
const SourceLog sourceLog(u"Core/ListeningModel"_s);
constexpr int baseCharacterLimit = 60;

struct Range
{
    qsizetype start;
    qsizetype end;
};

// A segment's UTF-16 range as a range of the text, or none when it falls outside the text or cuts
// a character in two.
std::optional<Range> textRange(const TranscriptionSegment &segment, const QString &text)
{
    const qsizetype start = segment.location;
    const qsizetype end = segment.location + segment.length;
    if (start < 0 || segment.length < 0 || end > text.size())
        return std::nullopt;
    const auto splitsPair = [&](qsizetype at) {
        return at > 0 && at < text.size() && text.at(at).isLowSurrogate() &&
               text.at(at - 1).isHighSurrogate();
    };
    if (splitsPair(start) || splitsPair(end))
        return std::nullopt;
    return Range{start, end};
}

// The text range of the word stamped \a timestamp; none when there is no such word or its range
// does not fit the text.
std::optional<Range> wordRange(const Transcription &transcription, double timestamp)
{
    const auto word = std::find_if(
        transcription.segments.cbegin(), transcription.segments.cend(),
        [&](const TranscriptionSegment &segment) { return segment.timestamp == timestamp; });
    if (word == transcription.segments.cend())
        return std::nullopt;
    return textRange(*word, transcription.formattedString);
}

bool isSentenceBreak(LexicalTagger::Tag tag)
{
    return tag == LexicalTagger::Tag::SentenceTerminator ||
           tag == LexicalTagger::Tag::ParagraphBreak;
}

bool isMinorBreak(LexicalTagger::Tag tag)
{
    using Tag = LexicalTagger::Tag;
    switch (tag) {
    case Tag::Dash:
    case Tag::Conjunction:
    case Tag::OtherPunctuation:
    case Tag::OpenQuote:
    case Tag::CloseQuote:
    case Tag::OpenParenthesis:
    case Tag::CloseParenthesis:
        return true;
    default:
        return false;
    }
}

// Scripts denser than Latin ones say as much in fewer characters.
float characterLimitFactor(const Language &language)
{
    static const QHash<QString, float> factors{
        {u"zh-Hans"_s, 0.5f}, {u"zh-Hant"_s, 0.5f}, {u"ja"_s, 0.5f}, {u"ko"_s, 0.5f},
        {u"ar"_s, 0.8f},      {u"hi"_s, 0.8f},      {u"ru"_s, 0.8f}, {u"th"_s, 0.8f},
        {u"uk"_s, 0.8f},      {u"vi"_s, 0.8f},
    };
    const QString code = language.languageCode().value_or(QString());
    if (code != u"zh")
        return factors.value(code, 1.0f);
    // Chinese is keyed by script; a language stored with its region alone gets the script that
    // region writes.
    QString script = language.script().value_or(QString());
    if (script.isEmpty()) {
        char maximised[ULOC_FULLNAME_CAPACITY];
        UErrorCode status = U_ZERO_ERROR;
        const QByteArray id = Language::localeOf(language).identifier().toLatin1();
        uloc_addLikelySubtags(id.constData(), maximised, sizeof maximised, &status);
        char scriptCode[ULOC_SCRIPT_CAPACITY];
        if (U_SUCCESS(status))
            uloc_getScript(maximised, scriptCode, sizeof scriptCode, &status);
        if (U_SUCCESS(status))
            script = QString::fromLatin1(scriptCode);
    }
    return factors.value(u"zh-"_s + script, 1.0f);
}

} // namespace

void TranscriptAssembly::beginTask()
{
    m_currentTaskTextStart.reset();
}

void TranscriptAssembly::solidify()
{
    m_solidifiedUntilIndex = m_fullTranscript.size();
}

void TranscriptAssembly::mergeFirstTextAfterReset(const Transcription &transcription,
                                                  double replayedUntil)
{
    const bool heardReplayedAudio = std::any_of(
        transcription.segments.cbegin(), transcription.segments.cend(),
        [&](const TranscriptionSegment &segment) { return segment.timestamp < replayedUntil; });
    if (heardReplayedAudio) {
        merge(transcription.formattedString);
        return;
    }
    // The replayed audio held no speech, so the two tasks' texts do not overlap: a splice would
    // only find a chance letter and cut words away. The new text follows the old, and this task's
    // later texts replace it.
    solidify();
    m_currentTaskTextStart = append(transcription.formattedString);
    logUpdate();
}

void TranscriptAssembly::merge(const QString &latestText)
{
    if (m_currentTaskTextStart)
        m_fullTranscript = m_fullTranscript.left(*m_currentTaskTextStart) + latestText;
    else
        splice(latestText);
    logUpdate();
}

QString TranscriptAssembly::fullTranscriptWith(const QString &latestText) const
{
    TranscriptAssembly trial = *this;
    trial.m_logs = false;
    trial.merge(latestText);
    return trial.m_fullTranscript;
}

void TranscriptAssembly::consoleLine(const QString &label, const QString &value) const
{
    if (m_logs)
        Logging::shared().writeLine(label + value);
}

void TranscriptAssembly::splice(const QString &latestText)
{
    const qsizetype start = m_solidifiedUntilIndex.value_or(0);
    CharacterSequence::Numbering numbering;
    const CharacterSequence tail(m_fullTranscript.mid(start), numbering);
    const CharacterSequence latest(latestText, numbering);
    const CommonSubstring::Match match = CommonSubstring::longest(tail.ids(), latest.ids());
    if (match.length == 0) {
        append(latestText);
        return;
    }

    const std::vector<int> common(latest.ids().begin() + match.start,
                                  latest.ids().begin() + match.start + match.length);
    const qsizetype r1 = CommonSubstring::lastOccurrence(tail.ids(), common);
    const qsizetype r2 = CommonSubstring::lastOccurrence(latest.ids(), common);
    consoleLine(u"full transcript before update: "_s, Logging::excerpt(m_fullTranscript));
    consoleLine(u"latest text before update: "_s, latestText);
    consoleLine(u"longest common substring: "_s, latest.mid(match.start, match.length));

    qsizetype first = r2;
    qsizetype last = latest.size();
    while (first < last && latest.isPunctuation(first))
        ++first;
    while (last > first && latest.isPunctuation(last - 1))
        --last;
    const qsizetype splicePosition = start + tail.offset(r1);
    m_fullTranscript = m_fullTranscript.left(splicePosition) + latest.mid(first, last - first);
    m_solidifiedUntilIndex = splicePosition;
    consoleLine(u"full transcript after update: "_s, Logging::excerpt(m_fullTranscript));
}

qsizetype TranscriptAssembly::append(const QString &text)
{
    // Texts from two recognition runs meet here; without a blank, their words would run together.
    if (!m_fullTranscript.isEmpty() && !text.isEmpty() && !m_fullTranscript.back().isSpace() &&
        !text.front().isSpace())
        m_fullTranscript += u' ';
    const qsizetype start = m_fullTranscript.size();
    m_fullTranscript += text;
    return start;
}

void TranscriptAssembly::logUpdate() const
{
    if (!m_logs)
        return;
    sourceLog.breadcrumb(
        u"Updated full transcript: %1 characters"_s.arg(CharacterSequence::count(m_fullTranscript)),
        u"updateFullTranscriptWithLatestText(_:)"_s);
}

QString TranscriptAssembly::longestCommonSubstring(const QString &a, const QString &b)
{
    CharacterSequence::Numbering numbering;
    const CharacterSequence first(a, numbering);
    const CharacterSequence second(b, numbering);
    const CommonSubstring::Match match = CommonSubstring::longest(first.ids(), second.ids());
    return second.mid(match.start, match.length);
}

int TranscriptAssembly::displayCharacterLimit() const
{
    const float factor = m_language ? characterLimitFactor(*m_language) : 1.0f;
    return int(baseCharacterLimit * double(factor));
}

TranscriptAssembly::Display TranscriptAssembly::display(const Transcription &transcription) const
{
    const QString &formatted = transcription.formattedString;
    const bool paused = LexicalTagger::isAvailable() && m_language && m_pauseTimestamp;
    const std::optional<Range> pause =
        paused ? wordRange(transcription, *m_pauseTimestamp) : std::nullopt;
    if (!pause)
        return {formatted, CharacterSequence::count(formatted)};
    // Without the punctuation that ended the text before the pause, unless that is all there is.
    CharacterSequence::Numbering numbering;
    const CharacterSequence rest(formatted.mid(pause->start), numbering);
    qsizetype first = 0;
    while (first < rest.size() && rest.isPunctuation(first))
        ++first;
    if (first == 0 || first == rest.size())
        return {rest.text(), rest.size()};
    // After pictographic punctuation such as "‼" Qt's finder splits the rest of a text otherwise
    // than that rest on its own: the text shown is counted as itself, not as the rest's tail.
    const QString text = rest.text().mid(rest.offset(first));
    return {text, CharacterSequence::count(text)};
}

TranscriptAssembly::Display TranscriptAssembly::show(const Transcription &transcription)
{
    const Display shown = display(transcription);
    movePausePoint(transcription, shown);
    return shown;
}

void TranscriptAssembly::movePausePoint(const Transcription &transcription)
{
    movePausePoint(transcription, display(transcription));
}

void TranscriptAssembly::movePausePoint(const Transcription &transcription, const Display &shown)
{
    if (!LexicalTagger::isAvailable() || !m_language)
        return;
    const int limit = displayCharacterLimit();
    if (shown.characters < limit)
        return;

    QList<LexicalTagger::Token> kept;
    for (const LexicalTagger::Token &token :
         LexicalTagger::tokens(shown.text, m_language->rawValue())) {
        if (token.tag != LexicalTagger::Tag::Whitespace)
            kept.append(token);
    }
    const auto lastWith = [&](bool (*matches)(LexicalTagger::Tag)) -> qsizetype {
        for (qsizetype i = kept.size() - 1; i >= 0; --i) {
            if (matches(kept.at(i).tag))
                return i;
        }
        return -1;
    };
    qsizetype breakTokenIndex = lastWith(isSentenceBreak);
    if (breakTokenIndex < 0) {
        if (shown.characters < 2 * limit)
            return;
        breakTokenIndex = lastWith(isMinorBreak);
        if (breakTokenIndex < 0)
            breakTokenIndex = kept.size() - 1;
        if (breakTokenIndex < 0)
            return;
    }
    // The display text is the end of the hypothesis, so its length tells where it starts.
    const qsizetype textStart = transcription.formattedString.size() - shown.text.size();
    const qsizetype position = textStart + kept.at(breakTokenIndex).end();

    for (auto segment = transcription.segments.crbegin(); segment != transcription.segments.crend();
         ++segment) {
        const std::optional<Range> range = textRange(*segment, transcription.formattedString);
        if (!range || range->start <= position)
            continue;
        const double timestamp = segment->timestamp;
        if (m_pauseTimestamp ? timestamp > *m_pauseTimestamp : timestamp > 0.0)
            m_pauseTimestamp = timestamp;
        return;
    }
}
