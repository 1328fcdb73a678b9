// SPDX-License-Identifier: GPL-3.0-or-later
#include "FakePackageKit.h"
#include "Platform/PackageKit/PackageInstaller.h"
#include "Platform/Translation/Apertium/ApertiumTranslationService.h"
#include "PrivateBus.h"
#include "TestMain.h"

#include <QFileInfo>

using namespace Qt::Literals::StringLiterals;

namespace {

const Language english(u"en"_s, {}, u"US"_s);
const Language spanish(u"es"_s, {}, u"ES"_s);
const QString package = u"apertium-eng-spa"_s;

bool namesThePackage(const std::optional<Error> &error)
{
    if (!error)
        return false;
    const QString text = error->localizedDescription();
    return text.contains(package) && text.contains(u"English"_s) && text.contains(u"Spanish"_s);
}

} // namespace

// Installing a pair through PackageKit, against a stand-in PackageKit on a private bus.
class TestPackageInstaller : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init()
    {
        m_modes.emplace();
        m_bus.emplace();
        QVERIFY(m_bus->start());
    }

    void cleanup()
    {
        m_service.reset();
        m_packageKit.reset();
        m_bus.reset();
    }

    void installsThePairsPackage()
    {
        if (!QFileInfo::exists(u"/usr/share/apertium/modes/eng-spa.mode"_s))
            QSKIP("apertium-eng-spa is not installed");
        servePackageKit(FakePackageKit::Outcome::Installs);
        auto &service = makeService(m_bus->address());
        QCOMPARE(QCoro::waitFor(service.status(english, spanish)),
                 TranslationService::Status::Supported);

        const auto session = service.makeSession(english, spanish);
        const std::optional<Error> error = QCoro::waitFor(session->prepareTranslation());
        QVERIFY2(!error, qPrintable(error ? error->description() : QString()));
        QCOMPARE(m_packageKit->calls(),
                 (QStringList{u"CreateTransaction:"_s, u"SetHints:interactive=true"_s,
                              u"Resolve:2,apertium-eng-spa"_s, u"CreateTransaction:"_s,
                              u"SetHints:interactive=true"_s,
                              u"InstallPackages:2,apertium-eng-spa;1.0;all;debian"_s}));
        QCOMPARE(QCoro::waitFor(service.status(english, spanish)),
                 TranslationService::Status::Installed);
        const auto translation = QCoro::waitFor(session->translate(u"The house is red."_s));
        QVERIFY(std::holds_alternative<QString>(translation) &&
                std::get<QString>(translation).contains(u"casa"_s));
    }

    // PackageKit's 101 means it cannot tell; only the installing step's progress is reported.
    void reportsTheInstallingStepsProgress()
    {
        servePackageKit(FakePackageKit::Outcome::Installs);
        PackageInstaller installer(PackageInstaller::busAt(m_bus->address()));
        QList<int> percentages;
        const auto error = QCoro::waitFor(
            installer.install(package, [&](int percent) { percentages << percent; }));
        QVERIFY(!error);
        QCOMPARE(percentages, (QList<int>{-1, 40, 80}));
    }

    void alreadyInstalledPackageIsNotInstalledAgain()
    {
        servePackageKit(FakePackageKit::Outcome::Installs);
        m_packageKit->markInstalled(package);
        const auto session = makeService(m_bus->address()).makeSession(english, spanish);
        // Installed, yet without the mode file: the user must still be told what to install.
        QVERIFY(namesThePackage(QCoro::waitFor(session->prepareTranslation())));
        QVERIFY(!m_packageKit->calls().join(u' ').contains(u"InstallPackages"_s));
    }

    void aFailedInstallationNamesThePackage_data()
    {
        QTest::addColumn<QString>("packageKit");
        QTest::newRow("refused") << u"refuses"_s;
        QTest::newRow("bus without PackageKit") << u"absent"_s;
    }
    void aFailedInstallationNamesThePackage()
    {
        QFETCH(QString, packageKit);
        if (packageKit == u"refuses")
            servePackageKit(FakePackageKit::Outcome::Refuses);
        auto &service = makeService(m_bus->address());
        const auto session = service.makeSession(english, spanish);
        const std::optional<Error> error = QCoro::waitFor(session->prepareTranslation());
        QVERIFY(namesThePackage(error));
        if (packageKit == u"refuses")
            QCOMPARE(error->userInfo().value(u"reason"_s).toString(), u"Not authorized"_s);
        QCOMPARE(QCoro::waitFor(service.status(english, spanish)),
                 TranslationService::Status::Supported);
        // Translating without preparing says the same.
        const auto translation = QCoro::waitFor(session->translate(u"Hello."_s));
        QVERIFY(std::holds_alternative<Error>(translation));
        QVERIFY(namesThePackage(std::get<Error>(translation)));
    }

    void cancelEndsAnInstallationUnderWay()
    {
        servePackageKit(FakePackageKit::Outcome::NeverFinishes);
        const auto session = makeService(m_bus->address()).makeSession(english, spanish);
        auto preparation = session->prepareTranslation();
        QTRY_VERIFY(m_packageKit->calls().join(u' ').contains(u"InstallPackages"_s));
        session->cancel();
        const std::optional<Error> error = QCoro::waitFor(preparation);
        QVERIFY(error && TranslationSession::isCancellation(*error));
        QTRY_VERIFY(m_packageKit->calls().contains(u"Cancel:"_s));
    }

    void unsupportedPairNeedsNoPackageKit()
    {
        const Language japanese(u"ja"_s, {}, u"JP"_s);
        const auto session = makeService(m_bus->address()).makeSession(english, japanese);
        const std::optional<Error> error = QCoro::waitFor(session->prepareTranslation());
        QVERIFY(error);
        QVERIFY(error->localizedDescription().contains(u"Japanese"_s));
    }

private:
    void servePackageKit(FakePackageKit::Outcome outcome)
    {
        m_packageKit.emplace(m_modes->path(), outcome);
        QVERIFY(m_packageKit->serveOn(m_bus->address()));
    }

    ApertiumTranslationService &makeService(const QString &busAddress)
    {
        m_service.emplace(
            ApertiumTranslationService::Configuration{m_modes->path(), busAddress, {}});
        return *m_service;
    }

    std::optional<QTemporaryDir> m_modes;
    std::optional<PrivateBus> m_bus;
    std::optional<FakePackageKit> m_packageKit;
    std::optional<ApertiumTranslationService> m_service;
};

VOXLUME_TEST_MAIN(TestPackageInstaller)
#include "tst_PackageInstaller.moc"
