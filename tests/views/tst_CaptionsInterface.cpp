// SPDX-License-Identifier: GPL-3.0-or-later
#include "CaptionsInterface.h"
#include "OverlayFixture.h"
#include "PrivateBus.h"
#include "SingleInstance.h"
#include "TestMain.h"
#include "TimedWords.h"
#include "Views/AppMenuModel.h"
#include "Views/SubtitleOverlayWindow.h"
#include "Views/SubtitleWindow.h"

#include <QDBusArgument>
#include <QDBusConnection>
#include <QDBusPendingCall>
#include <QDBusVariant>
#include <QRegularExpression>

using namespace Qt::Literals::StringLiterals;

/// What another program on the bus hears of the interface: its signals and PropertiesChanged.
class Listener : public QObject
{
    Q_OBJECT

public:
    QList<QDBusMessage> messages;

    /// The arguments of each signal named \a member heard so far, in order.
    QList<QVariantList> heard(const QString &member) const
    {
        QList<QVariantList> found;
        for (const QDBusMessage &message : messages) {
            if (message.member() == member)
                found.append(message.arguments());
        }
        return found;
    }

    /// The properties each PropertiesChanged said had changed.
    QList<QVariantMap> changedProperties() const
    {
        QList<QVariantMap> found;
        for (const QVariantList &arguments : heard(u"PropertiesChanged"_s)) {
            if (arguments.value(0) == CaptionsInterface::interfaceName())
                found.append(qdbus_cast<QVariantMap>(arguments.value(1)));
        }
        return found;
    }

public Q_SLOTS:
    void receive(const QDBusMessage &message) { messages.append(message); }
};

class TestCaptionsInterface : public QObject
{
    Q_OBJECT

private:
    PrivateBus m_bus;
    QDBusConnection m_other{QString()};
    Listener m_listener;
    std::unique_ptr<OverlayFixture> m_fixture;
    std::unique_ptr<AppMenuModel> m_menu;
    std::unique_ptr<SingleInstance> m_instance;

    SubtitleOverlayWindow &content()
    {
        return *qobject_cast<SubtitleOverlayWindow *>(m_menu->subtitleWindow()->contentView());
    }

    void hear(const QString &text)
    {
        QTRY_VERIFY(content().model().listeningModel()->isListening());
        m_fixture->speech->tasks().last()->hypothesize(timedWords(text, 0.5));
    }

    // Calls the program from another connection, as another program would, and waits for the
    // answer without blocking the main thread that serves it.
    QDBusMessage call(const QString &method, const QVariantList &arguments = {},
                      const QString &interface = CaptionsInterface::interfaceName())
    {
        QDBusMessage message = QDBusMessage::createMethodCall(
            SingleInstance::serviceName(), SingleInstance::objectPath(), interface, method);
        message.setArguments(arguments);
        const QDBusPendingCall pending = m_other.asyncCall(message);
        if (!QTest::qWaitFor([&pending] { return pending.isFinished(); }, 5000))
            return {};
        return pending.reply();
    }

    QVariant property(const QString &name)
    {
        const QDBusMessage reply = call(u"Get"_s, {CaptionsInterface::interfaceName(), name},
                                        u"org.freedesktop.DBus.Properties"_s);
        return reply.arguments().value(0).value<QDBusVariant>().variant();
    }

private Q_SLOTS:
    void initTestCase()
    {
        QVERIFY(m_bus.start());
        // Before anything asks for the session bus, which is then the test's own.
        qputenv("DBUS_SESSION_BUS_ADDRESS", m_bus.address().toUtf8());
        m_other = QDBusConnection::connectToBus(m_bus.address(), u"other program"_s);
        QVERIFY(m_other.isConnected());
        for (const QString &member : {u"TextChanged"_s, u"CueFinished"_s})
            QVERIFY(m_other.connect(SingleInstance::serviceName(), SingleInstance::objectPath(),
                                    CaptionsInterface::interfaceName(), member, &m_listener,
                                    SLOT(receive(QDBusMessage))));
        QVERIFY(m_other.connect(SingleInstance::serviceName(), SingleInstance::objectPath(),
                                u"org.freedesktop.DBus.Properties"_s, u"PropertiesChanged"_s,
                                &m_listener, SLOT(receive(QDBusMessage))));
    }

