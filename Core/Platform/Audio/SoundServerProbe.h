// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <chrono>
#include <optional>

/// Asks the sound server (PulseAudio, or PipeWire through its PulseAudio service) for its default
/// source and sink and for the sources it has, waiting no longer than a given time.
///
/// Qt 6.4 does not honour the server's default source, lists no monitor of an output, cannot tell
/// a missing server from one without microphones, and waits forever for a server that does not
/// answer; asking the server first, with a time limit, covers all four. Any thread; it blocks, so
/// not the main thread of a program.
class SoundServerProbe
{
public:
    /// One source the server records from.
    struct Source
    {
        /// The server's name for it, which is also Qt Multimedia's device id.
        QByteArray name;
        /// The name to show the user.
        QString description;
        /// Whether it hears what a sink (an output) plays rather than a microphone.
        bool isMonitor = false;

        friend bool operator==(const Source &, const Source &) = default;
    };

    /// What the server answered.
    struct Answer
    {
        /// Empty when the server has none.
        QByteArray defaultSource;
        QByteArray defaultSink;
        QList<Source> sources;

        /// The source named \a name, when the server has one.
        std::optional<Source> source(const QByteArray &name) const
        {
            for (const Source &source : sources) {
                if (source.name == name)
                    return source;
            }
            return std::nullopt;
        }
        /// The name of the default sink's monitor; empty when there is no default sink.
        QByteArray defaultSinkMonitor() const
        {
            return defaultSink.isEmpty() ? QByteArray() : defaultSink + ".monitor";
        }

        friend bool operator==(const Answer &, const Answer &) = default;
    };

    SoundServerProbe() = delete;

    /// The server's answer; nothing when no server answers within \a timeout.
    static std::optional<Answer> ask(std::chrono::milliseconds timeout);
};
