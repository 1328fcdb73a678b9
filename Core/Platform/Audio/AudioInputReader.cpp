// SPDX-License-Identifier: GPL-3.0-or-later
#include "AudioInputReader.h"

#include "AudioTapFeeder.h"

#include <QAudioSource>

std::optional<PcmDecoder::Encoding> AudioInputReader::encodingFor(const QAudioFormat &format)
{
    switch (format.sampleFormat()) {
    case QAudioFormat::UInt8:
        return PcmDecoder::Encoding::UInt8;
    case QAudioFormat::Int16:
        return PcmDecoder::Encoding::Int16;
    case QAudioFormat::Int32:
        return PcmDecoder::Encoding::Int32;
    case QAudioFormat::Float:
        return PcmDecoder::Encoding::Float32;
    default:
        return std::nullopt;
    }
}

AudioInputReader::AudioInputReader(const QAudioDevice &device, const QAudioFormat &format,
                                   std::shared_ptr<AudioTapFeeder> feeder)
    : m_device(device)
    , m_format(format)
    , m_encoding(encodingFor(format).value_or(PcmDecoder::Encoding::Int16))
    , m_feeder(std::move(feeder))
{
    m_feeder->setFormat(format.sampleRate(), format.channelCount());
}

AudioInputReader::~AudioInputReader()
{
    stop();
}

QAudio::Error AudioInputReader::start()
{
    m_source = new QAudioSource(m_device, m_format, this);
    connect(m_source, &QAudioSource::stateChanged, this, &AudioInputReader::sourceStateChanged);
    m_input = m_source->start();
    if (!m_input || m_source->error() != QAudio::NoError) {
        const QAudio::Error error = m_input ? m_source->error() : QAudio::OpenError;
        stop();
        return error;
    }
    connect(m_input, &QIODevice::readyRead, this, &AudioInputReader::readAvailable);
    return QAudio::NoError;
}

void AudioInputReader::stop()
{
    if (!m_source)
        return;
    // Our own stop is no failure, and what the source still holds is not wanted.
    m_source->disconnect(this);
    if (m_input)
        m_input->disconnect(this);
    m_source->stop();
    // Later, since this may run inside one of the source's signals.
    m_source->deleteLater();
    m_source = nullptr;
    m_input = nullptr;
}

void AudioInputReader::readAvailable()
{
    m_partialSample += m_input->readAll();
    m_samples.clear();
    const qsizetype used =
        PcmDecoder::decode(m_encoding, QSysInfo::ByteOrder, m_partialSample, m_samples);
    m_partialSample.remove(0, used);
    m_feeder->append(m_samples);
}

void AudioInputReader::sourceStateChanged(QAudio::State state)
{
    const QAudio::Error error = m_source->error();
    if (state != QAudio::StoppedState || error == QAudio::NoError)
        return;
    stop();
    Q_EMIT failed(error);
}
