// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArrayView>
#include <QSysInfo>
#include <vector>

/// Turns packed PCM samples, as sound servers and WAV files hold them, into floats from -1 to 1.
///
/// Any thread.
class PcmDecoder
{
public:
    /// How one sample is stored.
    enum class Encoding {
        UInt8,
        Int16,
        Int24,
        Int32,
        Float32,
        Float64,
    };

    PcmDecoder() = delete;

    static int bytesPerSample(Encoding encoding);

    /// Appends the whole samples in \a bytes to \a samples and returns how many bytes they took; a
    /// partial sample at the end is left for the caller to complete.
    static qsizetype decode(Encoding encoding, QSysInfo::Endian byteOrder, QByteArrayView bytes,
                            std::vector<float> &samples);
};
