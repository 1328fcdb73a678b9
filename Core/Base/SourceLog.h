// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "Logging.h"

/// The log as one of the core models writes to it: breadcrumbs filed under labels that stay the
/// same from release to release. Any thread.
///
/// This is the one place where labels are written by hand. Crash reports group and search
/// breadcrumbs and errors by their category, the file's stem and the method
/// ("ListeningModel:startListening()"), and the core models' categories are part of what the
/// program reports: they must not change when a function is renamed, split or turned into a
/// coroutine. So these models give their file label once, here, and the method label of each
/// step where it is logged; transcript assembly files its steps under the listening model, whose
/// work it does. The line always comes from the compiler. Everything else logs through
/// Logging::breadcrumb(), which takes the file and the function from the compiler too.
class SourceLog
{
public:
    /// \a file labels the breadcrumbs, such as "Core/ListeningModel".
    explicit SourceLog(QString file)
        : m_file(std::move(file))
    {}

    const QString &file() const { return m_file; }

    /// Records \a message under the stable \a methodName, from the line that calls it.
    void breadcrumb(const QString &message, const QString &methodName,
                    SourceLocation where = SourceLocation::current()) const
    {
        Logging::shared().logBreadcrumb(message, m_file, methodName, where.line());
    }

    /// Records \a message under the calling function, as the compiler names it: for steps whose
    /// label nothing relies on.
    void breadcrumb(const QString &message, SourceLocation where = SourceLocation::current()) const
    {
        Logging::shared().logBreadcrumb(message, m_file, Logging::functionLabel(where),
                                        where.line());
    }

private:
    QString m_file;
};
