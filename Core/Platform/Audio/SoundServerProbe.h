// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <chrono>
#include <optional>

/// Asks the sound server (PulseAudio, or PipeWire through its PulseAudio service) which source it
/// records from by default, waiting no longer than a given time.
///
/// Qt 6.4 does not honour the server's default source, cannot tell a missing server from one
/// without microphones, and waits forever for a server that does not answer; asking the server
/// first, with a time limit, covers all three. Any thread.
class SoundServerProbe
{
public:
    SoundServerProbe() = delete;

    /// The name of the server's default source, empty when it has none; nothing when no server
    /// answers within \a timeout.
    static std::optional<QByteArray> defaultSourceName(std::chrono::milliseconds timeout);
};
