// SPDX-License-Identifier: GPL-3.0-or-later
#include "FakeTranslationService.h"
#include "LogCapture.h"
#include "Models/TranslationModel.h"
#include "Platform/Translation/TranslationTaskHook.h"
#include "TestMain.h"

#include <QSignalSpy>
#include <qcoro/qcorotask.h>

using namespace Qt::Literals::StringLiterals;
using Status = TranslationModel::LanguagePairValidationStatus;
using ServiceStatus = TranslationService::Status;

namespace {

const Language english(u"en"_s, {}, u"US"_s);
const Language spanish(u"es"_s, {}, u"ES"_s);

class ReadyCounter : public QObject, public TranslationModelDelegate
{
public:
    int ready = 0;
    void translationModelDidBecomeReady() override { ++ready; }
};

} // namespace

class TestTranslationModel : public QObject
{
    Q_OBJECT

private:
    std::shared_ptr<FakeTranslationService> m_service;
    std::unique_ptr<TranslationModel> m_model;
    ReadyCounter m_delegate;

    TranslationModel &model() { return *m_model; }
    std::shared_ptr<TranslationSession> session(std::optional<Language> source = english,
                                                std::optional<Language> target = spanish)
    {
        return m_service->makeSession(source, target);
    }
    // Runs the model's translation to its end on the event loop; with an English-Spanish session
    // unless another is given.
    std::optional<QString> translate(std::optional<QString> text,
                                     std::shared_ptr<TranslationSession> with = nullptr)
    {
        return QCoro::waitFor(model().translate(std::move(text), with ? with : session()));
    }
    void setPair(ServiceStatus status = ServiceStatus::Supported)
    {
        m_service->setStatus(english, spanish, status);
        model().setSourceLanguage(english);
        model().setTargetLanguage(spanish);
    }

private Q_SLOTS:
    void init()
    {
        m_service = std::make_shared<FakeTranslationService>();
        m_model = std::make_unique<TranslationModel>(m_service);
        m_delegate.ready = 0;
        model().setDelegate(&m_delegate);
    }

    void equalLanguagesPassTheTextThrough()
    {
        model().setSourceLanguage(english);
        model().setTargetLanguage(english);
        QCOMPARE(translate(u"Hello"_s, session(english, english)), u"Hello"_s);
        QCOMPARE(m_service->statusQueries, 0);
    }

    void aSessionForAnotherPairRetriggers()
    {
        setPair();
        translate(u"x"_s);
        QSignalSpy invalidated(model().translationConfiguration(),
                               &TranslationConfiguration::invalidated);
        QCOMPARE(translate(u"x"_s, session(spanish, english)), std::nullopt);
        QCOMPARE(invalidated.count(), 1);
        QCOMPARE(translate(u"x"_s, session(std::nullopt, english)), std::nullopt);
    }

    void anInstalledPairIsCheckedOnceThenTranslates()
    {
        setPair(ServiceStatus::Installed);
        QCOMPARE(translate(u"Hello"_s), std::nullopt);
        QCOMPARE(model().languagePairValidationStatus(), Status::Valid);
        QCOMPARE(m_delegate.ready, 1);

        QCOMPARE(translate(u"Hello"_s), u"[Hello]"_s);
        QCOMPARE(translate(QString()), std::nullopt);
        QCOMPARE(m_service->statusQueries, 1);
    }

    void theReadinessCheckEndsWhenALanguageIsCleared()
    {
        setPair();
        translate(u"Hello"_s);
        translate(u"Hello"_s);
        model().setTargetLanguage(std::nullopt);
        m_service->setStatus(english, spanish, ServiceStatus::Installed);
        QTest::qWait(1500);
        QCOMPARE(m_delegate.ready, 0);
    }

    void aRefusedPreparationIsFinal()
    {
        m_service->preparationError = Error(u"Installer"_s, 3);
        setPair();
        translate(u"Hello"_s);
        translate(u"Hello"_s);
        QVERIFY(model().isPreparingTranslation());

        QSignalSpy invalidated(model().translationConfiguration(),
                               &TranslationConfiguration::invalidated);
        model().triggerTranslation();
        QCOMPARE(invalidated.count(), 0);
        QCOMPARE(translate(u"Hello"_s), std::nullopt);
        QCOMPARE(m_service->preparations, 1);
    }

    void aCancelledTranslationIsOnlyMentioned()
    {
        setPair(ServiceStatus::Installed);
        translate(u"Hello"_s);
        const LogCapture log;
        const std::shared_ptr<TranslationSession> cancelled = session();
        cancelled->cancel();
        QCOMPARE(translate(u"Hello"_s, cancelled), std::nullopt);
        QVERIFY(log.lines().filter(u"Error:"_s).isEmpty());
    }

    void theHookRunsTheActionWithAFreshSessionEachTime()
    {
        QList<std::shared_ptr<TranslationSession>> seen;
        TranslationTaskHook hook(m_service,
                                 [&](std::shared_ptr<TranslationSession> s) -> QCoro::Task<> {
                                     seen << s;
                                     co_return;
                                 });
        // No configuration, and so no session, until both languages are known.
        model().setSourceLanguage(english);
        QVERIFY(!model().translationConfiguration());
        setPair();
        hook.setConfiguration(model().translationConfiguration());
        // On a later turn, so that the trigger of a change made in the same turn is still the
        // first one, and a second trigger is ignored.
        QCOMPARE(seen.size(), 0);
        model().triggerTranslation();
        QTRY_COMPARE(seen.size(), 1);
        QCOMPARE(seen.first()->targetLanguage(), spanish);

        translate(u"x"_s, seen.first());
        model().triggerTranslation();
        QTRY_COMPARE(seen.size(), 2);
        const auto isCancelled = [](const std::shared_ptr<TranslationSession> &s) {
            return std::static_pointer_cast<FakeTranslationService::Session>(s)->isCancelled();
        };
        QVERIFY(isCancelled(seen.first()));
        QVERIFY(!isCancelled(seen.last()));

        // A language cleared after the configuration exists cannot reach it: the stale session
        // the hook runs with is told so once, rather than re-triggering for ever.
        translate(u"x"_s, seen.last());
        model().setSourceLanguage(std::nullopt);
        QTRY_COMPARE(seen.size(), 3);
        QCOMPARE(seen.last()->sourceLanguage(), english);
        QCOMPARE(translate(u"x"_s, seen.last()), std::nullopt);
        QTest::qWait(50);
        QCOMPARE(seen.size(), 3);
    }
};

VOXLUME_TEST_MAIN(TestTranslationModel)
#include "tst_TranslationModel.moc"
