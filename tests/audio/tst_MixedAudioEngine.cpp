// SPDX-License-Identifier: GPL-3.0-or-later
#include "Platform/Audio/ManualAudioEngine.h"
#include "Platform/Audio/MixedAudioEngine.h"
#include "TapRecorder.h"
#include "TestMain.h"

#include <QTest>

using namespace Qt::Literals::StringLiterals;

namespace {

// A tenth of a second of a steady level, at the rate and channel count inputs commonly have.
AudioBufferPtr tenthOfASecond(float value)
{
    return std::make_shared<const AudioBuffer>(48000, 2, std::vector<float>(2 * 4800, value));
}

Error unplugged()
{
    return Error::fromMessage(u"The device went away."_s, u"Test"_s, 8);
}

} // namespace

// Both sides of a call heard as one stream, and either side lost without losing the other.
class TestMixedAudioEngine : public QObject
{
    Q_OBJECT

private:
    ManualAudioEngine *m_microphone = nullptr;
    ManualAudioEngine *m_computerSound = nullptr;
    std::unique_ptr<MixedAudioEngine> m_engine;
    TapRecorder m_recorder;
    QStringList m_notices;
    QList<Error> m_failures;
    bool m_included = true;
    std::function<void()> m_inclusionChanged;

    void includingTheComputersSound(bool included)
    {
        m_included = included;
        m_inclusionChanged();
    }

    // A second of both inputs, the microphone at \a microphone, the computer's sound at
    // \a computerSound.
    void deliverSecond(float microphone, float computerSound)
    {
        for (int i = 0; i < 10; ++i) {
            m_microphone->deliver(tenthOfASecond(microphone));
            m_computerSound->deliver(tenthOfASecond(computerSound));
        }
    }

private Q_SLOTS:
    void init()
    {
        m_included = true;
        auto microphone = std::make_unique<ManualAudioEngine>();
        auto computerSound = std::make_unique<ManualAudioEngine>();
        m_microphone = microphone.get();
        m_computerSound = computerSound.get();
        m_engine = std::make_unique<MixedAudioEngine>(
            std::move(microphone), std::move(computerSound),
            MixedAudioEngine::Inclusion{[this] { return m_included; },
                                        [this](const QObject *, std::function<void()> changed) {
                                            m_inclusionChanged = std::move(changed);
                                        }});
        m_recorder.received.clear();
        m_notices.clear();
        m_failures.clear();
        m_engine->setNoticeHandler([this](const QString &notice) { m_notices << notice; });
        m_engine->setFailureHandler([this](const Error &error) { m_failures << error; });
        m_engine->installTap(1024, m_recorder.tap());
    }

    void cleanup() { m_engine.reset(); }

    // One mono stream at the recogniser's rate, in which both inputs are heard.
    void mixesBothInputsIntoOneStream()
    {
        QCOMPARE(m_engine->start(), std::nullopt);
        deliverSecond(0.1f, 0.2f);
        const std::vector<AudioBufferPtr> blocks = m_recorder.buffers();
        QVERIFY(blocks.size() >= 30);
        QCOMPARE(blocks.front()->sampleRate(), 16000);
        QCOMPARE(blocks.front()->channelCount(), 1);
        // As long as 1024 frames of a 48 kHz device: the mix delays nothing.
        QCOMPARE(blocks.front()->frameCount(), 341);
        const QList<float> levels = m_engine->inputLevels();
        QCOMPARE(levels.size(), 2);
        QVERIFY(levels[AudioStreamMixer::Microphone] > 0.05f);
        QVERIFY(levels[AudioStreamMixer::ComputerSound] > 0.15f);
    }

    // An input that does not start, or that goes away, leaves the other heard, and says so; only
    // both gone fails the capture.
    void eitherInputLostLeavesTheOther()
    {
        m_computerSound->failNextStart(unplugged());
        QCOMPARE(m_engine->start(), std::nullopt);
        QCOMPARE(m_notices.size(), 1);
        QVERIFY(m_notices.first().contains(u"Listening to the microphone alone"_s));
        m_engine->stop();

        QCOMPARE(m_engine->start(), std::nullopt);
        deliverSecond(0.1f, 0.1f);
        m_microphone->fail(unplugged());
        QTRY_COMPARE(m_notices.size(), 2);
        QVERIFY(m_notices.last().contains(u"computer's sound alone"_s));
        QVERIFY(m_failures.isEmpty());
        const std::size_t before = m_recorder.buffers().size();
        for (int i = 0; i < 20; ++i)
            m_computerSound->deliver(tenthOfASecond(0.1f));
        QVERIFY(m_recorder.buffers().size() > before + 15);

        m_computerSound->fail(unplugged());
        QTRY_COMPARE(m_failures.size(), 1);
        QCOMPARE(m_notices.size(), 2);
    }

    // The user's choice applies during a run, without a stop: the computer's sound joins once its
    // engine is prepared, and leaves the microphone alone heard.
    void theComputersSoundJoinsAndLeavesAsChosen()
    {
        m_included = false;
        m_computerSound->holdPreparations();
        QCOMPARE(m_engine->start(), std::nullopt);
        QVERIFY(m_microphone->isRunning());
        QVERIFY(!m_computerSound->isRunning());
        QVERIFY(m_engine->inputLevels().isEmpty());
        for (int i = 0; i < 10; ++i)
            m_microphone->deliver(tenthOfASecond(0.1f));
        QVERIFY(m_recorder.buffers().size() >= 10);

        includingTheComputersSound(true);
        QVERIFY(!m_computerSound->isRunning());
        m_computerSound->finishPreparation();
        QTRY_VERIFY(m_computerSound->isRunning());
        deliverSecond(0.1f, 0.2f);
        QTRY_VERIFY(m_engine->inputLevels().value(AudioStreamMixer::ComputerSound) > 0.15f);

        includingTheComputersSound(false);
        QVERIFY(!m_computerSound->isRunning());
        const std::size_t before = m_recorder.buffers().size();
        for (int i = 0; i < 10; ++i)
            m_microphone->deliver(tenthOfASecond(0.1f));
        QVERIFY(m_recorder.buffers().size() >= before + 9);
        QVERIFY(m_notices.isEmpty());
        QVERIFY(m_failures.isEmpty());

        // Left out while the microphone is lost, nothing is heard any more.
        includingTheComputersSound(true);
        m_computerSound->finishPreparation();
        QTRY_VERIFY(m_computerSound->isRunning());
        m_microphone->fail(unplugged());
        QCOMPARE(m_notices.size(), 1);
        includingTheComputersSound(false);
        QCOMPARE(m_failures.size(), 1);
    }

    void neitherInputStartingIsAnError()
    {
        m_microphone->failNextStart(unplugged());
        m_computerSound->failNextStart(unplugged());
        QVERIFY(m_engine->start().has_value());
        QVERIFY(!m_engine->isRunning());
    }
};

VOXLUME_TEST_MAIN(TestMixedAudioEngine)
#include "tst_MixedAudioEngine.moc"
