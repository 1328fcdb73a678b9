// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "Base/Logging.h"

#include <QStringList>
#include <cstdio>

/// A temporary FILE that a log echoes into, as it would into standard output, and its lines.
class EchoFile
{
public:
    EchoFile()
        : m_file(std::tmpfile())
    {}
    ~EchoFile() { std::fclose(m_file); }
    EchoFile(const EchoFile &) = delete;
    EchoFile &operator=(const EchoFile &) = delete;

    FILE *file() const { return m_file; }

    /// Every line written so far.
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

private:
    FILE *m_file;
};

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
