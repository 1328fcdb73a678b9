// SPDX-License-Identifier: GPL-3.0-or-later
#include "Platform/Translation/Apertium/ApertiumPipelinePool.h"
#include "Platform/Translation/Apertium/ApertiumTranslationService.h"
#include "TestMain.h"

#include <QDir>
#include <QFileInfo>

#include <csignal>
#include <vector>

using namespace Qt::Literals::StringLiterals;
using namespace std::chrono_literals;

namespace {

const Language english(u"en"_s, {}, u"US"_s);
const Language spanish(u"es"_s, {}, u"ES"_s);
const QString englishToSpanish = u"/usr/share/apertium/modes/eng-spa.mode"_s;

std::variant<QString, Error> translate(TranslationSession &session, const QString &text)
{
    return QCoro::waitFor(session.translate(text));
}

// The text of a result, so that a failure fails a comparison rather than the whole suite.
QString textOf(const std::variant<QString, Error> &result)
{
    if (const auto *error = std::get_if<Error>(&result))
        return u"<%1>"_s.arg(error->description());
    return std::get<QString>(result);
}

QString translationOf(TranslationSession &session, const QString &text)
{
    return textOf(translate(session, text));
}

// The error of a result; an error of no domain when there is a text.
Error errorOf(const std::variant<QString, Error> &result)
{
    const auto *error = std::get_if<Error>(&result);
    return error ? *error : Error(QString(), 0);
}

// A process that has ended but is not reaped yet still counts: it would be left behind.
bool isAlive(qint64 pid)
{
    return QFileInfo::exists(u"/proc/%1"_s.arg(pid));
}

} // namespace

