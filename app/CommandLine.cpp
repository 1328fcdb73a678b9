// SPDX-License-Identifier: GPL-3.0-or-later
#include "CommandLine.h"

#include <cstdio>

using namespace Qt::Literals::StringLiterals;

namespace {

// As the command-line tool does: a bad command is not a failure of the program.
constexpr int badArguments = 2;

void write(FILE *stream, const QString &text)
{
    std::fputs(text.toLocal8Bit().constData(), stream);
    std::fflush(stream);
}

} // namespace

CommandLine::CommandLine(const QStringList &arguments)
{
    m_parser.setApplicationDescription(tr("Live subtitles of what is said near the computer."));
    // Not Qt's own help option, whose --help-all would promise Qt's options too.
    m_parser.addOption({{u"h"_s, u"help"_s}, tr("Shows this help.")});
    m_parser.addVersionOption();
    m_parser.addOption({u"toggle"_s, tr("Start live subtitles, or stop them if they run, in the "
                                        "running Voxlume; start Voxlume if it does not run.")});
    m_isValid = m_parser.parse(arguments);
    if (!m_isValid) {
        m_error = m_parser.errorText();
    } else if (!m_parser.positionalArguments().isEmpty()) {
        m_isValid = false;
        m_error = tr("Unexpected argument: %1").arg(m_parser.positionalArguments().constFirst());
    }
}

bool CommandLine::asksForHelpOrVersion() const
{
    return m_parser.isSet(u"help"_s) || m_parser.isSet(u"version"_s);
}

bool CommandLine::toggle() const
{
    return m_parser.isSet(u"toggle"_s);
}

int CommandLine::print() const
{
    if (m_parser.isSet(u"help"_s)) {
        write(stdout, m_parser.helpText());
        return 0;
    }
    if (m_parser.isSet(u"version"_s)) {
        write(stdout, QCoreApplication::applicationName() + u' ' +
                          QCoreApplication::applicationVersion() + u'\n');
        return 0;
    }
    write(stderr, m_error + u'\n' +
                      tr("Try \"%1 --help\".").arg(QCoreApplication::arguments().constFirst()) +
                      u'\n');
    return badArguments;
}
