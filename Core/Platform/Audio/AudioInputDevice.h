// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

/// An input device that audio can be captured from, as a settings view lists it.
struct AudioInputDevice
{
    /// The id that chooses what the computer plays: the monitor of the default output, whichever
    /// output that is at the start of capture. PulseAudio's own name for it.
    static inline const QString soundOfThisComputer = QStringLiteral("@DEFAULT_MONITOR@");

    /// What a choice of input holds to choose this device.
    QString id;
    /// The name to show the user.
    QString description;
    /// Whether capture uses this device when none is chosen.
    bool isDefault = false;

    friend bool operator==(const AudioInputDevice &, const AudioInputDevice &) = default;
};
