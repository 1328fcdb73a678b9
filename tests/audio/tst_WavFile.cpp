// SPDX-License-Identifier: GPL-3.0-or-later
#include "Platform/Audio/WavFile.h"
#include "TestMain.h"
#include "WavBuilder.h"

#include <limits>

using namespace Qt::Literals::StringLiterals;

using Samples = std::vector<float>;

class TestWavFile : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_directory;

    QString written(const QByteArray &bytes)
    {
        const QString path =
            m_directory.filePath(u"%1.wav"_s.arg(QString::fromUtf8(QTest::currentDataTag())));
        if (!WavBuilder::write(path, bytes))
            qFatal("Cannot write %s", qPrintable(path));
        return path;
    }

    /// Every sample of \a file, read in blocks of \a framesPerRead.
    static Samples readAll(WavFile &file, qsizetype framesPerRead = 1000)
    {
        Samples samples;
        for (qsizetype before = -1; qsizetype(samples.size()) != before;) {
            before = qsizetype(samples.size());
            if (file.readFrames(framesPerRead, samples))
                return {};
        }
        return samples;
    }

private Q_SLOTS:
    void decodesEveryEncoding_data()
    {
        QTest::addColumn<QByteArray>("format");
        QTest::addColumn<QByteArray>("data");
        QTest::addColumn<Samples>("expected");

        using WB = WavBuilder;
        const float nan = std::numeric_limits<float>::quiet_NaN();
        QTest::newRow("unsigned 8-bit")
            << WB::format(1, 2, 8000, 8) << QByteArray::fromHex("0080ff40")
            << Samples{-1, 0, 127 / 128.0f, -0.5f};
        QTest::newRow("16-bit") << WB::format(1, 2, 44100, 16)
                                << WB::packed<qint16>({-32768, -1, 0, 32767})
                                << Samples{-1, -1 / 32768.0f, 0, 32767 / 32768.0f};
        QTest::newRow("24-bit") << WB::format(1, 2, 48000, 24)
                                << WB::packed24({-8388608, -1, 1, 8388607})
                                << Samples{-1, -1 / 8388608.0f, 1 / 8388608.0f,
                                           8388607 / 8388608.0f};
        QTest::newRow("32-bit") << WB::format(1, 1, 96000, 32)
                                << WB::packed<qint32>(
                                       {std::numeric_limits<qint32>::min(), 1 << 30, -(1 << 29), 0})
                                << Samples{-1, 0.5f, -0.25f, 0};
        QTest::newRow("32-bit float")
            << WB::format(3, 2, 22050, 32) << WB::packed<float>({0.5f, -0.25f, 1, -1})
            << Samples{0.5f, -0.25f, 1, -1};
        QTest::newRow("64-bit float, out of range")
            << WB::format(3, 1, 16000, 64) << WB::packed<double>({0.125, 3, -7, nan})
            << Samples{0.125f, 1, -1, 0};
        QTest::newRow("extensible 24 of 32 bits")
            << WB::extensibleFormat(1, 1, 44100, 32, 24)
            << WB::packed<qint32>({8388607 << 8, -8388608 * 256})
            << Samples{8388607 / 8388608.0f, -1};
    }

    void decodesEveryEncoding()
    {
        QFETCH(QByteArray, format);
        QFETCH(QByteArray, data);
        QFETCH(Samples, expected);

        auto opened = WavFile::open(written(WavBuilder::wav(format, data)));
        QVERIFY(std::holds_alternative<WavFile>(opened));
        WavFile &file = std::get<WavFile>(opened);
        QCOMPARE(file.channelCount(), int(qFromLittleEndian<quint16>(format.constData() + 2)));
        QCOMPARE(file.sampleRate(), qFromLittleEndian<qint32>(format.constData() + 4));
        QCOMPARE(file.frameCount(), qsizetype(expected.size()) / file.channelCount());
        QCOMPARE(readAll(file, 1), expected);
    }

    void toleratesSloppyFiles_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<Samples>("expected");

        using WB = WavBuilder;
        const QByteArray format = WB::chunk("fmt ", WB::format(1, 1, 16000, 16));
        const QByteArray data = WB::packed<qint16>({16384, -16384, 8192});
        const Samples samples{0.5f, -0.5f, 0.25f};
        const QByteArray oddChunk = WB::chunk("junk", "abc");
        QTest::newRow("unknown chunks, odd one padded")
            << WB::riff(WB::chunk("LIST", "INFOsoftwhatever") + oddChunk + format +
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
        QTest::newRow("no frames") << WB::riff(format + WB::chunk("data", {})) << Samples{};
    }

    void toleratesSloppyFiles()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(Samples, expected);

        auto opened = WavFile::open(written(bytes));
        if (const Error *error = std::get_if<Error>(&opened))
            QFAIL(qPrintable(error->description()));
        QCOMPARE(readAll(std::get<WavFile>(opened)), expected);
    }

    void refusesMalformedFiles_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<int>("code");
        QTest::addColumn<QString>("problem");

        using WB = WavBuilder;
        const QByteArray format = WB::format(1, 2, 44100, 16);
        const QByteArray data = WB::chunk("data", WB::packed<qint16>({1, 2}));
        const auto withFormat = [&](const QByteArray &body) {
            return WB::riff(WB::chunk("fmt ", body) + data);
        };
        QByteArray hugeFormat = WB::riff(WB::chunk("fmt ", format) + data);
        hugeFormat.replace(16, 4, WB::packed<quint32>({0xFFFFFF00}));

        QTest::newRow("text") << "hello, this is not audio"_ba << int(WavFile::NotWav)
                              << u"not a WAV file"_s;
        QTest::newRow("cut in the format chunk")
            << WB::riff(WB::chunk("fmt ", format).first(18)) << int(WavFile::Truncated)
            << u"ends inside its header"_s;
        QTest::newRow("huge format chunk")
            << hugeFormat << int(WavFile::Truncated) << u"ends inside its header"_s;
        QTest::newRow("no format chunk")
            << WB::riff(data) << int(WavFile::NoFormatChunk) << u"no format chunk"_s;
        QTest::newRow("no data chunk") << WB::riff(WB::chunk("fmt ", format))
                                       << int(WavFile::NoDataChunk) << u"no data chunk"_s;
        QTest::newRow("short format chunk")
            << withFormat(format.first(14)) << int(WavFile::MalformedFormat) << u"too short"_s;
        QTest::newRow("ADPCM") << withFormat(WB::format(2, 2, 44100, 4))
                               << int(WavFile::UnsupportedEncoding) << u"(format 0x0002)"_s;
        QTest::newRow("extensible, unknown sub-format")
            << withFormat(WB::extensibleFormat(1, 2, 44100, 16, 16, false))
            << int(WavFile::UnsupportedEncoding) << u"(format 0xFFFE)"_s;
        QTest::newRow("no channels") << withFormat(WB::format(1, 0, 44100, 16))
                                     << int(WavFile::NoChannels) << u"no audio channels"_s;
        QTest::newRow("40-bit integer") << withFormat(WB::format(1, 2, 44100, 40))
                                        << int(WavFile::UnsupportedSampleSize) << u"40-bit"_s;
        QTest::newRow("absurd channel count")
            << withFormat(WB::format(1, 60000, 44100, 8)) << int(WavFile::ImplausibleFormat)
            << u"60000 channels"_s;
        QByteArray misaligned = WB::format(1, 2, 44100, 16);
        misaligned.replace(12, 2, WB::packed<quint16>({3}));
        QTest::newRow("frame size that does not fit")
            << withFormat(misaligned) << int(WavFile::ImplausibleFormat) << u"3 bytes a frame"_s;
    }

    void refusesMalformedFiles()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(int, code);
        QFETCH(QString, problem);

        const QString path = written(bytes);
        const auto opened = WavFile::open(path);
        QVERIFY(std::holds_alternative<Error>(opened));
        const Error &error = std::get<Error>(opened);
        QCOMPARE(error.domain(), WavFile::errorDomain);
        QCOMPARE(error.code(), code);
        QVERIFY2(error.localizedDescription().startsWith(u"“%1” "_s.arg(path)),
                 qPrintable(error.localizedDescription()));
        QVERIFY2(error.localizedDescription().contains(problem),
                 qPrintable(error.localizedDescription()));
    }

    void aMissingFileCannotBeOpened()
    {
        const QString path = m_directory.filePath(u"nothing here.wav"_s);
        const auto opened = WavFile::open(path);
        QVERIFY(std::holds_alternative<Error>(opened));
        QCOMPARE(std::get<Error>(opened).code(), WavFile::CannotOpen);
        QVERIFY(std::get<Error>(opened).localizedDescription().contains(path));
    }
};

VOXLUME_TEST_MAIN(TestWavFile)
#include "tst_WavFile.moc"
