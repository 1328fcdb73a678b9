// SPDX-License-Identifier: GPL-3.0-or-later
#include "SpokenAudio.h"

#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include <cstring>
#include <numeric>

using namespace Qt::Literals::StringLiterals;

namespace {

constexpr qsizetype framesPerBuffer = 1024;

} // namespace

SpokenAudio::SpokenAudio(const QStringList &sentences, int sampleRate, int channelCount)
{
    const QTemporaryDir folder;
    const QString noise = folder.filePath(u"noise.wav"_s);
    if (!run(u"sox"_s, {u"-R"_s, u"-n"_s, u"-r"_s, u"22050"_s, u"-c"_s, u"1"_s, noise, u"synth"_s,
                        u"1"_s, u"whitenoise"_s, u"vol"_s, u"0.002"_s}))
        return;
    QStringList parts{noise};
    for (qsizetype i = 0; i < sentences.size(); ++i) {
        const QString speech = folder.filePath(u"sentence-%1.wav"_s.arg(i));
        if (!run(u"espeak-ng"_s,
                 {u"-v"_s, u"en-us"_s, u"-s"_s, u"150"_s, u"-w"_s, speech, sentences[i]}))
            return;
        parts << speech << noise;
    }
    const QString raw = folder.filePath(u"speech.raw"_s);
    if (!run(u"sox"_s, parts + QStringList{u"-t"_s, u"raw"_s, u"-e"_s, u"floating-point"_s, u"-b"_s,
                                           u"32"_s, u"-r"_s, QString::number(sampleRate), u"-c"_s,
                                           QString::number(channelCount), raw}))
        return;
    QFile file(raw);
    if (!file.open(QIODevice::ReadOnly)) {
        m_error = file.errorString();
        return;
    }
    const QByteArray bytes = file.readAll();
    std::vector<float> samples(size_t(bytes.size()) / sizeof(float));
    std::memcpy(samples.data(), bytes.constData(), samples.size() * sizeof(float));
    const qsizetype step = framesPerBuffer * channelCount;
    for (qsizetype start = 0; start < qsizetype(samples.size()); start += step) {
        const auto first = samples.cbegin() + start;
        const auto last = samples.cbegin() + std::min(start + step, qsizetype(samples.size()));
        m_buffers.push_back(std::make_shared<const AudioBuffer>(sampleRate, channelCount,
                                                                std::vector<float>(first, last)));
    }
}

double SpokenAudio::duration() const
{
    return std::accumulate(
        m_buffers.cbegin(), m_buffers.cend(), 0.0,
        [](double sum, const AudioBufferPtr &buffer) { return sum + buffer->duration(); });
}

bool SpokenAudio::run(const QString &program, const QStringList &arguments)
{
    QProcess process;
    process.start(program, arguments);
    if (process.waitForFinished(60'000) && process.exitStatus() == QProcess::NormalExit &&
        process.exitCode() == 0)
        return true;
    m_error = program + u": "_s + process.errorString() + u' ' +
              QString::fromLocal8Bit(process.readAllStandardError());
    return false;
}
