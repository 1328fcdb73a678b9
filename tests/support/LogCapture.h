// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "EchoFile.h"
#include "Logging.h"

/// Collects what the shared log echoes while it lives; the echo goes back to standard output
/// afterwards.
class LogCapture
{
public:
    LogCapture() { Logging::shared().setEchoStream(m_echo.file()); }
    ~LogCapture() { Logging::shared().setEchoStream(stdout); }

    /// Every line so far.
    QStringList lines() const { return m_echo.lines(); }

    /// The messages of the breadcrumbs so far, without their location.
    QStringList breadcrumbs() const
    {
        QStringList messages;
        for (const QString &line : lines()) {
            if (line.startsWith(QStringLiteral("Breadcrumb: ")))
                messages << line.mid(12).section(QStringLiteral(" from "), 0, -2);
        }
        return messages;
    }

private:
    EchoFile m_echo;
};
