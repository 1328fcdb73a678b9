// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "AudioSourceReader.h"
#include "PcmDecoder.h"

#include <QAudioDevice>
#include <QAudioFormat>
#include <QIODevice>
#include <QPointer>
#include <memory>
#include <optional>
#include <vector>

class AudioTapFeeder;
class QAudioSource;

/// Reads one input device that Qt Multimedia lists through a QAudioSource, on the thread it lives
/// on, and hands the samples to a tap feeder as floats.
class AudioInputReader : public AudioSourceReader
{
    Q_OBJECT

public:
    /// How samples of \a format are decoded; nothing when they cannot be.
    static std::optional<PcmDecoder::Encoding> encodingFor(const QAudioFormat &format);

    /// Reads \a device in \a format, which must be decodable, into \a feeder.
    AudioInputReader(const QAudioDevice &device, const QAudioFormat &format,
                     std::shared_ptr<AudioTapFeeder> feeder);
    ~AudioInputReader() override;

    QAudio::Error start() override;
    void stop() override;

private:
    void readAvailable();
    void sourceStateChanged(QAudio::State state);

    const QAudioDevice m_device;
    const QAudioFormat m_format;
    const PcmDecoder::Encoding m_encoding;
    const std::shared_ptr<AudioTapFeeder> m_feeder;
    QAudioSource *m_source = nullptr;
    /// Owned by the source, which deletes it when the device fails.
    QPointer<QIODevice> m_input;
    /// Bytes of a sample that the next read completes.
    QByteArray m_partialSample;
    std::vector<float> m_samples;
};
