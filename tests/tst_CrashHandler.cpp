// SPDX-License-Identifier: GPL-3.0-or-later
#include "HttpReceiver.h"
#include "Platform/CrashReporting/EnvelopeQueue.h"
#include "Platform/CrashReporting/SentryClient.h"
#include "TestMain.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <csignal>

using namespace Qt::Literals::StringLiterals;

class TestCrashHandler : public QObject
{
    Q_OBJECT

private:
    static QJsonObject eventIn(const QByteArray &envelope)
    {
        const QList<QByteArray> lines = envelope.split('\n');
        if (lines.size() != 4 || !lines.last().isEmpty())
            return {};
        const QJsonObject header = QJsonDocument::fromJson(lines[0]).object();
        const QJsonObject event = QJsonDocument::fromJson(lines[2]).object();
        if (header[u"event_id"_s] != event[u"event_id"_s])
            return {};
        return event;
    }

private Q_SLOTS:
    void aCrashIsReportedAtTheNextStart_data()
    {
        QTest::addColumn<QString>("mode");
        QTest::addColumn<int>("signal");
        QTest::addColumn<QString>("type");
        QTest::addColumn<QString>("value");
        QTest::addColumn<bool>("crashesInLibrary");

        QTest::newRow("fatal error")
            << u"fatal"_s << SIGABRT << u"Fatal error"_s << u"Break the world"_s << true;
        QTest::newRow("segmentation fault") << u"segv"_s << SIGSEGV << u"SIGSEGV"_s
                                            << u"The program was stopped by a signal"_s << false;
    }

    void aCrashIsReportedAtTheNextStart()
    {
        QFETCH(QString, mode);
        QFETCH(int, signal);
        QFETCH(QString, type);
        QFETCH(QString, value);
        QFETCH(bool, crashesInLibrary);

        QTemporaryDir cache;
        QProcess crashing;
        crashing.start(QStringLiteral(CRASH_HELPER), {cache.path(), mode});
        QVERIFY(crashing.waitForFinished());
        QCOMPARE(crashing.exitStatus(), QProcess::CrashExit);
        QCOMPARE(crashing.exitCode(), signal);
        if (mode == u"fatal")
            QVERIFY(crashing.readAllStandardError().contains("Fatal error: Break the world\n"));

        const EnvelopeQueue queue(cache.path(), 10);
        QCOMPARE(queue.pending().size(), 1);
        QCOMPARE(QFileInfo(queue.pending().first()).permissions() & 0x0077, 0);
        const QJsonObject event = eventIn(*queue.read(queue.pending().first()));
        QCOMPARE(event[u"level"_s].toString(), u"fatal"_s);
        QCOMPARE(event[u"release"_s].toString(), u"voxlume@test"_s);
        QVERIFY(qAbs(event[u"timestamp"_s].toDouble() - QDateTime::currentSecsSinceEpoch()) < 60);

        const QJsonArray trail = event[u"breadcrumbs"_s][u"values"_s].toArray();
        QCOMPARE(trail.size(), 2);
        QCOMPARE(trail[0][u"message"_s].toString(), u"Opening \"settings\""_s);
        QCOMPARE(trail[1][u"category"_s].toString(), u"SettingsView:breakTheWorld()"_s);

        const QJsonObject exception = event[u"exception"_s][u"values"_s][0].toObject();
        QCOMPARE(exception[u"type"_s].toString(), type);
        QCOMPARE(exception[u"value"_s].toString(), value);
        QCOMPARE(exception[u"mechanism"_s][u"handled"_s].toBool(true), false);
        QCOMPARE(exception[u"mechanism"_s][u"meta"_s][u"signal"_s][u"number"_s].toInt(), signal);
        const QJsonArray frames = exception[u"stacktrace"_s][u"frames"_s].toArray();
        QVERIFY(!frames.isEmpty());
        // The library's frames are the app's own; the helper program's are not.
        const auto hasFrame = [&](const QString &package, bool inApp) {
            return std::any_of(frames.begin(), frames.end(), [&](const QJsonValue &frame) {
                return frame[u"package"_s].toString().endsWith(package) &&
                       frame[u"in_app"_s].toBool() == inApp;
            });
        };
        QVERIFY(hasFrame(u"/crash-helper"_s, false));
        QCOMPARE(hasFrame(u"/libVoxlumeCore.so.0"_s, true), crashesInLibrary);

        // The next start sends it.
        HttpReceiver receiver;
        QVERIFY(receiver.listen());
        const SentryClient client(SentryOptions{
            .dsn = *SentryDsn::parse(u"http://key@127.0.0.1:%1/5"_s.arg(receiver.port())),
            .inAppIncludes = {},
            .release = u"voxlume@test"_s,
            .clientName = u"voxlume.sentry/test"_s,
            .cacheDirectory = cache.path()});
        QTRY_COMPARE(receiver.requests().size(), 1);
        QCOMPARE(eventIn(receiver.requests().first().body)[u"event_id"_s], event[u"event_id"_s]);
        QTRY_VERIFY(queue.pending().isEmpty());
    }
};

VOXLUME_TEST_MAIN(TestCrashHandler)
#include "tst_CrashHandler.moc"
