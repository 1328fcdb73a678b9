// SPDX-License-Identifier: GPL-3.0-or-later
#include "FakeTranslationService.h"
#include "LogCapture.h"
#include "Platform/Translation/TranslationTaskHook.h"
#include "TestMain.h"
#include "TranslationModel.h"

#include <QSignalSpy>
#include <qcoro/qcorotask.h>

using namespace Qt::Literals::StringLiterals;
using Status = TranslationModel::LanguagePairValidationStatus;

namespace {

const Language english(u"en"_s, {}, u"US"_s);
const Language spanish(u"es"_s, {}, u"ES"_s);

class ReadyCounter : public QObject, public TranslationModelDelegate
{
public:
    int ready = 0;
    void translationModelDidBecomeReady() override { ++ready; }
};

// Runs \a task to its end on the event loop and gives its result.
template <typename T>
T await(QCoro::Task<T> task)
{
    return QCoro::waitFor(std::move(task));
}

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

private Q_SLOTS:
    void init()
    {
        m_service = std::make_shared<FakeTranslationService>();
        m_model = std::make_unique<TranslationModel>(m_service);
        m_delegate.ready = 0;
        model().setDelegate(&m_delegate);
    }

    void triggersMakeOneConfigurationAndRefreshIt()
    {
        const LogCapture log;
        model().setSourceLanguage(english);
        QVERIFY(!model().translationConfiguration());
        QVERIFY(!model().didTriggerTranslation());
        model().setTargetLanguage(spanish);
        QVERIFY(model().translationConfiguration());
        QVERIFY(model().didTriggerTranslation());
        QSignalSpy invalidated(model().translationConfiguration(),
                               &TranslationConfiguration::invalidated);

        // Until a translation uses it, a trigger changes nothing.
        model().setTargetLanguage(spanish);
        QCOMPARE(invalidated.count(), 0);
        QCOMPARE(
            log.breadcrumbs(),
            (QStringList{u"Triggering translation"_s,
                         u"Cannot create translation configuration - missing languages"_s,
                         u"Triggering translation"_s, u"Creating new translation configuration"_s,
                         u"Ignoring second translation trigger"_s}));

        // Once a translation has used it, a language that goes away leaves the configuration's
        // old value, and the configuration is refreshed all the same.
        m_service->setStatus(english, spanish, TranslationService::Status::Installed);
        await(model().translate(u"x"_s, session())); // the check, which triggers again
        QCOMPARE(await(model().translate(u"x"_s, session())), u"[x]"_s);
        invalidated.clear();
        model().setSourceLanguage(std::nullopt);
        QCOMPARE(invalidated.count(), 1);
        QCOMPARE(model().translationConfiguration()->source(), english);
        QCOMPARE(log.breadcrumbs().last(), u"Invalidating existing translation configuration"_s);
    }

    void equalLanguagesPassTheTextThrough()
    {
        model().setSourceLanguage(english);
        model().setTargetLanguage(english);
        QCOMPARE(await(model().translate(u"Hello"_s, session(english, english))), u"Hello"_s);
        QCOMPARE(await(model().translate(QString(), session(english, english))), QString());
        QCOMPARE(await(model().translate(std::nullopt, session(english, english))), std::nullopt);
        QCOMPARE(m_service->statusQueries, 0);
    }

    void aSessionForAnotherPairRetriggers()
    {
        model().setSourceLanguage(english);
        model().setTargetLanguage(spanish);
        await(model().translate(u"x"_s, session()));
        QSignalSpy invalidated(model().translationConfiguration(),
                               &TranslationConfiguration::invalidated);
        QCOMPARE(await(model().translate(u"x"_s, session(spanish, english))), std::nullopt);
        QCOMPARE(invalidated.count(), 1);
        QCOMPARE(await(model().translate(u"x"_s, session(std::nullopt, english))), std::nullopt);
    }

    void anInstalledPairIsCheckedOnceThenTranslates()
    {
        m_service->setStatus(english, spanish, TranslationService::Status::Installed);
        model().setSourceLanguage(english);
        model().setTargetLanguage(spanish);
        QCOMPARE(await(model().translate(u"Hello"_s, session())), std::nullopt);
        QCOMPARE(model().languagePairValidationStatus(), Status::Valid);
        QCOMPARE(m_delegate.ready, 1);
        QVERIFY(model().didTriggerTranslation());

        QCOMPARE(await(model().translate(u"Hello"_s, session())), u"[Hello]"_s);
        QCOMPARE(await(model().translate(QString(), session())), std::nullopt);
        QCOMPARE(m_service->statusQueries, 1);
    }

