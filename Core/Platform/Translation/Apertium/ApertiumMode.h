// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QList>
#include <QString>
#include <QStringList>
#include <variant>

/// One translation direction's pipeline, as its mode file describes it, turned into stages that
/// can be started one by one and kept running.
///
/// A mode file is a shell pipeline such as `lt-proc 'a.bin' | apertium-tagger -g $2 'b.prob' |
/// … | lt-proc $1 'c.bin'`. Every stage gets `-z` right after its program, so that it flushes at
/// each NUL and lives on; `$1` becomes `-n`, the generator's mode that leaves unknown words
/// unmarked, and `$2`, the tagger's option, stays empty, as the `apertium` wrapper does by default.
/// Anything beyond words, quotes and pipes (redirections, `;`, `$(…)`, other variables) is refused:
/// such a file is no pipeline we could run without a shell. Any thread.
class ApertiumMode
{
public:
    /// A program and its arguments, `-z` included.
    struct Stage
    {
        QString program;
        QStringList arguments;

        friend bool operator==(const Stage &, const Stage &) = default;
    };

    /// The stages of \a pipeline (a mode file's text), or why it cannot be run.
    static std::variant<ApertiumMode, QString> parse(const QString &pipeline);

    /// The stages of the mode file at \a path, or why it cannot be read or run.
    static std::variant<ApertiumMode, QString> fromFile(const QString &path);

    QList<Stage> stages() const { return m_stages; }

private:
    explicit ApertiumMode(QList<Stage> stages);

    QList<Stage> m_stages;
};
