// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QDir>
#include <QProcess>
#include <QRegularExpression>
#include <QStringList>
#include <algorithm>
#include <numeric>

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
    using namespace Qt::Literals::StringLiterals;
    const auto run = [](const QString &program, const QStringList &arguments) {
        return QProcess::execute(program, arguments) == 0;
    };
    const QString voice = folder.filePath(name + u"-voice.wav"_s);
    const QString noise = folder.filePath(name + u"-noise.wav"_s);
    const QString speech = folder.filePath(name + u".wav"_s);
    const bool made =
        run(u"espeak-ng"_s,
            {u"-v"_s, u"en-us+f2"_s, u"-s"_s, u"150"_s, u"-w"_s, voice, u"--"_s, text}) &&
        run(u"sox"_s, {u"-R"_s, u"-n"_s, u"-r"_s, u"22050"_s, u"-c"_s, u"1"_s, noise, u"synth"_s,
                       u"0.5"_s, u"whitenoise"_s, u"vol"_s, u"0.002"_s}) &&
        run(u"sox"_s, {noise, voice, noise, speech});
    return made ? speech : QString();
}

/// The words of \a text in lower case, as the recogniser writes them.
inline QStringList wordsOf(const QString &text)
{
    return text.toLower().split(QRegularExpression(QStringLiteral("[^a-z']+")), Qt::SkipEmptyParts);
}

/// The share of the words of \a spoken that \a heard gets wrong: left out, replaced or added.
inline double wordErrorRate(const QString &spoken, const QString &heard)
{
    const QStringList reference = wordsOf(spoken);
    const QStringList hypothesis = wordsOf(heard);
    QList<qsizetype> distances(hypothesis.size() + 1);
    std::iota(distances.begin(), distances.end(), 0);
    for (qsizetype i = 1; i <= reference.size(); ++i) {
        qsizetype diagonal = distances[0];
        distances[0] = i;
        for (qsizetype j = 1; j <= hypothesis.size(); ++j) {
            const qsizetype substitution = diagonal + (reference[i - 1] != hypothesis[j - 1]);
            diagonal = distances[j];
            distances[j] = std::min({distances[j] + 1, distances[j - 1] + 1, substitution});
        }
    }
    return double(distances.last()) / double(reference.size());
}