    void aMissingPairIsPreparedThenAwaited()
    {
        model().setSourceLanguage(english);
        model().setTargetLanguage(spanish);
        await(model().translate(u"Hello"_s, session()));
        QCOMPARE(model().languagePairValidationStatus(), Status::Invalid);
        QCOMPARE(m_delegate.ready, 0);

        await(model().translate(u"Hello"_s, session()));
        QVERIFY(model().hasDownloadBeenPrompted());
        QVERIFY(!model().isPreparingTranslation());
        QCOMPARE(model().languagePairValidationStatus(), Status::NotStarted);

        // Installed a while after the preparation returned: the readiness check finds it.
        QTest::qWait(1500);
        QCOMPARE(m_delegate.ready, 0);
        m_service->setStatus(english, spanish, TranslationService::Status::Installed);
        QTRY_COMPARE_WITH_TIMEOUT(m_delegate.ready, 1, 3000);
        QCOMPARE(model().languagePairValidationStatus(), Status::Valid);
    }

    void aRefusedPreparationIsFinal()
    {
        m_service->preparationError =
            Error::fromMessage(u"Install the package apertium-eng-spa."_s, u"Installer"_s, 3);
        model().setSourceLanguage(english);
        model().setTargetLanguage(spanish);
        await(model().translate(u"Hello"_s, session()));
        const LogCapture log;
        await(model().translate(u"Hello"_s, session()));
        QVERIFY(model().isPreparingTranslation());
        const QStringList lines = log.lines();
        QVERIFY(std::any_of(lines.cbegin(), lines.cend(), [](const QString &line) {
            return line.startsWith(u"Error: Error Domain=Installer Code=3"_s);
        }));

        model().triggerTranslation();
        QCOMPARE(log.breadcrumbs().last(), u"Ignoring translation trigger - still preparing"_s);
        QCOMPARE(await(model().translate(u"Hello"_s, session())), std::nullopt);
        QCOMPARE(log.breadcrumbs().last(), u"Translation still preparing"_s);
        QCOMPARE(m_service->preparations, 1);
    }

    void aCancelledTranslationIsOnlyMentioned()
    {
        m_service->setStatus(english, spanish, TranslationService::Status::Installed);
        model().setSourceLanguage(english);
        model().setTargetLanguage(spanish);
        await(model().translate(u"Hello"_s, session()));
        const LogCapture log;
        const std::shared_ptr<TranslationSession> cancelled = session();
        cancelled->cancel();
        QCOMPARE(await(model().translate(u"Hello"_s, cancelled)), std::nullopt);
        QVERIFY(log.lines().contains(u"Translation cancelled, no need to log"_s));
        QVERIFY(!log.lines().join(u'\n').contains(u"Error:"_s));
    }

    void theReadinessCheckEndsWhenALanguageIsCleared()
    {
        model().setSourceLanguage(english);
        model().setTargetLanguage(spanish);
        await(model().translate(u"Hello"_s, session()));
        await(model().translate(u"Hello"_s, session()));
        model().setTargetLanguage(std::nullopt);
        m_service->setStatus(english, spanish, TranslationService::Status::Installed);
        QTest::qWait(1500);
        QCOMPARE(m_delegate.ready, 0);
    }

    void theHookRunsTheActionWithAFreshSessionEachTime()
    {
        QList<std::shared_ptr<TranslationSession>> seen;
        TranslationTaskHook hook(m_service,
                                 [&](std::shared_ptr<TranslationSession> s) -> QCoro::Task<> {
                                     seen << s;
                                     co_return;
                                 });
        model().setSourceLanguage(english);
        model().setTargetLanguage(spanish);
        hook.setConfiguration(model().translationConfiguration());
        // On a later turn, so that the trigger of a change made in the same turn is still the
        // first one, and a second trigger is ignored.
        QCOMPARE(seen.size(), 0);
        model().triggerTranslation();
        QTRY_COMPARE(seen.size(), 1);
        QCOMPARE(seen.first()->targetLanguage(), spanish);

        await(model().translate(u"x"_s, seen.first()));
        model().triggerTranslation();
        QTRY_COMPARE(seen.size(), 2);
        QVERIFY(
            std::static_pointer_cast<FakeTranslationService::Session>(seen.first())->isCancelled());
        QVERIFY(
            !std::static_pointer_cast<FakeTranslationService::Session>(seen.last())->isCancelled());

        // A language cleared after the configuration exists cannot reach it: the stale session
        // the hook runs with is told so once, rather than re-triggering for ever.
        await(model().translate(u"x"_s, seen.last()));
        model().setSourceLanguage(std::nullopt);
        QTRY_COMPARE(seen.size(), 3);
        QCOMPARE(seen.last()->sourceLanguage(), english);
        QCOMPARE(await(model().translate(u"x"_s, seen.last())), std::nullopt);
        QTest::qWait(50);
        QCOMPARE(seen.size(), 3);
    }
};

VOXLUME_TEST_MAIN(TestTranslationModel)
#include "tst_TranslationModel.moc"
