// SPDX-License-Identifier: GPL-3.0-or-later
#include "CaptionFormat.h"

#include <cmath>

using namespace Qt::Literals::StringLiterals;

namespace {

// WebVTT reads "<" as the start of a tag, "&" as the start of an entity and "-->" as a timing.
QString escaped(QString line, CaptionFormat::Kind kind)
{
    if (kind == CaptionFormat::Kind::WebVtt)
        return line.replace(u'&', u"&amp;"_s).replace(u'<', u"&lt;"_s).replace(u'>', u"&gt;"_s);
    return line;
}

// The lines of \a cue that \a content asks for; none when it has none of that text.
QStringList linesOf(const CaptionCue &cue, CaptionFormat::Content content)
{
    const QString translation = cue.translation.value_or(QString()).simplified();
    switch (content) {
    case CaptionFormat::Content::Spoken:
        return CaptionCue::wrap(cue.text);
    case CaptionFormat::Content::Translation:
        return CaptionCue::wrap(translation);
    case CaptionFormat::Content::Both: {
        QStringList lines{cue.text.simplified()};
        if (!translation.isEmpty())
            lines << translation;
        return lines.first().isEmpty() ? QStringList() : lines;
    }
    }
    return {};
}

} // namespace

QString CaptionFormat::write(const QList<CaptionCue> &cues, Kind kind, Content content)
{
    QString file = kind == Kind::WebVtt ? u"WEBVTT\n\n"_s : QString();
    int number = 0;
    for (const CaptionCue &cue : cues) {
        const QStringList lines = linesOf(cue, content);
        if (lines.isEmpty())
            continue;
        if (kind == Kind::SubRip)
            file += QString::number(++number) + u'\n';
        file += timestamp(cue.start, kind) + u" --> "_s + timestamp(cue.end, kind) + u'\n';
        for (const QString &line : lines)
            file += escaped(line, kind) + u'\n';
        file += u'\n';
    }
    return file;
}

QString CaptionFormat::timestamp(double seconds, Kind kind)
{
    const qint64 milliseconds = std::llround(std::max(0.0, seconds) * 1000.0);
    const qint64 totalSeconds = milliseconds / 1000;
    const auto padded = [](qint64 value, int width) {
        return QString::number(value).rightJustified(width, u'0');
    };
    return padded(totalSeconds / 3600, 2) + u':' + padded(totalSeconds / 60 % 60, 2) + u':' +
           padded(totalSeconds % 60, 2) + (kind == Kind::SubRip ? u',' : u'.') +
           padded(milliseconds % 1000, 3);
}

QString CaptionFormat::suffix(Kind kind)
{
    return kind == Kind::SubRip ? u"srt"_s : u"vtt"_s;
}
