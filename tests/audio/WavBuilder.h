// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QFile>
#include <QtEndian>
#include <vector>

/// Puts WAV files together byte by byte, so that tests can make well-formed files of every kind
/// and malformed ones.
namespace WavBuilder {

/// \a values, little-endian.
template <typename T>
QByteArray packed(const std::vector<T> &values)
{
    QByteArray bytes(qsizetype(values.size() * sizeof(T)), Qt::Uninitialized);
    qToLittleEndian<T>(values.data(), qsizetype(values.size()), bytes.data());
    return bytes;
}

/// A chunk: its id, its size and \a body, then the pad byte of an odd size unless \a padded is
/// false.
inline QByteArray chunk(const QByteArray &id, const QByteArray &body, bool padded = true)
{
    return id + packed<quint32>({quint32(body.size())}) + body +
           QByteArray(padded ? body.size() % 2 : 0, '\0');
}

/// The body of a plain format chunk.
inline QByteArray format(quint16 tag, quint16 channels, quint32 sampleRate, quint16 bitsPerSample)
{
    const quint16 frameSize = channels * ((bitsPerSample + 7) / 8);
    return packed<quint16>({tag, channels}) +
           packed<quint32>({sampleRate, sampleRate * frameSize}) +
           packed<quint16>({frameSize, bitsPerSample});
}

/// The body of a WAVE_FORMAT_EXTENSIBLE format chunk whose sub-format has the GUID of the plain
/// format \a subFormatTag, or an unknown GUID when \a standardGuid is false.
inline QByteArray extensibleFormat(quint16 subFormatTag, quint16 channels, quint32 sampleRate,
                                   quint16 bitsPerSample, quint16 validBits,
                                   bool standardGuid = true)
{
    return format(0xFFFE, channels, sampleRate, bitsPerSample) + packed<quint16>({22, validBits}) +
           packed<quint32>({0}) + packed<quint16>({subFormatTag}) +
           QByteArray::fromHex(standardGuid ? "000000001000800000aa00389b71"
                                            : "0000d9cb11d1a6d23eb80008c7b9");
}

/// A RIFF/WAVE file of \a chunks, with a RIFF size that matches.
inline QByteArray riff(const QByteArray &chunks)
{
    return "RIFF" + packed<quint32>({quint32(chunks.size() + 4)}) + "WAVE" + chunks;
}

/// A file of a format chunk with \a format and a data chunk with \a data.
inline QByteArray wav(const QByteArray &format, const QByteArray &data)
{
    return riff(chunk("fmt ", format) + chunk("data", data));
}

inline bool write(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

} // namespace WavBuilder