// Translation through the installed eng-spa pair, with real Apertium processes.
class TestApertiumTranslationService : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase()
    {
        if (!QFileInfo::exists(englishToSpanish))
            QSKIP("apertium-eng-spa is not installed");
        m_service.emplace();
        m_session = m_service->makeSession(english, spanish);
    }

    void status()
    {
        using Status = TranslationService::Status;
        ApertiumTranslationService service;
        const auto statusOf = [&](const Language &source, std::optional<Language> target) {
            return QCoro::waitFor(service.status(source, std::move(target)));
        };
        QCOMPARE(statusOf(english, spanish), Status::Installed);
        QCOMPARE(statusOf(english, Language(u"ca"_s, {}, u"ES"_s)), Status::Supported);
        QCOMPARE(statusOf(english, Language(u"ja"_s, {}, u"JP"_s)), Status::Unsupported);
        QCOMPARE(statusOf(english, std::nullopt), Status::Unsupported);
        // Asking about an installed pair has started its pipeline; a menu's question does not.
        QVERIFY(service.pipelines().pipeline(englishToSpanish).isRunning());
        ApertiumTranslationService quiet;
        QCOMPARE(quiet.statuses(english, {spanish, Language(u"ca"_s, {}, u"ES"_s), english}),
                 (QList<Status>{Status::Installed, Status::Supported, Status::Unsupported}));
        QVERIFY(!quiet.pipelines().pipeline(englishToSpanish).isRunning());
    }

    // Whatever the text, it comes back translated or as an error, and nothing of the framing or
    // of Apertium's unknown-word marks shows.
    void anyTextComesBack_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QStringList>("kept");
        QTest::newRow("sentence") << u"The house is red."_s << QStringList{u"casa"_s, u"roja"_s};
        QTest::newRow("no full stop") << u"The dog"_s << QStringList{u"perro"_s};
        QTest::newRow("NUL") << u"The house"_s + QChar(0) + u"is red."_s << QStringList{u"casa"_s};
        QTest::newRow("stream syntax") << u"The ^house$ is [red] {now} <b>@home</b> \\ / 50 %."_s
                                       << QStringList{u"^"_s, u"$"_s,   u"["_s, u"]"_s,  u"{"_s,
                                                      u"}"_s, u"<b>"_s, u"@"_s, u"\\"_s, u"/"_s};
        QTest::newRow("our own marker") << u"[nonce-1] [nonce-2]\u0000[nonce-3]"_s
                                        << QStringList{u"[nonce-1]"_s, u"[nonce-3]"_s};
        QTest::newRow("emoji") << u"The house 😀 is red 🇪🇸."_s << QStringList{u"😀"_s, u"🇪🇸"_s};
        QTest::newRow("unknown words") << u"The zorbs fooed the Mxyzptlk thingamajigs."_s
                                       << QStringList{u"zorbs"_s, u"Mxyzptlk"_s};
        QTest::newRow("control characters")
            << u"\u0001\u0002 The\u0007 dog\u001b."_s << QStringList{u"perro"_s};
        QTest::newRow("lone surrogate")
            << u"The dog "_s + QChar(0xD800) + u"."_s << QStringList{u"perro"_s};
        QTest::newRow("full stops only") << u"..."_s << QStringList{};
        QTest::newRow("10,000 characters")
            << u"The big dog runs in the garden of the house. "_s.repeated(223).left(10'000)
            << QStringList{u"perro"_s, u"casa"_s};
    }
    void anyTextComesBack()
    {
        QFETCH(QString, text);
        QFETCH(QStringList, kept);
        const QString translation = translationOf(*m_session, text);
        for (const QString &part : kept)
            QVERIFY2(translation.contains(part), qPrintable(translation));
        for (const QString &mark : {u"*"_s, u"#"_s, u"[nonce-"_s, u".[]"_s, u"\0"_s})
            QVERIFY2(!translation.contains(mark) || text.contains(mark), qPrintable(translation));
        QVERIFY2(!translation.contains(u"  "_s) && !translation.contains(u'\n') &&
                     translation == translation.trimmed(),
                 qPrintable(translation));
        QCOMPARE(translation.endsWith(u'.'), text.endsWith(u'.'));
    }

    void blankTextIsEmpty()
    {
        QCOMPARE(translationOf(*m_session, QString()), QString());
        QCOMPARE(translationOf(*m_session, u" \n\t"_s + QChar(0)), QString());
    }

    void reusesOnePipelineInOrder()
    {
        ApertiumTranslationService service;
        const ApertiumPipeline &pipeline = service.pipelines().pipeline(englishToSpanish);
        const auto first = service.makeSession(english, spanish);
        for (int i = 0; i < 20; ++i)
            QVERIFY(
                translationOf(*first, u"The dog number %1 is big."_s.arg(i)).contains(u"perro"_s));
        // A new session, as when the user changes languages, and one for the other direction
        // that leaves this one alone.
        const auto second = service.makeSession(english, spanish);
        QVERIFY(translationOf(*service.makeSession(spanish, english), u"El gato."_s)
                    .contains(u"cat"_s));
        // Requests of two sessions queued together are answered each with its own text.
        std::vector<QCoro::Task<std::variant<QString, Error>>> tasks;
        const QStringList texts = {u"The dog."_s, u"The cat."_s, u"The house."_s, u"The car."_s};
        for (const QString &text : texts)
            tasks.push_back((tasks.size() % 2 ? second : first)->translate(text));
        const QStringList expected = {u"perro"_s, u"gato"_s, u"casa"_s, u"coche"_s};
        for (size_t i = 0; i < tasks.size(); ++i)
            QVERIFY(textOf(QCoro::waitFor(tasks[i])).contains(expected.at(qsizetype(i))));
        QCOMPARE(pipeline.startCount(), 1);
    }

    void aStageThatDiesOrStallsIsRestarted()
    {
        ApertiumTranslationService service(ApertiumTranslationService::Configuration{
            ApertiumTranslationService::systemModesDirectory(), {}, {2s, 180s}});
        ApertiumPipeline &pipeline = service.pipelines().pipeline(englishToSpanish);
        const auto session = service.makeSession(english, spanish);
        QVERIFY(translationOf(*session, u"The house."_s).contains(u"casa"_s));
        const QList<qint64> before = pipeline.processIds();
        ::kill(pid_t(before.at(4)), SIGKILL);
        // Whether the death is noticed before or during the request, the request is answered.
        QVERIFY(translationOf(*session, u"The dog."_s).contains(u"perro"_s));
        QCOMPARE(pipeline.startCount(), 2);
        for (const qint64 pid : before)
            QTRY_VERIFY(!isAlive(pid));

        // A stage that stops answering fails the request it holds up.
        ::kill(pid_t(pipeline.processIds().at(6)), SIGSTOP);
        QCOMPARE(errorOf(translate(*session, u"The dog."_s)).code(), ApertiumPipeline::Stalled);
        QVERIFY(translationOf(*session, u"The cat."_s).contains(u"gato"_s));
        QCOMPARE(pipeline.startCount(), 3);
    }

    void cancelEndsPendingAndLaterTranslations()
    {
        ApertiumTranslationService service;
        const auto cancelled = service.makeSession(english, spanish);
        const auto bystander = service.makeSession(english, spanish);
        // The pipeline is still starting: the request waits.
        auto pending = cancelled->translate(u"The house is red."_s);
        auto unaffected = bystander->translate(u"The dog."_s);
        cancelled->cancel();
        QVERIFY(TranslationSession::isCancellation(errorOf(QCoro::waitFor(pending))));
        QVERIFY(TranslationSession::isCancellation(errorOf(translate(*cancelled, u"The cat."_s))));
        QVERIFY(textOf(QCoro::waitFor(unaffected)).contains(u"perro"_s));
    }

    void unusedPipelineStopsAndStartsAgain()
    {
        ApertiumTranslationService service(ApertiumTranslationService::Configuration{
            ApertiumTranslationService::systemModesDirectory(), {}, {10s, 300ms}});
        const ApertiumPipeline &pipeline = service.pipelines().pipeline(englishToSpanish);
        const auto session = service.makeSession(english, spanish);
        QVERIFY(translationOf(*session, u"The house."_s).contains(u"casa"_s));
        const QList<qint64> first = pipeline.processIds();
        QTRY_VERIFY(!pipeline.isRunning());
        for (const qint64 pid : first)
            QTRY_VERIFY(!isAlive(pid));
        QVERIFY(translationOf(*session, u"The dog."_s).contains(u"perro"_s));
        QCOMPARE(pipeline.startCount(), 2);
    }

    void noProcessOutlivesTheService()
    {
        QList<qint64> pids;
        std::shared_ptr<TranslationSession> survivor;
        {
            ApertiumTranslationService service;
            survivor = service.makeSession(english, spanish);
            QVERIFY(translationOf(*survivor, u"The house."_s).contains(u"casa"_s));
            pids = service.pipelines().pipeline(englishToSpanish).processIds();
        }
        QCOMPARE(pids.size(), 11);
        for (const qint64 pid : pids)
            QTRY_VERIFY(!isAlive(pid));
        // A session that outlives its service starts the pipeline again.
        QVERIFY(translationOf(*survivor, u"The dog."_s).contains(u"perro"_s));
    }

    void aBrokenModeFailsTheRequest_data()
    {
        QTest::addColumn<QByteArray>("pipeline");
        QTest::addColumn<int>("code");
        QTest::newRow("needs a shell")
            << "lt-proc /nonexistent.bin > /tmp/out\n"_ba << int(ApertiumPipeline::CannotStart);
        QTest::newRow("a stage that cannot run")
            << "lt-proc /nonexistent.bin | voxlume-no-such-program\n"_ba
            << int(ApertiumPipeline::Died);
    }
    void aBrokenModeFailsTheRequest()
    {
        QFETCH(QByteArray, pipeline);
        QFETCH(int, code);
        QTemporaryDir modes;
        QFile mode(modes.filePath(u"eng-spa.mode"_s));
        QVERIFY(mode.open(QIODevice::WriteOnly) && mode.write(pipeline) > 0);
        mode.close();
        ApertiumTranslationService service(
            ApertiumTranslationService::Configuration{modes.path(), {}, {}});
        const Error error = errorOf(translate(*service.makeSession(english, spanish), u"Hi."_s));
        QCOMPARE(error.code(), code);
        QVERIFY(!error.localizedDescription().isEmpty());
    }

private:
    // Shared by the cases that only translate, so that they start no pipeline of their own.
    std::optional<ApertiumTranslationService> m_service;
    std::shared_ptr<TranslationSession> m_session;
};

VOXLUME_TEST_MAIN(TestApertiumTranslationService)
#include "tst_ApertiumTranslationService.moc"
