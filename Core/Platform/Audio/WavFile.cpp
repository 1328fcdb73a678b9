// SPDX-License-Identifier: GPL-3.0-or-later
#include "WavFile.h"

#include <QCoreApplication>
#include <QFile>
#include <QtEndian>
#include <algorithm>

using namespace Qt::Literals::StringLiterals;

namespace {

// Far beyond any real recording, yet small enough that a block of frames stays a few megabytes.
constexpr quint32 maximumSampleRate = 1'536'000;
constexpr int maximumChannelCount = 1024;

constexpr quint16 pcmTag = 0x0001;
constexpr quint16 floatTag = 0x0003;
constexpr quint16 extensibleTag = 0xFFFE;

quint16 u16(const char *data)
{
    return qFromLittleEndian<quint16>(data);
}

quint32 u32(const char *data)
{
    return qFromLittleEndian<quint32>(data);
}

std::optional<PcmDecoder::Encoding> encodingFor(quint16 tag, int bytesPerSample)
{
    using Encoding = PcmDecoder::Encoding;
    if (tag == floatTag) {
        if (bytesPerSample == 4)
            return Encoding::Float32;
        if (bytesPerSample == 8)
            return Encoding::Float64;
        return std::nullopt;
    }
    switch (bytesPerSample) {
    case 1:
        return Encoding::UInt8;
    case 2:
        return Encoding::Int16;
    case 3:
        return Encoding::Int24;
    case 4:
        return Encoding::Int32;
    default:
        return std::nullopt;
    }
}

} // namespace

std::variant<WavFile, Error> WavFile::open(const QString &path)
{
    WavFile file;
    file.m_path = path;
    file.m_file = std::make_unique<QFile>(path);
    if (!file.m_file->open(QIODevice::ReadOnly)) {
        return file.error(CannotOpen,
                          QCoreApplication::translate("WavFile", "“%1” cannot be opened: %2.")
                              .arg(path, file.m_file->errorString()));
    }
    if (std::optional<Error> error = file.readHeader())
        return *std::move(error);
    return file;
}

WavFile::WavFile(WavFile &&) noexcept = default;
WavFile &WavFile::operator=(WavFile &&) noexcept = default;
WavFile::~WavFile() = default;

std::optional<Error> WavFile::readFrames(qsizetype maxFrames, std::vector<float> &samples)
{
    const qsizetype frames = std::min(maxFrames, m_frameCount - m_framesRead);
    if (frames <= 0)
        return std::nullopt;
    const QByteArray bytes = m_file->read(qint64(frames) * m_frameSize);
    if (bytes.size() < frames * m_frameSize) {
        return error(ReadFailed,
                     QCoreApplication::translate("WavFile", "“%1” could not be read: %2.")
                         .arg(m_path, m_file->errorString()));
    }
    PcmDecoder::decode(m_encoding, QSysInfo::LittleEndian, bytes, samples);
    m_framesRead += frames;
    return std::nullopt;
}

std::optional<Error> WavFile::readHeader()
{
    const auto truncated = [this] {
        return error(
            Truncated,
            QCoreApplication::translate("WavFile", "“%1” ends inside its header.").arg(m_path));
    };
    const QByteArray riff = m_file->read(12);
    if (riff.startsWith("RIFF") && riff.size() < 12)
        return truncated();
    if (!riff.startsWith("RIFF") || riff.sliced(8) != "WAVE")
        return error(NotWav,
                     QCoreApplication::translate("WavFile", "“%1” is not a WAV file.").arg(m_path));

    const qint64 fileSize = m_file->size();
    std::optional<QByteArray> format;
    std::optional<std::pair<qint64, qint64>> data;
    qint64 position = 12;
    while (!(format && data) && m_file->seek(position)) {
        const QByteArray header = m_file->read(8);
        if (header.isEmpty())
            break;
        if (header.size() < 8)
            return truncated();
        const QByteArray id = header.first(4);
        const qint64 size = u32(header.constData() + 4);
        const qint64 body = position + 8;
        if (id == "data") {
            data = {body, std::min(size, fileSize - body)};
            // It runs to the end of the file, so no chunk can follow it.
            if (size > fileSize - body)
                break;
        } else if (size > fileSize - body) {
            return truncated();
        } else if (id == "fmt " && !format) {
            format = m_file->read(size);
        }
        position = body + size;
        // Chunks of odd size are followed by a pad byte, which some writers leave out.
        if (size % 2 == 1 && !(isChunkIdAt(position) && !isChunkIdAt(position + 1)))
            ++position;
    }

    if (!format) {
        return error(NoFormatChunk,
                     QCoreApplication::translate(
                         "WavFile", "“%1” is not a valid WAV file: it has no format chunk.")
                         .arg(m_path));
    }
    if (!data) {
        return error(NoDataChunk,
                     QCoreApplication::translate(
                         "WavFile", "“%1” is not a valid WAV file: it has no data chunk.")
                         .arg(m_path));
    }
    if (std::optional<Error> error = readFormat(*format))
        return error;
    m_frameCount = data->second / m_frameSize;
    m_file->seek(data->first);
    return std::nullopt;
}

