// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "SentryOptions.h"

class BreadcrumbTrail;

/// Turns a crash into a report: when the process dies of a fatal signal, writes an envelope with
/// the breadcrumbs and the crashing stack into the queue, for the next start to send.
///
/// All the report's fixed parts are prepared when installing; the handler only copies them, walks
/// the stack and writes one file, then lets the signal end the process as it would have.
class CrashHandler
{
public:
    CrashHandler() = delete;

    /// Installs the handlers, reporting to the queue of \a options with the breadcrumbs of
    /// \a trail; a later call points them at another client. Main thread.
    static void install(const SentryOptions &options, const BreadcrumbTrail *trail);

    /// Stops reporting crashes to \a trail's client, which is going away.
    static void uninstall(const BreadcrumbTrail *trail);

    /// The text a crash report gives instead of the signal's name, set just before the program
    /// stops itself on purpose.
    static void setFatalMessage(const QString &message);
};
