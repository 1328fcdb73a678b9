// SPDX-License-Identifier: GPL-3.0-or-later
#include "FakePackageKit.h"
#include "HttpReceiver.h"
#include "Platform/Settings/SettingsKeys.h"
#include "PrivateBus.h"
#include "TestMain.h"
#include "Updates/AutomaticUpdateChecks.h"
#include "Updates/UpdateChecker.h"
#include "Updates/VersionComparison.h"
#include "Views/ReleaseNotesBrowser.h"
#include "Views/UpdateView.h"

#include <QDir>
#include <QPushButton>
#include <QSignalSpy>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTimer>
#include <sodium.h>

using namespace Qt::Literals::StringLiterals;

namespace {

using State = UpdateChecker::State;

// Made afresh by every run: no private key is ever kept.
struct KeyPair
{
    QByteArray publicKey;
    QByteArray secretKey;

    static KeyPair make()
    {
        if (sodium_init() < 0)
            qFatal("libsodium cannot start");
        KeyPair keys;
        keys.publicKey.resize(crypto_sign_PUBLICKEYBYTES);
        keys.secretKey.resize(crypto_sign_SECRETKEYBYTES);
        crypto_sign_keypair(reinterpret_cast<unsigned char *>(keys.publicKey.data()),
                            reinterpret_cast<unsigned char *>(keys.secretKey.data()));
        return keys;
    }

    QByteArray signature(const QByteArray &data) const
    {
        QByteArray signature(crypto_sign_BYTES, '\0');
        crypto_sign_detached(reinterpret_cast<unsigned char *>(signature.data()), nullptr,
                             reinterpret_cast<const unsigned char *>(data.constData()), data.size(),
                             reinterpret_cast<const unsigned char *>(secretKey.constData()));
        return signature.toBase64();
    }
};

QByteArray feed(const QByteArray &items)
{
    return "<?xml version=\"1.0\" encoding=\"utf-8\"?>\n"
           "<rss version=\"2.0\" "
           "xmlns:sparkle=\"http://www.andymatuschak.org/xml-namespaces/sparkle\">"
           "<channel><title>Voxlume</title><link>https://example.org/voxlume</link>" +
           items + "</channel></rss>";
}

QByteArray item(const QByteArray &version, const QByteArray &enclosure, const QByteArray &more = {})
{
    return "<item><title>Voxlume " + version + "</title><sparkle:version>" + version +
           "</sparkle:version>" + more + "<enclosure " + enclosure +
           " type=\"application/vnd.debian.binary-package\"/></item>";
}

QByteArray enclosure(const QByteArray &url, qint64 length, const QByteArray &signature)
{
    return "url=\"" + url + "\" length=\"" + QByteArray::number(length) +
           "\" sparkle:edSignature=\"" + signature + "\"";
}

HttpReceiver::Response ok(const QByteArray &body, const QByteArray &type = "application/xml")
{
    return {200, {{"Content-Type", type}}, body};
}

} // namespace