    void init()
    {
        m_fixture = std::make_unique<OverlayFixture>();
        OverlayFixture::set("selectedFromLanguage", u"en-US"_s);
        OverlayFixture::set("selectedToLanguage", u"en-US"_s);
        m_menu = std::make_unique<AppMenuModel>([this] { return m_fixture->makeOverlayModel(); });
        m_instance = std::make_unique<SingleInstance>();
        QCOMPARE(m_instance->claim(SingleInstance::Request::Activate),
                 SingleInstance::Claim::First);
        new CaptionsInterface(*m_instance, *m_menu);
        // The adaptor's signals reach the bus from the next turn of the loop on.
        QCoreApplication::processEvents();
        m_listener.messages.clear();
    }

    void cleanup()
    {
        if (m_menu->subtitleWindow())
            delete m_menu->subtitleWindow();
        // Closed windows go on a later turn; their runs must end before the store they write to.
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        m_instance.reset();
        QDBusConnection::sessionBus().unregisterService(SingleInstance::serviceName());
        m_menu.reset();
        m_fixture.reset();
    }

    // Start and Stop do what the menu and the window's close button do; between them each change
    // of the display goes out once, each finished cue goes out, and Listening is announced both
    // ways. The end of the run empties the display.
    void aRunIsFollowedFromStartToStop()
    {
        QCOMPARE(property(u"Listening"_s), QVariant(false));
        QCOMPARE(call(u"Start"_s).type(), QDBusMessage::ReplyMessage);
        QVERIFY(m_menu->isListening());
        QTRY_COMPARE(m_listener.changedProperties(),
                     (QList<QVariantMap>{{{u"Listening"_s, true}}}));
        QCOMPARE(property(u"Listening"_s), QVariant(true));

        hear(u"Hello there."_s);
        hear(u"Hello there. How"_s);
        QTRY_COMPARE(m_listener.heard(u"TextChanged"_s),
                     (QList<QVariantList>{{u"Hello there."_s, QString()},
                                          {u"Hello there. How"_s, QString()}}));
        Q_EMIT content().model().cueFinished({0.5, 2.25, u"Hello there."_s, std::nullopt});
        QTRY_COMPARE(m_listener.heard(u"CueFinished"_s),
                     (QList<QVariantList>{{0.5, 2.25, u"Hello there."_s, QString()}}));

        // Once more brings the open window back, as the menu does; nothing new is started.
        const SubtitleWindow *window = m_menu->subtitleWindow();
        QCOMPARE(call(u"Start"_s).type(), QDBusMessage::ReplyMessage);
        QCOMPARE(m_menu->subtitleWindow(), window);

        QCOMPARE(call(u"Stop"_s).type(), QDBusMessage::ReplyMessage);
        QVERIFY(!m_menu->isListening());
        QTRY_COMPARE(m_listener.heard(u"TextChanged"_s).size(), 3);
        QCOMPARE(m_listener.heard(u"TextChanged"_s).last(), (QVariantList{QString(), QString()}));
        QTRY_COMPARE(m_listener.changedProperties().size(), 2);
        QCOMPARE(m_listener.changedProperties().last(), (QVariantMap{{u"Listening"_s, false}}));
        QCOMPARE(call(u"Stop"_s).type(), QDBusMessage::ReplyMessage);

        // A later run is followed as well; its empty start is no change after the emptied end.
        QCOMPARE(call(u"Start"_s).type(), QDBusMessage::ReplyMessage);
        hear(u"Again"_s);
        QTRY_COMPARE(m_listener.heard(u"TextChanged"_s).size(), 4);
        QCOMPARE(m_listener.heard(u"TextChanged"_s).last(), (QVariantList{u"Again"_s, QString()}));
    }

