// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QProcess>
#include <QString>
#include <QStringList>

/// How a player reads a subtitle file: ffmpeg and ffprobe, as the tests run them.
namespace SubtitleFileCheck {

/// What ffmpeg says on its error output when it converts \a file, or why it could not run; empty
/// when the file reads cleanly.
inline QString ffmpegErrors(const QString &file)
{
    QProcess ffmpeg;
    ffmpeg.start(QStringLiteral("ffmpeg"),
                 {QStringLiteral("-nostdin"), QStringLiteral("-v"), QStringLiteral("error"),
                  QStringLiteral("-i"), file, QStringLiteral("-f"), QStringLiteral("ass"),
                  QStringLiteral("-")});
    if (!ffmpeg.waitForFinished(30000))
        return QStringLiteral("ffmpeg did not finish: ") + ffmpeg.errorString();
    const QString errors = QString::fromUtf8(ffmpeg.readAllStandardError());
    return ffmpeg.exitCode() == 0
               ? errors
               : QStringLiteral("exit %1: %2").arg(ffmpeg.exitCode()).arg(errors);
}

/// The cues that ffprobe counts in \a file.
inline int packetsIn(const QString &file)
{
    QProcess ffprobe;
    ffprobe.start(QStringLiteral("ffprobe"),
                  {QStringLiteral("-v"), QStringLiteral("error"), QStringLiteral("-count_packets"),
                   QStringLiteral("-select_streams"), QStringLiteral("s:0"),
                   QStringLiteral("-show_entries"), QStringLiteral("stream=nb_read_packets"),
                   QStringLiteral("-of"), QStringLiteral("csv=p=0"), file});
    ffprobe.waitForFinished(30000);
    return QString::fromUtf8(ffprobe.readAllStandardOutput()).trimmed().toInt();
}

} // namespace SubtitleFileCheck
