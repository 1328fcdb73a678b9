// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "Error.h"
#include "SourceLocation.h"

#include <QString>
#include <QVariantMap>
#include <cstdio>
#include <memory>
#include <optional>

class CrashReporter;

/// The one entry to diagnostics: breadcrumbs and errors go to the crash reporter and are echoed
/// to standard output.
///
/// Every method may be called from any thread.
class Logging
{
public:
    /// The process's log; its first use starts crash reporting, when the build names a DSN.
    static Logging &shared();

    /// A log that reports to \a reporter (none: echo only) and echoes to \a echo.
    explicit Logging(std::unique_ptr<CrashReporter> reporter, FILE *echo = stdout);
    virtual ~Logging();

    Logging(const Logging &) = delete;
    Logging &operator=(const Logging &) = delete;

    /// Echoes "Error: " and the error's description, and captures the error with its domain and
    /// code added to its user information, then \a additionalUserInfo merged over it.
    virtual void logError(const Error &error,
                          const std::optional<QVariantMap> &additionalUserInfo = std::nullopt);

    /// Captures an error made of \a message, whose domain is the location label and whose code is
    /// \a line.
    virtual void logErrorMessage(const QString &message, const QString &file,
                                 const QString &methodName, unsigned line);

    /// Adds a breadcrumb at level info under the location label, and echoes
    /// "Breadcrumb: <message> from <label> at line <line>".
    virtual void logBreadcrumb(const QString &message, const QString &file,
                               const QString &methodName, unsigned line);

    /// Adds a breadcrumb from the line that calls it, filed under that file and function as the
    /// compiler names them: "UpdateChecker:startCheck()". Labels that must stay the same from
    /// release to release go through SourceLog instead.
    void breadcrumb(const QString &message, SourceLocation where = SourceLocation::current());

    /// Captures an error made of \a message, as logErrorMessage() does, from the line that calls
    /// it.
    void errorMessage(const QString &message, SourceLocation where = SourceLocation::current());

    /// Writes a diagnostic \a line to the echo output only, not to the crash reporter.
    void writeLine(const QString &line);

    /// Sends the echo to \a stream from now on (standard output by default); a program whose
    /// standard output carries its results moves the echo to standard error. Set it before other
    /// threads log.
    void setEchoStream(FILE *stream) { m_echo = stream; }

    /// \a text as a log line carries it: its length and its newest few hundred characters, so that
    /// a line about a growing text does not grow with it.
    static QString excerpt(const QString &text);

    /// The file's stem, ":" and the method: "ListeningModel:startListening()".
    static QString locationLabel(const QString &file, const QString &methodName);

    /// The function that \a where is in, as a method label: its own name and "()", without scope,
    /// return type or parameters. A lambda is labelled with the function it is written in.
    static QString functionLabel(const SourceLocation &where);

private:
    std::unique_ptr<CrashReporter> m_reporter;
    FILE *m_echo;
};