// "Check for Updates…" against feeds served on the loopback interface.
class TestUpdateChecker : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init()
    {
        QVERIFY(m_server.emplace().listen());
        m_downloads.emplace();
        m_opened.clear();
        SettingsStore::shared().remove(SettingsKeys::skippedUpdateVersion.key());
    }

    void versionsCompareAsDesktopUpdatersDo_data()
    {
        QTest::addColumn<QString>("older");
        QTest::addColumn<QString>("newer");
        QTest::newRow("numbers, not text") << u"1.9"_s << u"1.10"_s;
        QTest::newRow("a further part") << u"1.0"_s << u"1.0.1"_s;
        QTest::newRow("a pre-release") << u"1.0b1"_s << u"1.0"_s;
        QTest::newRow("pre-release of a longer version") << u"1.0rc1"_s << u"1.0.0"_s;
        QTest::newRow("numbers among letters") << u"2.0 beta 2"_s << u"2.0beta10"_s;
        QTest::newRow("letters as text, any case") << u"1.0a"_s << u"1.0B"_s;
        QTest::newRow("beyond 64 bits")
            << u"99999999999999999999.1"_s << u"100000000000000000000.0"_s;
    }
    void versionsCompareAsDesktopUpdatersDo()
    {
        QFETCH(QString, older);
        QFETCH(QString, newer);
        QVERIFY(compareVersions(older, newer) < 0);
        QVERIFY(compareVersions(newer, older) > 0);
        QVERIFY(compareVersions(u"1.0"_s, u"1.0.0"_s) == 0);
        QVERIFY(compareVersions(u"01.2"_s, u"1.2"_s) == 0);
    }

    void checkResults_data()
    {
        QTest::addColumn<QString>("feedUrl");
        QTest::addColumn<QByteArray>("answer");
        QTest::addColumn<QString>("current");
        QTest::addColumn<State>("expected");
        // In the version found or the error shown.
        QTest::addColumn<QString>("saying");

        const QString served = u"served"_s;
        const QByteArray package = enclosure("https://example.org/voxlume.deb", 10, "c2ln");
        const auto feedOf = [&](const QByteArray &version) { return feed(item(version, package)); };
        QTest::newRow("newer") << served << feedOf("1.2.0") << u"1.1.0"_s << State::UpdateAvailable
                               << u"1.2.0"_s;
        QTest::newRow("same") << served << feedOf("1.1.0") << u"1.1.0"_s << State::UpToDate
                              << QString();
        QTest::newRow("older") << served << feedOf("1.0.9") << u"1.1.0"_s << State::UpToDate
                               << QString();
        QTest::newRow("malformed XML")
            << served << QByteArray("<rss><channel><item><title>1.2</item>") << u"1.0"_s
            << State::Failed << u"not an update feed"_s;
        QTest::newRow("a web page") << served << QByteArray("<html><body>Hi</body></html>")
                                    << u"1.0"_s << State::Failed << u"not an update feed"_s;
        QTest::newRow("no item") << served << feed({}) << u"1.0"_s << State::Failed
                                 << u"offers no version"_s;
        QTest::newRow("no usable item")
            << served << feed(item("2.0", "url=\"http://example.org/voxlume_2.0.deb\"")) << u"1.0"_s
            << State::Failed << u"offers no version"_s;
        // Read whole, an endless answer would take all the memory there is.
        QTest::newRow("too large") << served << QByteArray(6 * 1024 * 1024, ' ') << u"1.0"_s
                                   << State::Failed << u"larger than"_s;
        QTest::newRow("unreachable") << u"http://127.0.0.1:1/appcast.xml"_s << QByteArray()
                                     << u"1.0"_s << State::Failed << u"could not reach"_s;
        QTest::newRow("plain http elsewhere")
            << u"http://192.0.2.1/appcast.xml"_s << QByteArray() << u"1.0"_s << State::Failed
            << u"not an https address"_s;
        QTest::newRow("no feed: the package manager's job")
            << QString() << QByteArray() << u"1.0"_s << State::ManagedBySystem << QString();
    }
    void checkResults()
    {
        QFETCH(QString, feedUrl);
        QFETCH(QByteArray, answer);
        QFETCH(QString, current);
        QFETCH(State, expected);
        QFETCH(QString, saying);
        m_server->queueResponse(ok(answer));
        UpdateChecker checker(
            configuration(current, {}, feedUrl == u"served" ? feedAddress() : QUrl(feedUrl)));
        QSignalSpy attention(&checker, &UpdateChecker::attentionNeeded);
        checker.checkForUpdates();
        QTRY_VERIFY(checker.state() != State::Checking);
        QCOMPARE(checker.state(), expected);
        // A check the user started always shows its result.
        QCOMPARE(attention.size(), 1);
        const QString shown =
            expected == State::Failed ? checker.errorMessage() : checker.update().displayVersion;
        QVERIFY2(shown.contains(saying), qPrintable(shown));
    }

    // A server that sends a byte now and then restarts the transfer's timeout each time; the
    // check's own deadline ends it all the same.
    void aTricklingServerMeetsTheCheckDeadline()
    {
        QTcpServer trickler;
        QVERIFY(trickler.listen(QHostAddress::LocalHost));
        QTimer drip;
        drip.start(100);
        connect(&trickler, &QTcpServer::newConnection, &trickler, [&] {
            QTcpSocket *socket = trickler.nextPendingConnection();
            socket->write("HTTP/1.1 200 OK\r\nContent-Type: application/xml\r\n"
                          "Content-Length: 100000\r\n\r\n");
            connect(&drip, &QTimer::timeout, socket, [socket] { socket->write(" "); });
        });
        UpdateChecker::Configuration slow = configuration(
            u"1.0"_s, {}, QUrl(u"http://127.0.0.1:%1/appcast.xml"_s.arg(trickler.serverPort())));
        slow.checkDeadline = std::chrono::seconds(1);
        UpdateChecker checker(slow);
        checker.checkForUpdates();
        QTRY_VERIFY_WITH_TIMEOUT(checker.state() != State::Checking, 10'000);
        QCOMPARE(checker.state(), State::Failed);
        QVERIFY2(checker.errorMessage().contains(u"did not send its update feed within"_s),
                 qPrintable(checker.errorMessage()));
    }

    // Versions in the enclosure's attributes as older feeds have them, a package for another
    // system and an item without one left out, and release notes by link, in plain text.
    void readsTheNewestItemForThisSystem()
    {
        const QByteArray package = enclosure("https://example.org/voxlume_1.2.deb", 4321, "c2ln");
        const QByteArray items =
            "<item><enclosure url=\"https://example.org/voxlume_1.1.deb\" length=\"9\" "
            "sparkle:version=\"1.1\" sparkle:shortVersionString=\"1.1 Old\"/></item>" +
            item("1.3", "url=\"https://example.org/voxlume_1.3.exe\" sparkle:os=\"windows\"") +
            "<item><sparkle:version>2.0</sparkle:version></item>" +
            item("1.2", package,
                 "<sparkle:shortVersionString>1.2 (Spring)</sparkle:shortVersionString>"
                 "<link>https://example.org/voxlume/1.2</link><sparkle:releaseNotesLink>" +
                     baseAddress().toString().toUtf8() + "notes.txt</sparkle:releaseNotesLink>");
        m_server->queueResponse(ok(feed(items)));
        m_server->queueResponse(ok("Faster <subtitles>.\nFewer crashes.", "text/plain"));
        UpdateChecker checker(configuration(u"1.0"_s, {}));
        checker.checkForUpdates();
        QTRY_COMPARE(checker.state(), State::UpdateAvailable);
        const Appcast::Item &found = checker.update();
        QCOMPARE(found.version, u"1.2"_s);
        QCOMPARE(found.displayVersion, u"1.2 (Spring)"_s);
        QCOMPARE(m_server->requests().value(1).path, "/notes.txt"_ba);
        QVERIFY2(found.releaseNotes.contains(u"Faster &lt;subtitles&gt;."_s),
                 qPrintable(found.releaseNotes));
    }

    void install_data()
    {
        QTest::addColumn<QString>("fault");
        QTest::addColumn<State>("expected");
        QTest::addColumn<QString>("saying");
        QTest::newRow("verified") << QString() << State::Installed << QString();
        QTest::newRow("bad signature")
            << u"signature"_s << State::Failed << u"not signed with Voxlume's key"_s;
        QTest::newRow("short download")
            << u"short"_s << State::Failed << u"smaller than the update feed says"_s;
        QTest::newRow("long download")
            << u"long"_s << State::Failed << u"larger than the update feed says"_s;
        QTest::newRow("no PackageKit")
            << u"no PackageKit"_s << State::OpenedReleasePage << QString();
        QTest::newRow("no public key") << u"no key"_s << State::OpenedReleasePage << QString();
    }
    void install()
    {
        QFETCH(QString, fault);
        QFETCH(State, expected);
        QFETCH(QString, saying);
        PrivateBus bus;
        QVERIFY(bus.start());
        FakePackageKit packageKit(m_downloads->path(), FakePackageKit::Outcome::Installs);
        if (fault != u"no PackageKit")
            QVERIFY(packageKit.serveOn(bus.address()));

        const KeyPair keys = KeyPair::make();
        QByteArray package(200'000, '\0');
        randombytes_buf(package.data(), package.size());
        const QByteArray signature = keys.signature(fault == u"signature" ? "other" : package);
        const qint64 length = package.size() + (fault == u"short"  ? 100
                                                : fault == u"long" ? -100
                                                                   : 0);
        const QByteArray url = baseAddress().toString().toUtf8() + "voxlume_1.2_amd64.deb";
        m_server->queueResponse(ok(feed(item("1.2", enclosure(url, length, signature),
                                             "<link>https://example.org/voxlume/1.2</link>"))));
        m_server->queueResponse(ok(package, "application/vnd.debian.binary-package"));

        UpdateChecker checker(
            configuration(u"1.0"_s, fault == u"no key" ? QByteArray() : keys.publicKey.toBase64(),
                          feedAddress(), bus.address()));
        checker.checkForUpdates();
        QTRY_COMPARE(checker.state(), State::UpdateAvailable);
        checker.installUpdate();
        QTRY_VERIFY_WITH_TIMEOUT(checker.state() == expected, 10'000);
        QVERIFY2(checker.errorMessage().contains(saying), qPrintable(checker.errorMessage()));

        const QString path = m_downloads->filePath(u"voxlume_1.2_amd64.deb"_s);
        QCOMPARE(packageKit.calls().contains(u"InstallFiles:0,"_s + path),
                 expected == State::Installed);
        QCOMPARE(m_opened, expected == State::OpenedReleasePage
                               ? QList<QUrl>{QUrl(u"https://example.org/voxlume/1.2"_s)}
                               : QList<QUrl>());
        // Without a key nothing is fetched that could not be checked.
        QCOMPARE(m_server->requests().size(), fault == u"no key" ? 1 : 2);
        // Refused or installed, the package is not left behind.
        QTRY_VERIFY(!QFile::exists(path));
    }

    void backgroundChecksAreQuietUnlessSomethingIsFound()
    {
        const QByteArray newer =
            feed(item("1.2", enclosure("https://example.org/voxlume_1.2.deb", 10, "c2ln")));
        UpdateChecker checker(configuration(u"1.1"_s, {}));
        QSignalSpy attention(&checker, &UpdateChecker::attentionNeeded);
        const auto checkInBackground = [&](const QByteArray &answer) {
            m_server->queueResponse(ok(answer));
            const qsizetype asked = m_server->requests().size();
            checker.checkInBackground();
            QTRY_COMPARE(m_server->requests().size(), asked + 1);
            QTRY_VERIFY(checker.state() != State::Checking);
        };

        checkInBackground(feed(item("1.1", "url=\"https://example.org/voxlume_1.1.deb\"")));
        checkInBackground("not a feed");
        QCOMPARE(checker.state(), State::Idle);
        QCOMPARE(attention.size(), 0);

        checkInBackground(newer);
        QCOMPARE(checker.state(), State::UpdateAvailable);
        QCOMPARE(attention.size(), 1);
        checker.skipThisVersion();
        QCOMPARE(Setting(SettingsKeys::skippedUpdateVersion).value(), u"1.2"_s);

        checkInBackground(newer);
        QCOMPARE(checker.state(), State::Idle);
        QCOMPARE(attention.size(), 1);
        // The user asking is shown even the version they skipped.
        m_server->queueResponse(ok(newer));
        checker.checkForUpdates();
        QTRY_COMPARE(checker.state(), State::UpdateAvailable);
        QCOMPARE(attention.size(), 2);
    }

    // Once a day by the wall clock, counted from the last check, which may be from an earlier run.
    void checksDailyWhenTurnedOn()
    {
        Setting(SettingsKeys::automaticallyCheckForUpdates).setValue(false);
        Setting(SettingsKeys::lastUpdateCheck).setValue(QString());
        QDateTime now = QDateTime::currentDateTimeUtc();
        UpdateChecker checker(configuration(u"1.1"_s, {}));
        AutomaticUpdateChecks checks(checker, [&now] { return now; });
        const auto asked = [this] { return m_server->requests().size(); };

        QTest::qWait(50);
        QCOMPARE(asked(), 0);
        // Turning it on checks at once: there was never a check.
        Setting(SettingsKeys::automaticallyCheckForUpdates).setValue(true);
        QTRY_COMPARE(asked(), 1);
        QTRY_COMPARE(checker.state(), State::Idle);
        QVERIFY(QDateTime::fromString(Setting(SettingsKeys::lastUpdateCheck).value(), Qt::ISODate)
                    .isValid());

        now = now.addSecs(23 * 60 * 60);
        checks.checkIfDue();
        QTest::qWait(50);
        QCOMPARE(asked(), 1);
        now = now.addSecs(2 * 60 * 60);
        checks.checkIfDue();
        QTRY_COMPARE(asked(), 2);
        Setting(SettingsKeys::automaticallyCheckForUpdates).setValue(false);
    }

    // The feed's HTML may point at anything; the window loads none of it, and a click on a link
    // goes to the browser.
    void theWindowShowsReleaseNotesSafely()
    {
        const QString picture = m_downloads->filePath(u"red.png"_s);
        QImage red(40, 40, QImage::Format_RGB32);
        red.fill(Qt::red);
        QVERIFY(red.save(picture));
        const QByteArray notes = "<p><a href=\"details.html\">Details</a><img src=\"" +
                                 picture.toUtf8() + "\" width=\"40\" height=\"40\"></p>";
        m_server->queueResponse(
            ok(feed(item("1.2", enclosure("https://example.org/voxlume_1.2.deb", 10, "c2ln"),
                         "<description><![CDATA[" + notes + "]]></description>"))));
        UpdateChecker checker(configuration(u"1.1"_s, {}));
        checker.checkForUpdates();
        UpdateView view(checker);
        view.show();
        QTRY_COMPARE(checker.state(), State::UpdateAvailable);
        QVERIFY(view.releaseNotes()->isVisible());
        QVERIFY(view.installButton()->isVisible());

        const QImage shown =
            view.releaseNotes()->grab().toImage().convertToFormat(QImage::Format_RGB32);
        for (int y = 0; y < shown.height(); ++y) {
            for (int x = 0; x < shown.width(); ++x)
                QVERIFY(shown.pixel(x, y) != qRgb(255, 0, 0));
        }
        Q_EMIT view.releaseNotes()->anchorClicked(QUrl(u"details.html"_s));
        QCOMPARE(m_opened, QList<QUrl>{baseAddress().resolved(QUrl(u"details.html"_s))});

        view.skipButton()->click();
        QCOMPARE(checker.state(), State::Idle);
        QVERIFY(!view.isVisible());
    }

private:
    QUrl baseAddress() const { return QUrl(u"http://127.0.0.1:%1/"_s.arg(m_server->port())); }
    QUrl feedAddress() const { return baseAddress().resolved(QUrl(u"appcast.xml"_s)); }

    UpdateChecker::Configuration configuration(const QString &current, const QByteArray &publicKey,
                                               std::optional<QUrl> feed = {},
                                               const QString &busAddress = {})
    {
        UpdateChecker::Configuration configuration;
        configuration.feed = feed.value_or(feedAddress());
        configuration.publicKey = publicKey;
        configuration.currentVersion = current;
        configuration.packageKitBusAddress = busAddress;
        configuration.downloadDirectory = m_downloads->path();
        configuration.openUrl = [this](const QUrl &url) {
            m_opened << url;
            return true;
        };
        return configuration;
    }

    std::optional<HttpReceiver> m_server;
    std::optional<QTemporaryDir> m_downloads;
    QList<QUrl> m_opened;
};

VOXLUME_TEST_MAIN(TestUpdateChecker)
#include "tst_UpdateChecker.moc"
