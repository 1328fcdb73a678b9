// SPDX-License-Identifier: GPL-3.0-or-later
#include "Platform/Audio/WavFile.h"
#include "TestMain.h"
#include "WavBuilder.h"

#include <limits>

using namespace Qt::Literals::StringLiterals;
namespace WB = WavBuilder;

using Samples = std::vector<float>;

class TestWavFile : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_directory;

    /// \a bytes in a file named after the data row; a null \a bytes writes no file.
    QString written(const QByteArray &bytes)
    {
        const QString path =
            m_directory.filePath(u"%1.wav"_s.arg(QString::fromUtf8(QTest::currentDataTag())));
        if (!bytes.isNull() && !WB::write(path, bytes))
            qFatal("Cannot write %s", qPrintable(path));
        return path;
    }

private Q_SLOTS:
    void readsEveryEncodingAndSloppyFiles_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<Samples>("expected");

        const float nan = std::numeric_limits<float>::quiet_NaN();
        QTest::newRow("unsigned 8-bit")
            << WB::wav(WB::format(1, 2, 8000, 8), QByteArray::fromHex("0080ff40"))
            << Samples{-1, 0, 127 / 128.0f, -0.5f};
        QTest::newRow("16-bit") << WB::wav(WB::format(1, 2, 44100, 16),
                                           WB::packed<qint16>({-32768, -1, 0, 32767}))
                                << Samples{-1, -1 / 32768.0f, 0, 32767 / 32768.0f};
        QTest::newRow("24-bit") << WB::wav(WB::format(1, 2, 48000, 24),
                                           QByteArray::fromHex("000080ffffff010000ffff7f"))
                                << Samples{-1, -1 / 8388608.0f, 1 / 8388608.0f,
                                           8388607 / 8388608.0f};
        QTest::newRow("32-bit") << WB::wav(WB::format(1, 1, 96000, 32),
                                           WB::packed<qint32>({std::numeric_limits<qint32>::min(),
                                                               1 << 30, -(1 << 29), 0}))
                                << Samples{-1, 0.5f, -0.25f, 0};
        QTest::newRow("32-bit float")
            << WB::wav(WB::format(3, 2, 22050, 32), WB::packed<float>({0.5f, -0.25f, 1, -1}))
            << Samples{0.5f, -0.25f, 1, -1};
        QTest::newRow("64-bit float, out of range")
            << WB::wav(WB::format(3, 1, 16000, 64), WB::packed<double>({0.125, 3, -7, nan}))
            << Samples{0.125f, 1, -1, 0};
        QTest::newRow("extensible 24 of 32 bits")
            << WB::wav(WB::extensibleFormat(1, 1, 44100, 32, 24),
                       WB::packed<qint32>({8388607 << 8, -8388608 * 256}))
            << Samples{8388607 / 8388608.0f, -1};

        // Files in the wild are sloppy in these ways.
        const QByteArray format = WB::chunk("fmt ", WB::format(1, 1, 16000, 16));
        const QByteArray data = WB::packed<qint16>({16384, -16384, 8192});
        const Samples samples{0.5f, -0.5f, 0.25f};
        QTest::newRow("unknown chunks, odd one padded")
            << WB::riff(WB::chunk("LIST", "INFOsoftwhatever") + WB::chunk("junk", "abc") + format +
                        WB::chunk("fact", "1234") + WB::chunk("data", data))
            << samples;
        QTest::newRow("odd chunk without its pad byte")
            << WB::riff(WB::chunk("junk", "abc", false) + format + WB::chunk("data", data))
            << samples;
        QTest::newRow("data before format")
            << WB::riff(WB::chunk("data", data) + format) << samples;
        QTest::newRow("chunk after data")
            << WB::riff(format + WB::chunk("data", data) + WB::chunk("LIST", "INFOmore"))
            << samples;
        QByteArray growing = WB::riff(format + WB::chunk("data", data));
        growing.replace(growing.size() - data.size() - 4, 4, QByteArray(4, '\xff'));
        QTest::newRow("data size of a file being written") << growing << samples;
        QTest::newRow("incomplete last frame")
            << WB::riff(format + WB::chunk("data", data + '\x01')) << samples;
    }

    void readsEveryEncodingAndSloppyFiles()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(Samples, expected);

        auto opened = WavFile::open(written(bytes));
        if (const Error *error = std::get_if<Error>(&opened))
            QFAIL(qPrintable(error->description()));
        WavFile &file = std::get<WavFile>(opened);
        const char *format = bytes.constData() + bytes.indexOf("fmt ") + 8;
        QCOMPARE(file.channelCount(), int(qFromLittleEndian<quint16>(format + 2)));
        QCOMPARE(file.sampleRate(), qFromLittleEndian<qint32>(format + 4));
        QCOMPARE(file.frameCount(), qsizetype(expected.size()) / file.channelCount());
        // A frame at a time, to the end and once past it.
        Samples samples;
        for (qsizetype i = 0; i <= file.frameCount(); ++i)
            QCOMPARE(file.readFrames(1, samples), std::nullopt);
        QCOMPARE(samples, expected);
    }

    void refusesMalformedFiles_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<int>("code");

        const QByteArray format = WB::format(1, 2, 44100, 16);
        const QByteArray data = WB::chunk("data", WB::packed<qint16>({1, 2}));
        const auto withFormat = [&](const QByteArray &body) {
            return WB::riff(WB::chunk("fmt ", body) + data);
        };
        QByteArray hugeFormat = withFormat(format);
        hugeFormat.replace(16, 4, WB::packed<quint32>({0xFFFFFF00}));
        QByteArray misaligned = WB::format(1, 2, 44100, 16);
        misaligned.replace(12, 2, WB::packed<quint16>({3}));

        QTest::newRow("missing") << QByteArray() << int(WavFile::CannotOpen);
        QTest::newRow("text") << "hello, this is not audio"_ba << int(WavFile::NotWav);
        QTest::newRow("huge format chunk") << hugeFormat << int(WavFile::Truncated);
        QTest::newRow("no format chunk") << WB::riff(data) << int(WavFile::NoFormatChunk);
        QTest::newRow("no data chunk")
            << WB::riff(WB::chunk("fmt ", format)) << int(WavFile::NoDataChunk);
        QTest::newRow("short format chunk")
            << withFormat(format.first(14)) << int(WavFile::MalformedFormat);
        QTest::newRow("ADPCM") << withFormat(WB::format(2, 2, 44100, 4))
                               << int(WavFile::UnsupportedEncoding);
        QTest::newRow("extensible, unknown sub-format")
            << withFormat(WB::extensibleFormat(1, 2, 44100, 16, 16, false))
            << int(WavFile::UnsupportedEncoding);
        QTest::newRow("no channels")
            << withFormat(WB::format(1, 0, 44100, 16)) << int(WavFile::NoChannels);
        QTest::newRow("40-bit integer")
            << withFormat(WB::format(1, 2, 44100, 40)) << int(WavFile::UnsupportedSampleSize);
        QTest::newRow("absurd channel count")
            << withFormat(WB::format(1, 60000, 44100, 8)) << int(WavFile::ImplausibleFormat);
        QTest::newRow("frame size that does not fit")
            << withFormat(misaligned) << int(WavFile::ImplausibleFormat);
    }

    void refusesMalformedFiles()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(int, code);

        const QString path = written(bytes);
        const auto opened = WavFile::open(path);
        QVERIFY(std::holds_alternative<Error>(opened));
        const Error &error = std::get<Error>(opened);
        QCOMPARE(error.code(), code);
        // The user is told which file it is.
        QVERIFY2(error.localizedDescription().contains(path),
                 qPrintable(error.localizedDescription()));
    }
};

VOXLUME_TEST_MAIN(TestWavFile)
#include "tst_WavFile.moc"
