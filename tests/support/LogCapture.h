// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "Logging.h"

#include <QStringList>
#include <cstdio>

/// Collects what the shared log echoes while it lives, through a real FILE as standard output
/// would; the echo goes back to standard output afterwards.
class LogCapture
{
public:
    LogCapture()
        : m_file(std::tmpfile())
    {
        Logging::shared().setEchoStream(m_file);
    }
    ~LogCapture()
    {
        Logging::shared().setEchoStream(stdout);
        std::fclose(m_file);
    }
    LogCapture(const LogCapture &) = delete;
    LogCapture &operator=(const LogCapture &) = delete;

    /// Every line so far.
    QStringList lines() const
    {
        std::fflush(m_file);
        std::rewind(m_file);
        QByteArray content;
        char buffer[4096];
        while (const size_t read = std::fread(buffer, 1, sizeof buffer, m_file))
            content.append(buffer, qsizetype(read));
        std::fseek(m_file, 0, SEEK_END);
        return QString::fromUtf8(content).split(u'\n', Qt::SkipEmptyParts);
    }

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
    FILE *m_file;
};
