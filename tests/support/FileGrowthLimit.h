// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QtGlobal>
#include <csignal>
#include <sys/resource.h>

/// While it lives, no file of this process may grow past a size, so that writes beyond it fail as
/// on a full disk. Tests run as root, whom file permissions do not stop; a size limit stops even
/// root. The signal that would end the process becomes an error of the write instead.
class FileGrowthLimit
{
public:
    explicit FileGrowthLimit(qint64 bytes)
    {
        getrlimit(RLIMIT_FSIZE, &m_previous);
        m_previousHandler = std::signal(SIGXFSZ, SIG_IGN);
        const rlimit limit{rlim_t(bytes), m_previous.rlim_max};
        setrlimit(RLIMIT_FSIZE, &limit);
    }
    FileGrowthLimit(const FileGrowthLimit &) = delete;
    FileGrowthLimit &operator=(const FileGrowthLimit &) = delete;
    ~FileGrowthLimit()
    {
        setrlimit(RLIMIT_FSIZE, &m_previous);
        std::signal(SIGXFSZ, m_previousHandler);
    }

private:
    rlimit m_previous{};
    void (*m_previousHandler)(int) = nullptr;
};
