// SPDX-License-Identifier: GPL-3.0-or-later
#include "Models/InputLevelMonitor.h"
#include "OverlayFixture.h"
#include "Platform/Audio/MixedAudioEngine.h"
#include "Platform/Settings/SettingsKeys.h"
#include "TestMain.h"
#include "Views/InputLevelMeter.h"

#include <QAccessible>

using namespace Qt::Literals::StringLiterals;

/// The settings window's level meter over its monitor, with audio handed to the engine by hand.
class TestInputLevelMeter : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<OverlayFixture> m_fixture;
    /// The monitor's engine, once made; owned by the monitor.
    ManualAudioEngine *m_engine = nullptr;
    bool m_holdsPreparations = false;
    std::unique_ptr<InputLevelMonitor> m_monitor;
    std::unique_ptr<InputLevelMeter> m_meter;

    static AudioBufferPtr block(float amplitude)
    {
        std::vector<float> samples(1024);
        for (std::size_t i = 0; i < samples.size(); ++i)
            samples[i] = i % 2 ? amplitude : -amplitude;
        return std::make_shared<const AudioBuffer>(48'000, 1, std::move(samples));
    }

    bool capturing() const
    {
        return QTest::qWaitFor([this] { return m_engine && m_engine->isRunning(); });
    }

    /// What assistive technology reads as the meter's value.
    int accessibleValue() const
    {
        return QAccessible::queryAccessibleInterface(m_meter.get())
            ->valueInterface()
            ->currentValue()
            .toInt();
    }

private Q_SLOTS:
    void init()
    {
        m_fixture = std::make_unique<OverlayFixture>();
        m_holdsPreparations = false;
        m_monitor = std::make_unique<InputLevelMonitor>([this] {
            auto engine = std::make_unique<ManualAudioEngine>();
            if (m_holdsPreparations)
                engine->holdPreparations();
            m_engine = engine.get();
            return engine;
        });
        m_meter = std::make_unique<InputLevelMeter>(m_monitor.get());
    }

    void cleanup()
    {
        m_meter.reset();
        m_monitor.reset();
        m_engine = nullptr;
        m_fixture.reset();
    }

    // A settings window that is closed keeps no microphone open. Started once prepared, as a real
    // engine is: its start lets go of the preparation that has just finished.
    void capturesOnlyWhileVisible()
    {
        QVERIFY(!m_engine);
        m_holdsPreparations = true;
        m_meter->show();
        QVERIFY(m_engine->isPreparing());
        m_engine->finishPreparation();
        QVERIFY(capturing());
        m_meter->hide();
        QVERIFY(!m_engine->isRunning());
        m_meter->show();
        m_engine->finishPreparation();
        QVERIFY(capturing());
    }

    void soundRaisesTheLevelAtOnceAndSilenceLetsItFall()
    {
        m_meter->show();
        QVERIFY(capturing());
        // -6 dBFS, nine tenths of the way up a scale that starts at -60 dBFS.
        m_engine->deliver(block(0.5f));
        QTRY_VERIFY(m_monitor->level() > 0.85);
        QVERIFY(accessibleValue() > 85);
        m_engine->deliver(block(0));
        QTRY_COMPARE(m_monitor->level(), 0.0);
        QCOMPARE(accessibleValue(), 0);
    }

    // The failure shows as a text, not as a bar stuck where it was; a new choice tries again.
    void aFailureShowsAsTextAndEmptiesTheBar()
    {
        m_meter->show();
        QVERIFY(capturing());
        m_engine->deliver(block(0.5f));
        QTRY_VERIFY(m_monitor->level() > 0.85);
        const QString failure = u"The microphone “Headset” stopped working."_s;
        m_engine->fail(Error::fromMessage(failure, u"test"_s, 1));
        QCOMPARE(m_monitor->message(), failure);
        QCOMPARE(m_monitor->level(), 0.0);

        m_engine->stop();
        Setting(SettingsKeys::selectedInputDevice).setValue(u"other"_s);
        QVERIFY(m_monitor->message().isEmpty());
        QVERIFY(capturing());
    }

    // Mixed, the computer's sound and the microphone each have a bar, named for what it measures.
    void mixedInputsHaveABarEach()
    {
        ManualAudioEngine *microphone = nullptr;
        ManualAudioEngine *computerSound = nullptr;
        InputLevelMonitor monitor([&] {
            auto ownMicrophone = std::make_unique<ManualAudioEngine>();
            auto ownComputerSound = std::make_unique<ManualAudioEngine>();
            microphone = ownMicrophone.get();
            computerSound = ownComputerSound.get();
            return std::make_unique<MixedAudioEngine>(std::move(ownMicrophone),
                                                      std::move(ownComputerSound));
        });
        InputLevelMeter chosen(&monitor);
        InputLevelMeter alone(&monitor, InputLevelMeter::Shows::Microphone);
        QCOMPARE(chosen.accessibleName(), u"Input level"_s);
        chosen.show();
        alone.show();
        QTRY_VERIFY(microphone && microphone->isRunning());
        // Steady levels, which resampling keeps: -6 dBFS and -40 dBFS.
        for (int i = 0; i < 20; ++i) {
            microphone->deliver(
                std::make_shared<const AudioBuffer>(48'000, 1, std::vector<float>(1024, 0.5f)));
            computerSound->deliver(
                std::make_shared<const AudioBuffer>(48'000, 1, std::vector<float>(1024, 0.01f)));
        }
        QTRY_VERIFY(monitor.isMixing());
        QCOMPARE(chosen.accessibleName(), u"Computer sound level"_s);
        QCOMPARE(alone.accessibleName(), u"Microphone level"_s);
        QTRY_VERIFY(alone.value() > 85);
        QVERIFY(chosen.value() < 50);
    }
};

VOXLUME_TEST_MAIN(TestInputLevelMeter)
#include "tst_InputLevelMeter.moc"
