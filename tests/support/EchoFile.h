// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

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
