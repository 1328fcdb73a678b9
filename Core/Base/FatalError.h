// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

/// Stops the program for a fault it cannot go on from: writes "Fatal error: " and \a message to
/// standard error, and ends the process so that the crash reporter records a crash with
/// \a message.
[[noreturn]] void fatalError(const QString &message);
