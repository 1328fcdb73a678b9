// SPDX-License-Identifier: GPL-3.0-or-later
#include "TranscriptExport.h"

#include "Platform/Store/Transcript.h"

#include <algorithm>

using namespace Qt::Literals::StringLiterals;

namespace {

CaptionFormat::Kind kindOf(TranscriptExport::Format format)
{
    return format == TranscriptExport::Format::SubRip ? CaptionFormat::Kind::SubRip
                                                      : CaptionFormat::Kind::WebVtt;
}

} // namespace

std::optional<QString> TranscriptExport::unavailableReason(const Transcript &transcript,
                                                           Format format, Content content)
{
    if (format == Format::PlainText) {
        if (content == Content::Translation && !transcript.targetText())
            return tr("This transcript has no translation yet.");
        return std::nullopt;
    }
    const QList<CaptionCue> cues = transcript.cues();
    if (cues.isEmpty())
        return tr("This transcript has no times: it was kept by an earlier version of Voxlume, or "
                  "nothing was heard. It can be exported as plain text only.");
    const bool translated = std::any_of(cues.begin(), cues.end(),
                                        [](const CaptionCue &cue) { return cue.translation; });
    if (content != Content::Spoken && !translated)
        return tr("This run was not translated while it ran, so its subtitles have no "
                  "translation. Export the spoken text, or the translation as plain text.");
    return std::nullopt;
}

QString TranscriptExport::text(const Transcript &transcript, Format format, Content content)
{
    if (format != Format::PlainText)
        return CaptionFormat::write(transcript.cues(), kindOf(format), content);
    const std::optional<QString> translation = transcript.formattedTargetText();
    switch (content) {
    case Content::Spoken:
        return transcript.formattedSourceText() + u'\n';
    case Content::Translation:
        return translation.value_or(QString()) + u'\n';
    case Content::Both:
        break;
    }
    QString text = transcript.formattedSourceText();
    if (translation)
        text += u"\n\n"_s + *translation;
    return text + u'\n';
}

QString TranscriptExport::suffix(Format format)
{
    return format == Format::PlainText ? u"txt"_s : CaptionFormat::suffix(kindOf(format));
}
