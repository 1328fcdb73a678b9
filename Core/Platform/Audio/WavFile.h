// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "Base/Error.h"
#include "PcmDecoder.h"

#include <memory>
#include <optional>
#include <variant>
#include <vector>

class QFile;

/// A WAV file opened for reading its audio, a block at a time.
///
/// Reads RIFF/WAVE files with integer PCM samples of 8, 16, 24 or 32 bits or floating-point samples
/// of 32 or 64 bits, plain or in WAVE_FORMAT_EXTENSIBLE, at any rate and channel count. It is
/// lenient where files in the wild are sloppy: unknown chunks are skipped, the pad byte after an
/// odd-sized chunk may be missing, and a data chunk whose size overstates the file (a file still
/// being written, or a size of 0xFFFFFFFF) is read to the end of the file. Anything else that is
/// wrong is an error whose description names the file and the problem.
///
/// One thread at a time.
class WavFile
{
public:
    /// The codes of the errors in errorDomain.
    enum ErrorCode {
        CannotOpen = 1,
        NotWav,
        Truncated,
        NoFormatChunk,
        NoDataChunk,
        MalformedFormat,
        UnsupportedEncoding,
        UnsupportedSampleSize,
        NoChannels,
        ImplausibleFormat,
        ReadFailed,
    };
    static inline const QString errorDomain = QStringLiteral("Voxlume.WavFile");

    /// Opens \a path and reads its header: the file, ready to read its frames, or why it cannot be
    /// read.
    static std::variant<WavFile, Error> open(const QString &path);

    WavFile(WavFile &&) noexcept;
    WavFile &operator=(WavFile &&) noexcept;
    ~WavFile();

    QString path() const { return m_path; }
    int sampleRate() const { return m_sampleRate; }
    int channelCount() const { return m_channelCount; }
    /// The frames that the data chunk holds, as far as the file reaches.
    qsizetype frameCount() const { return m_frameCount; }

    /// Appends the next frames, at most \a maxFrames of them, to \a samples as interleaved floats
    /// from -1 to 1; nothing once all frames have been read. An error when the file cannot be read.
    std::optional<Error> readFrames(qsizetype maxFrames, std::vector<float> &samples);

private:
    WavFile() = default;

    std::optional<Error> readHeader();
    std::optional<Error> readFormat(const QByteArray &chunk);
    bool isChunkIdAt(qint64 position);
    /// An error for the user, with the file's path in its user information.
    Error error(ErrorCode code, const QString &text) const;

    QString m_path;
    std::unique_ptr<QFile> m_file;
    PcmDecoder::Encoding m_encoding = PcmDecoder::Encoding::Int16;
    int m_sampleRate = 0;
    int m_channelCount = 0;
    int m_frameSize = 0;
    qsizetype m_frameCount = 0;
    qsizetype m_framesRead = 0;
};