    // The translation goes out once it is shown; until then the spoken text goes alone.
    void theTranslationFollowsTheSpokenText()
    {
        OverlayFixture::set("selectedToLanguage", u"es-ES"_s);
        m_fixture->translation->setStatus(Language(u"en"_s, {}, u"US"_s),
                                          Language(u"es"_s, {}, u"ES"_s),
                                          TranslationService::Status::Installed);
        m_menu->startLiveSubtitles();
        hear(u"Good morning"_s);
        QTRY_COMPARE(m_listener.heard(u"TextChanged"_s),
                     (QList<QVariantList>{{u"Good morning"_s, QString()},
                                          {u"Good morning"_s, u"[Good morning]"_s}}));
        QCOMPARE(property(u"TranslatedLanguage"_s), QVariant(u"es-ES"_s));
    }

    // A language change is announced with its new raw value; a change of any other setting is
    // not announced at all.
    void languagesAreAnnouncedWhenTheyChange()
    {
        QCOMPARE(property(u"SpokenLanguage"_s), QVariant(u"en-US"_s));
        OverlayFixture::set("translationFontSize", u"50"_s);
        OverlayFixture::set("selectedFromLanguage", u"fr-FR"_s);
        OverlayFixture::set("selectedToLanguage", u"de-DE"_s);
        QTRY_COMPARE(m_listener.changedProperties(),
                     (QList<QVariantMap>{{{u"SpokenLanguage"_s, u"fr-FR"_s}},
                                         {{u"TranslatedLanguage"_s, u"de-DE"_s}}}));
        QCOMPARE(property(u"SpokenLanguage"_s), QVariant(u"fr-FR"_s));
    }

    // Qt's adaptor refuses a call that does not match the interface; nothing starts or stops.
    void callsThatDoNotMatchAreRefusedAndChangeNothing()
    {
        const auto refused = [this](const QDBusMessage &reply) {
            return reply.type() == QDBusMessage::ErrorMessage && !reply.errorName().isEmpty();
        };
        QVERIFY(refused(call(u"Start"_s, {u"x"_s})));
        QVERIFY(refused(call(u"Start"_s, {42})));
        QVERIFY(refused(call(u"Pause"_s)));
        QTest::qWait(100);
        QVERIFY(!m_menu->isListening());

        m_menu->startLiveSubtitles();
        QVERIFY(refused(call(u"Stop"_s, {true})));
        QVERIFY(refused(call(u"Set"_s,
                             {CaptionsInterface::interfaceName(), u"Listening"_s,
                              QVariant::fromValue(QDBusVariant(false))},
                             u"org.freedesktop.DBus.Properties"_s)));
        QTest::qWait(100);
        QVERIFY(m_menu->isListening());
        QVERIFY(m_menu->subtitleWindow()->isVisible());
    }

    // The interface as docs/dbus.md shows it is the one served, beside the application interface
    // on the same object.
    void theDocumentedInterfaceIsServed()
    {
        const QString introspection =
            call(u"Introspect"_s, {}, u"org.freedesktop.DBus.Introspectable"_s)
                .arguments()
                .value(0)
                .toString();
        QVERIFY2(introspection.contains(u"<interface name=\"org.freedesktop.Application\">"_s),
                 qPrintable(introspection));
        const QRegularExpression block(u"<interface name=\"io\\.github\\.voxlume\\.Voxlume\\."
                                       u"Captions\">.*?</interface>"_s,
                                       QRegularExpression::DotMatchesEverythingOption);
        QFile documentation(QStringLiteral(DOCS_DIR "/dbus.md"));
        QVERIFY(documentation.open(QIODevice::ReadOnly));
        const auto normalized = [&block](const QString &text) {
            return block.match(text).captured().simplified().replace(u"> <"_s, u"><"_s);
        };
        const QString served = normalized(introspection);
        QVERIFY(!served.isEmpty());
        QCOMPARE(normalized(QString::fromUtf8(documentation.readAll())), served);
    }
};

VOXLUME_TEST_MAIN(TestCaptionsInterface)
#include "tst_CaptionsInterface.moc"
