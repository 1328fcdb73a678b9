// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "Platform/Audio/AudioBuffer.h"

#include <QString>
#include <QStringList>
#include <vector>

/// Speech made by espeak-ng, as a capture device would deliver it: low noise before, between and
/// after the sentences, interleaved float samples cut into 1024-frame buffers.
///
/// The noise matters: after digital silence the decoder loses the first words, and a pause needs
/// half a second before the voice-activity detector ends an utterance.
class SpokenAudio
{
public:
    /// Speaks \a sentences at \a sampleRate with \a channelCount channels; with no buffers when
    /// espeak-ng or sox failed (error() says why).
    SpokenAudio(const QStringList &sentences, int sampleRate = 48'000, int channelCount = 2);

    const std::vector<AudioBufferPtr> &buffers() const { return m_buffers; }
    /// In seconds.
    double duration() const;
    QString error() const { return m_error; }

private:
    bool run(const QString &program, const QStringList &arguments);

    std::vector<AudioBufferPtr> m_buffers;
    QString m_error;
};