std::optional<Error> WavFile::readFormat(const QByteArray &chunk)
{
    const char *fields = chunk.constData();
    if (chunk.size() < 16 || (u16(fields) == extensibleTag && chunk.size() < 40)) {
        return error(MalformedFormat,
                     QCoreApplication::translate(
                         "WavFile", "“%1” is not a valid WAV file: its format chunk is too short.")
                         .arg(m_path));
    }
    quint16 tag = u16(fields);
    const quint16 channels = u16(fields + 2);
    const quint32 sampleRate = u32(fields + 4);
    const quint16 frameSize = u16(fields + 12);
    const quint16 bitsPerSample = u16(fields + 14);

    if (tag == extensibleTag) {
        // The sub-format is a GUID whose first two bytes are the format tag of a plain file, when
        // the rest is the standard suffix.
        static const QByteArray guidSuffix = QByteArray::fromHex("000000001000800000aa00389b71");
        if (chunk.sliced(26, 14) == guidSuffix)
            tag = u16(fields + 24);
    }
    if (tag != pcmTag && tag != floatTag) {
        return error(
            UnsupportedEncoding,
            QCoreApplication::translate("WavFile",
                                        "“%1” holds compressed or unknown audio (format %2); only "
                                        "PCM and floating-point WAV files can be read.")
                .arg(m_path, u"0x"_s + QString::number(tag, 16).rightJustified(4, u'0').toUpper()));
    }
    if (channels == 0)
        return error(
            NoChannels,
            QCoreApplication::translate("WavFile", "“%1” has no audio channels.").arg(m_path));

    const int bytesPerSample = (bitsPerSample + 7) / 8;
    const std::optional<PcmDecoder::Encoding> encoding = encodingFor(tag, bytesPerSample);
    if (!encoding) {
        return error(UnsupportedSampleSize,
                     QCoreApplication::translate("WavFile",
                                                 "“%1” holds %2-bit samples, which cannot be read.")
                         .arg(m_path, QString::number(bitsPerSample)));
    }
    if (sampleRate == 0 || sampleRate > maximumSampleRate || channels > maximumChannelCount ||
        frameSize != channels * bytesPerSample) {
        return error(ImplausibleFormat,
                     QCoreApplication::translate(
                         "WavFile", "“%1” is not a valid WAV file: its format (%2 "
                                    "channels at %3 Hz, %4 bytes a frame) is impossible.")
                         .arg(m_path, QString::number(channels), QString::number(sampleRate),
                              QString::number(frameSize)));
    }

    m_encoding = *encoding;
    m_sampleRate = int(sampleRate);
    m_channelCount = channels;
    m_frameSize = frameSize;
    return std::nullopt;
}

bool WavFile::isChunkIdAt(qint64 position)
{
    if (!m_file->seek(position))
        return false;
    const QByteArray id = m_file->read(4);
    return id.size() == 4 &&
           std::all_of(id.begin(), id.end(), [](char c) { return c >= 0x20 && c <= 0x7E; });
}

Error WavFile::error(ErrorCode code, const QString &text) const
{
    return Error(errorDomain, code, {{Error::localizedDescriptionKey, text}, {u"path"_s, m_path}});
}
