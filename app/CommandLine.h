// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QCommandLineParser>
#include <QCoreApplication>

/// What the program is asked on its command line: `--toggle`, `--help` or `--version`.
///
/// It can be read before the application object exists, so that the program knows whether it
/// needs a display at all: help and version answer in a terminal without one. Main thread.
class CommandLine
{
    Q_DECLARE_TR_FUNCTIONS(CommandLine)

public:
    explicit CommandLine(const QStringList &arguments);

    /// Whether the command asks for the help or the version.
    bool asksForHelpOrVersion() const;
    /// Whether the command asks only for something printed (the help, the version, or what is
    /// wrong with it), after which the program ends. Qt's own options (-platform, for example)
    /// count as wrong until the application object has taken them out of the arguments.
    bool onlyPrints() const { return !m_isValid || asksForHelpOrVersion(); }
    /// Prints the help, the version or what is wrong to the terminal, and returns the exit status.
    /// Needs an application object, and its translations installed for the help's language.
    int print() const;
    /// Whether live subtitles are to start or stop in the running program.
    bool toggle() const;

private:
    QCommandLineParser m_parser;
    QString m_error;
    bool m_isValid;
};
