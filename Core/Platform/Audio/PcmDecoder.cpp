// SPDX-License-Identifier: GPL-3.0-or-later
#include "PcmDecoder.h"

#include <QtEndian>
#include <algorithm>
#include <bit>
#include <cmath>

namespace {

template <typename T>
T load(const char *data, QSysInfo::Endian byteOrder)
{
    return byteOrder == QSysInfo::LittleEndian ? qFromLittleEndian<T>(data)
                                               : qFromBigEndian<T>(data);
}

qint32 loadInt24(const char *data, QSysInfo::Endian byteOrder)
{
    const auto *bytes = reinterpret_cast<const uchar *>(data);
    const quint32 value = byteOrder == QSysInfo::LittleEndian
                              ? bytes[0] | bytes[1] << 8 | bytes[2] << 16
                              : bytes[2] | bytes[1] << 8 | bytes[0] << 16;
    // Shifting the top byte into the sign bit and back extends the sign.
    return qint32(value << 8) >> 8;
}

// Float input can hold anything, but every consumer expects the -1 to 1 of integer audio.
float bounded(double value)
{
    return std::isfinite(value) ? float(std::clamp(value, -1.0, 1.0)) : 0.0f;
}

float decodeOne(PcmDecoder::Encoding encoding, const char *data, QSysInfo::Endian byteOrder)
{
    using Encoding = PcmDecoder::Encoding;
    switch (encoding) {
    case Encoding::UInt8:
        return (float(uchar(*data)) - 128.0f) / 128.0f;
    case Encoding::Int16:
        return float(load<qint16>(data, byteOrder)) / 32768.0f;
    case Encoding::Int24:
        return float(loadInt24(data, byteOrder)) / 8388608.0f;
    case Encoding::Int32:
        return float(double(load<qint32>(data, byteOrder)) / 2147483648.0);
    case Encoding::Float32:
        return bounded(std::bit_cast<float>(load<quint32>(data, byteOrder)));
    case Encoding::Float64:
        return bounded(std::bit_cast<double>(load<quint64>(data, byteOrder)));
    }
    Q_UNREACHABLE();
    return 0.0f;
}

} // namespace

int PcmDecoder::bytesPerSample(Encoding encoding)
{
    switch (encoding) {
    case Encoding::UInt8:
        return 1;
    case Encoding::Int16:
        return 2;
    case Encoding::Int24:
        return 3;
    case Encoding::Int32:
    case Encoding::Float32:
        return 4;
    case Encoding::Float64:
        return 8;
    }
    Q_UNREACHABLE();
    return 1;
}

qsizetype PcmDecoder::decode(Encoding encoding, QSysInfo::Endian byteOrder, QByteArrayView bytes,
                             std::vector<float> &samples)
{
    const int size = bytesPerSample(encoding);
    const qsizetype count = bytes.size() / size;
    samples.reserve(samples.size() + count);
    for (qsizetype i = 0; i < count; ++i)
        samples.push_back(decodeOne(encoding, bytes.data() + i * size, byteOrder));
    return count * size;
}
