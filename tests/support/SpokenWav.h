// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QStringList>

/// A story of everyday sentences with no five words repeated, for speaking to the recogniser.
inline const QStringList &spokenStory()
{
    static const QStringList story{
        QStringLiteral("The morning train was late again, so Maria walked to the bakery on the "
                       "corner and bought two warm rolls."),
        QStringLiteral("The baker told her that the river had risen during the night and that the "
                       "bridge near the school was closed."),
        QStringLiteral("She thanked him and decided to take the longer road past the old library."),
        QStringLiteral("On the way she met her neighbour, who was carrying a heavy box of books."),
        QStringLiteral(
            "They talked about the weather, the garden and the concert planned for next Saturday."),
        QStringLiteral("Her neighbour said that the orchestra had practised every evening for a "
                       "month and that the tickets were almost gone."),
        QStringLiteral("When Maria reached the office, her colleagues were already discussing the "
                       "new project."),
        QStringLiteral("The manager wanted a short report by Friday, with numbers for every region "
                       "and a clear plan for the spring."),
        QStringLiteral("Maria opened her notebook and wrote a list of questions."),
        QStringLiteral("Who would collect the data? How much time would the analysis need? Could "
                       "the team finish before the holiday?"),
        QStringLiteral("After lunch she called the supplier and asked for a new delivery date."),
        QStringLiteral("The supplier promised to send the parts on Tuesday and to call her if "
                       "anything changed."),
        QStringLiteral(
            "In the evening she walked home along the river, watched the water rush under the "
            "closed bridge, and thought about the long list of tasks waiting for her tomorrow."),
    };
    return story;
}

/// Has espeak-ng speak \a text into \a folder/\a name.wav, with half a second of low noise around
/// it (after digital silence the recogniser loses the first words); the file's path, or nothing
/// when espeak-ng or sox failed. The voice is the one the English model recognises best.
inline QString writeSpokenWav(const QDir &folder, const QString &name, const QString &text)
{
    const auto run = [](const QString &program, const QStringList &arguments) {
        QProcess process;
        process.start(program, arguments);
        return process.waitForFinished(-1) && process.exitCode() == 0;
    };
    const QString textFile = folder.filePath(name + QStringLiteral(".txt"));
    QFile file(textFile);
    if (!file.open(QIODevice::WriteOnly))
        return {};
    file.write(text.toUtf8());
    file.close();
    const QString voice = folder.filePath(name + QStringLiteral("-voice.wav"));
    const QString noise = folder.filePath(name + QStringLiteral("-noise.wav"));
    const QString speech = folder.filePath(name + QStringLiteral(".wav"));
    const bool made =
        run(QStringLiteral("espeak-ng"),
            {QStringLiteral("-v"), QStringLiteral("en-us+f2"), QStringLiteral("-s"),
             QStringLiteral("150"), QStringLiteral("-w"), voice, QStringLiteral("-f"), textFile}) &&
        run(QStringLiteral("sox"),
            {QStringLiteral("-R"), QStringLiteral("-n"), QStringLiteral("-r"),
             QStringLiteral("22050"), QStringLiteral("-c"), QStringLiteral("1"), noise,
             QStringLiteral("synth"), QStringLiteral("0.5"), QStringLiteral("whitenoise"),
             QStringLiteral("vol"), QStringLiteral("0.002")}) &&
        run(QStringLiteral("sox"), {noise, voice, noise, speech});
    return made ? speech : QString();
}
