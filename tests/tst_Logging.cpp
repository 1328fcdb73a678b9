// SPDX-License-Identifier: GPL-3.0-or-later
#include "EchoFile.h"
#include "Logging.h"
#include "Platform/CrashReporting/CrashReporter.h"
#include "TestMain.h"

#include <QMutex>
#include <QRegularExpression>
#include <QThread>

using namespace Qt::Literals::StringLiterals;

namespace {

class RecordingReporter final : public CrashReporter
{
public:
    void addBreadcrumb(const Breadcrumb &breadcrumb) override
    {
        const QMutexLocker lock(&mutex);
        breadcrumbs << breadcrumb;
    }
    void captureError(const Error &error) override { errors << error; }

    QMutex mutex;
    QList<Breadcrumb> breadcrumbs;
    QList<Error> errors;
};

} // namespace

class TestLogging : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void breadcrumbsAreRecordedAndEchoed()
    {
        EchoFile echo;
        auto *reporter = new RecordingReporter;
        Logging log(std::unique_ptr<CrashReporter>(reporter), echo.file());

        log.logBreadcrumb(u"Starting listening, language: en-US"_s, u"Core/ListeningModel"_s,
                          u"startListening()"_s, 42);
        log.logBreadcrumb(QString(), u"/src/Core/ListeningModel.cpp"_s, u"stopListening()"_s, 7);

        QCOMPARE(echo.lines(),
                 (QStringList{u"Breadcrumb: Starting listening, language: en-US from "
                              u"ListeningModel:startListening() at line 42"_s,
                              u"Breadcrumb:  from ListeningModel:stopListening() at line 7"_s}));
        QCOMPARE(reporter->breadcrumbs.size(), 2);
        QCOMPARE(reporter->breadcrumbs[0].level, u"info"_s);
        QCOMPARE(reporter->breadcrumbs[0].category, u"ListeningModel:startListening()"_s);
        QCOMPARE(reporter->breadcrumbs[0].message, u"Starting listening, language: en-US"_s);
        QCOMPARE(reporter->breadcrumbs[1].category, u"ListeningModel:stopListening()"_s);
        QVERIFY(reporter->breadcrumbs[1].message.isEmpty());
    }

    void locationLabelsUseTheFileStem_data()
    {
        QTest::addColumn<QString>("file");
        QTest::addColumn<QString>("label");
        QTest::newRow("bare name") << u"ListeningModel"_s << u"ListeningModel:m()"_s;
        QTest::newRow("folders") << u"Core/TranslationModel"_s << u"TranslationModel:m()"_s;
        QTest::newRow("extension") << u"/a/b/DataManager.cpp"_s << u"DataManager:m()"_s;
        QTest::newRow("two extensions") << u"x/Model.test.cpp"_s << u"Model.test:m()"_s;
    }

    void locationLabelsUseTheFileStem()
    {
        QFETCH(QString, file);
        QFETCH(QString, label);
        QCOMPARE(Logging::locationLabel(file, u"m()"_s), label);
    }

    void capturedErrorsCarryTheirDomainAndCodeOverTheirUserInfo()
    {
        EchoFile echo;
        auto *reporter = new RecordingReporter;
        Logging log(std::unique_ptr<CrashReporter>(reporter), echo.file());
        const Error error(u"AudioEngine"_s, -10868,
                          {{u"domain"_s, u"stale"_s},
                           {u"code"_s, 1},
                           {u"device"_s, u"mic"_s},
                           {Error::localizedDescriptionKey, u"The input device is gone."_s}});

        log.logError(error);
        log.logError(error, QVariantMap{{u"code"_s, u"extra wins"_s}, {u"run"_s, 3}});

        QCOMPARE(reporter->errors.size(), 2);
        const Error first = reporter->errors[0];
        QCOMPARE(first.domain(), u"AudioEngine"_s);
        QCOMPARE(first.code(), -10868);
        QCOMPARE(first.userInfo().value(u"domain"_s), u"AudioEngine"_s);
        QCOMPARE(first.userInfo().value(u"code"_s).toLongLong(), -10868);
        QCOMPARE(first.userInfo().value(u"device"_s), u"mic"_s);
        QCOMPARE(first.localizedDescription(), u"The input device is gone."_s);

        const Error second = reporter->errors[1];
        QCOMPARE(second.code(), -10868);
        QCOMPARE(second.userInfo().value(u"code"_s), u"extra wins"_s);
        QCOMPARE(second.userInfo().value(u"domain"_s), u"AudioEngine"_s);
        QCOMPARE(second.userInfo().value(u"run"_s), 3);

        const QStringList lines = echo.lines();
        QCOMPARE(lines.size(), 2);
        QVERIFY(lines[0].startsWith(u"Error: Error Domain=AudioEngine Code=-10868 \"The input "
                                    u"device is gone.\""_s));
    }

    void errorMessagesAreNamedAfterTheirLocation()
    {
        EchoFile echo;
        auto *reporter = new RecordingReporter;
        Logging log(std::unique_ptr<CrashReporter>(reporter), echo.file());

        log.logErrorMessage(u"Speech recognition is not available."_s, u"Core/ListeningModel"_s,
                            u"_errorMessage"_s, 18);

        QCOMPARE(reporter->errors.size(), 1);
        const Error error = reporter->errors.first();
        QCOMPARE(error.domain(), u"ListeningModel:_errorMessage"_s);
        QCOMPARE(error.code(), 18);
        QCOMPARE(error.localizedDescription(), u"Speech recognition is not available."_s);
        QCOMPARE(error.userInfo().value(u"code"_s).toInt(), 18);
    }

    void linesFromManyThreadsNeverMix()
    {
        EchoFile echo;
        auto *reporter = new RecordingReporter;
        Logging log(std::unique_ptr<CrashReporter>(reporter), echo.file());
        constexpr int threads = 4;
        constexpr int perThread = 500;
        QList<QThread *> workers;
        for (int t = 0; t < threads; ++t) {
            workers << QThread::create([&log, t] {
                for (int i = 0; i < perThread; ++i)
                    log.logBreadcrumb(u"message %1"_s.arg(i), u"Worker"_s, u"run%1()"_s.arg(t),
                                      unsigned(i));
            });
            workers.last()->start();
        }
        for (QThread *worker : workers) {
            worker->wait();
            delete worker;
        }
        const QStringList lines = echo.lines();
        QCOMPARE(lines.size(), threads * perThread);
        static const QRegularExpression shape(
            u"^Breadcrumb: message (\\d+) from Worker:run\\d\\(\\) at line \\1$"_s);
        for (const QString &line : lines)
            QVERIFY2(shape.match(line).hasMatch(), qPrintable(line));
        QCOMPARE(reporter->breadcrumbs.size(), threads * perThread);
    }

    void crashReportingStartsOnlyWithAValidDsn()
    {
        QVERIFY(!Logging::crashReportingOptions(QString()));
        QTest::ignoreMessage(QtWarningMsg, "Crash reporting is off: the DSN is not valid");
        QVERIFY(!Logging::crashReportingOptions(u"not a dsn"_s));

        const std::optional<SentryOptions> options =
            Logging::crashReportingOptions(u"https://key@errors.example.org/17"_s);
        QVERIFY(options);
        QCOMPARE(options->tracesSampleRate, 1.0);
        QCOMPARE(options->inAppIncludes, QStringList{u"VoxlumeCore"_s});
        QCOMPARE(options->maxBreadcrumbs, 100);
        QCOMPARE(options->cacheDirectory,
                 qEnvironmentVariable("XDG_CACHE_HOME") + u"/Voxlume/crash-reports"_s);
    }
};

VOXLUME_TEST_MAIN(TestLogging)
#include "tst_Logging.moc"
