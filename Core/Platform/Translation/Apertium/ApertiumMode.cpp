// SPDX-License-Identifier: GPL-3.0-or-later
#include "ApertiumMode.h"

#include <QFile>

using namespace Qt::Literals::StringLiterals;

namespace {

// A shell word, and whether any of it was quoted: a quoted "$1" is no placeholder, and a quoted
// empty word is still a word.
struct Word
{
    QString text;
    bool quoted = false;
};
using Command = QList<Word>;

const QString nullFlush = u"-z"_s;
const QString unmarkedGeneration = u"-n"_s;

QString unsupported(QChar character)
{
    return u"the mode uses the shell feature “%1”, which cannot run without a shell"_s.arg(
        character);
}

// Splits the pipeline into commands of words, the way a POSIX shell quotes.
std::variant<QList<Command>, QString> splitCommands(const QString &pipeline)
{
    QList<Command> commands(1);
    std::optional<Word> word;
    const auto endWord = [&] {
        if (word)
            commands.last() << *word;
        word.reset();
    };
    for (qsizetype i = 0; i < pipeline.size(); ++i) {
        const QChar character = pipeline.at(i);
        if (character.isSpace()) {
            endWord();
        } else if (character == u'|') {
            endWord();
            commands << Command();
        } else if (character == u'\'') {
            const qsizetype end = pipeline.indexOf(u'\'', i + 1);
            if (end < 0)
                return u"a single quote is not closed"_s;
            word = Word{(word ? word->text : QString()) + pipeline.mid(i + 1, end - i - 1), true};
            i = end;
        } else if (character == u'"') {
            QString text = word ? word->text : QString();
            qsizetype j = i + 1;
            for (; j < pipeline.size() && pipeline.at(j) != u'"'; ++j) {
                if (pipeline.at(j) == u'$' || pipeline.at(j) == u'`')
                    return unsupported(pipeline.at(j));
                if (pipeline.at(j) == u'\\' && j + 1 < pipeline.size() &&
                    u"\"\\\n"_s.contains(pipeline.at(j + 1)))
                    ++j;
                text += pipeline.at(j);
            }
            if (j == pipeline.size())
                return u"a double quote is not closed"_s;
            word = Word{text, true};
            i = j;
        } else if (character == u'\\') {
            if (++i == pipeline.size())
                return u"the mode ends in a backslash"_s;
            if (pipeline.at(i) != u'\n')
                word = Word{(word ? word->text : QString()) + pipeline.at(i), true};
        } else if (u";&<>()`*?~#"_s.contains(character)) {
            return unsupported(character);
        } else {
            word = Word{(word ? word->text : QString()) + character, word && word->quoted};
        }
    }
    endWord();
    return commands;
}

// The stage of one command, with the wrapper's placeholders filled in.
std::variant<ApertiumMode::Stage, QString> stageOf(const Command &command)
{
    QStringList words;
    for (const Word &word : command) {
        if (word.quoted || !word.text.contains(u'$')) {
            words << word.text;
        } else if (word.text == u"$1") {
            words << unmarkedGeneration;
        } else if (word.text != u"$2") {
            return unsupported(u'$');
        }
    }
    if (words.isEmpty())
        return u"a stage of the pipeline is empty"_s;
    ApertiumMode::Stage stage{words.takeFirst(), words};
    stage.arguments.prepend(nullFlush);
    return stage;
}

} // namespace

ApertiumMode::ApertiumMode(QList<Stage> stages)
    : m_stages(std::move(stages))
{}

std::variant<ApertiumMode, QString> ApertiumMode::parse(const QString &pipeline)
{
    const auto commands = splitCommands(pipeline);
    if (const auto *problem = std::get_if<QString>(&commands))
        return *problem;
    QList<Stage> stages;
    for (const Command &command : std::get<QList<Command>>(commands)) {
        const auto stage = stageOf(command);
        if (const auto *problem = std::get_if<QString>(&stage))
            return *problem;
        stages << std::get<Stage>(stage);
    }
    return ApertiumMode(stages);
}

std::variant<ApertiumMode, QString> ApertiumMode::fromFile(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return u"%1 cannot be read: %2"_s.arg(path, file.errorString());
    return parse(QString::fromUtf8(file.readAll()));
}
