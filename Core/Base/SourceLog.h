// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "Logging.h"

/// The log as one source file writes to it: every breadcrumb is filed under the file's label.
/// Any thread.
class SourceLog
{
public:
    /// \a file labels the breadcrumbs, such as "Core/ListeningModel".
    explicit SourceLog(QString file)
        : m_file(std::move(file))
    {}

    const QString &file() const { return m_file; }

    /// Records \a message from \a methodName at \a line of the file.
    void breadcrumb(const QString &message, const QString &methodName, unsigned line) const
    {
        Logging::shared().logBreadcrumb(message, m_file, methodName, line);
    }

private:
    QString m_file;
};
