// SPDX-License-Identifier: GPL-3.0-or-later
#include "FakePackageKit.h"
#include "Models/TranslationLanguagesModel.h"
#include "PrivateBus.h"
#include "TestMain.h"
#include "Views/TranslationLanguagesView.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>

using namespace Qt::Literals::StringLiterals;

namespace {

const QString package = u"apertium-eng-spa"_s;
const QStringList packageModes = {u"eng-spa"_s, u"spa-eng"_s, u"spa-eng_US"_s};

bool writeMode(const QString &folder, const QString &mode)
{
    QDir().mkpath(folder);
    QFile file(folder + u'/' + mode + u".mode"_s);
    return file.open(QIODevice::WriteOnly);
}

int installCalls(const FakePackageKit &packageKit)
{
    return int(packageKit.calls().filter(u"InstallPackages:"_s).size());
}

} // namespace

// The "Translation Languages" window and its model, against a stand-in PackageKit on a private
// bus and a modes folder of the test's own.
class TestTranslationLanguages : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init()
    {
        m_folder.emplace();
        m_bus.emplace();
        QVERIFY(m_bus->start());
    }

    void cleanup()
    {
        m_view.reset();
        m_packageKit.reset();
        m_bus.reset();
        m_folder.reset();
    }

    void listsEveryDirectionInOrderWithItsState()
    {
        QVERIFY(writeMode(modes(), u"eng-spa"_s));
        auto &view = makeView();
        const auto &entries = view.model().entries();
        const TranslationLanguagesModel &model = view.model();
        QCOMPARE(model.rowOf(u"afr-nld"_s), 0);
        QCOMPARE(model.rowOf(u"zlm-ind"_s), entries.size() - 1);
        QVERIFY(model.rowOf(u"eng-cat"_s) < model.rowOf(u"eng-spa"_s));
        // A variant follows its plain language, whatever its punctuation.
        QVERIFY(model.rowOf(u"eng-cat_valencia"_s) < model.rowOf(u"eng-cat_valencia_iec2017"_s));
        QCOMPARE(stateOf(u"eng-spa"_s), u"Installed"_s);
        QVERIFY(installButton(u"English → Spanish"_s)->isHidden());
        QCOMPARE(stateOf(u"spa-eng"_s), u"Not installed"_s);
        QVERIFY(!installButton(u"Spanish → English"_s)->isHidden());
        // Variants that ICU cannot name are named all the same.
        QCOMPARE(nameOf(u"eng-cat_valencia_iec2017"_s),
                 u"English → Catalan (Valencian, 2017 spelling)"_s);
    }

    // Every direction of the package goes through Installing, with PackageKit's progress, to
    // Installed; asking again meanwhile starts no second install.
    void installingMovesEveryDirectionOfThePackage()
    {
        if (!QFileInfo::exists(u"/usr/share/apertium/modes/eng-spa.mode"_s))
            QSKIP("apertium-eng-spa is not installed");
        servePackageKit(FakePackageKit::Outcome::Installs);
        auto &view = makeView();
        QStringList shown;
        QList<int> progress;
        const int row = view.model().rowOf(u"spa-eng"_s);
        connect(&view.model(), &TranslationLanguagesModel::entryChanged, this, [&](int changed) {
            if (changed != row)
                return;
            shown << stateOf(u"spa-eng"_s);
            progress << rowWidget(u"spa-eng"_s)->findChild<QProgressBar *>()->value();
        });
        installButton(u"English → Spanish"_s)->click();
        QVERIFY(!installButton(u"English → Spanish"_s)->isEnabled());
        view.model().install(package);

        QTRY_COMPARE(stateOf(u"spa-eng"_s), u"Installed"_s);
        QVERIFY2(shown.contains(u"Installing… 40 %"_s), qPrintable(shown.join(u" | ")));
        QVERIFY(progress.contains(40));
        for (const QString &mode : packageModes)
            QCOMPARE(stateOf(mode), u"Installed"_s);
        QVERIFY(installButton(u"Spanish → English"_s)->isHidden());
        QCOMPARE(installCalls(*m_packageKit), 1);
    }

    void aFailedInstallSaysWhyAndCanBeRetried_data()
    {
        QTest::addColumn<bool>("packageKitThere");
        QTest::addColumn<QString>("reason");
        QTest::newRow("refused") << true << u"Failed: Not authorized"_s;
        QTest::newRow("no PackageKit")
            << false
            << u"Failed: Install the package apertium-eng-spa with your system's package manager."_s;
    }
    void aFailedInstallSaysWhyAndCanBeRetried()
    {
        QFETCH(bool, packageKitThere);
        QFETCH(QString, reason);
        if (packageKitThere)
            servePackageKit(FakePackageKit::Outcome::Refuses);
        makeView();
        QPushButton *install = installButton(u"English → Spanish"_s);
        install->click();
        QTRY_COMPARE(stateOf(u"eng-spa"_s), reason);
        QCOMPARE(stateOf(u"spa-eng_US"_s), reason);
        QVERIFY(install->isEnabled() && !install->isHidden());
        QVERIFY(rowWidget(u"eng-spa"_s)->findChild<QProgressBar *>()->isHidden());
        if (!packageKitThere)
            return;
        install->click();
        QTRY_COMPARE(installCalls(*m_packageKit), 2);
        QTRY_COMPARE(stateOf(u"eng-spa"_s), reason);
    }

    void searchMatchesEitherNameWhateverTheCaseAndAccents_data()
    {
        QTest::addColumn<QString>("search");
        QTest::addColumn<QStringList>("shown");
        QTest::addColumn<QStringList>("hidden");
        QTest::newRow("target, any case") << u"SPAN"_s << QStringList{u"eng-spa"_s, u"spa-eng"_s}
                                          << QStringList{u"afr-nld"_s, u"eng-cat"_s};
        QTest::newRow("without the accent")
            << u"bokmal"_s << QStringList{u"dan-nob"_s, u"nob-dan"_s} << QStringList{u"dan-nno"_s};
        QTest::newRow("every word, in either name")
            << u" english  spanish "_s << QStringList{u"eng-spa"_s, u"spa-eng_US"_s}
            << QStringList{u"eng-cat"_s, u"eu-es"_s};
    }
    void searchMatchesEitherNameWhateverTheCaseAndAccents()
    {
        QFETCH(QString, search);
        QFETCH(QStringList, shown);
        QFETCH(QStringList, hidden);
        auto &view = makeView();
        view.findChild<QLineEdit *>()->setText(search);
        for (const QString &mode : shown)
            QVERIFY2(!rowWidget(mode)->isHidden(), qPrintable(mode));
        for (const QString &mode : hidden)
            QVERIFY2(rowWidget(mode)->isHidden(), qPrintable(mode));
    }

    // The modes folder need not exist when the window opens; pairs come and go by other means.
    void followsModeFilesAddedAndRemovedByOtherMeans()
    {
        const QString folder = m_folder->filePath(u"apertium/modes"_s);
        m_view.emplace(std::make_shared<TranslationLanguagesModel>(
            TranslationLanguagesModel::Configuration{folder, m_bus->address()}));
        QCOMPARE(stateOf(u"eng-cat"_s), u"Not installed"_s);
        QVERIFY(writeMode(folder, u"eng-cat"_s));
        QTRY_COMPARE(stateOf(u"eng-cat"_s), u"Installed"_s);
        QCOMPARE(stateOf(u"cat-eng"_s), u"Not installed"_s);
        QVERIFY(QFile::remove(folder + u"/eng-cat.mode"_s));
        QTRY_COMPARE(stateOf(u"eng-cat"_s), u"Not installed"_s);
    }

private:
    QString modes() const { return m_folder->filePath(u"modes"_s); }

    void servePackageKit(FakePackageKit::Outcome outcome)
    {
        m_packageKit.emplace(modes(), outcome);
        QVERIFY(m_packageKit->serveOn(m_bus->address()));
    }

    TranslationLanguagesView &makeView()
    {
        return m_view.emplace(std::make_shared<TranslationLanguagesModel>(
            TranslationLanguagesModel::Configuration{modes(), m_bus->address()}));
    }

    QWidget *rowWidget(const QString &mode) const
    {
        auto *row = m_view->findChild<QWidget *>(mode);
        if (!row)
            qFatal("no row for %s", qPrintable(mode));
        return row;
    }

    // What the row says of its state, as a screen reader hears it.
    QString stateOf(const QString &mode) const { return rowWidget(mode)->accessibleDescription(); }

    QString nameOf(const QString &mode) const { return rowWidget(mode)->accessibleName(); }

    QPushButton *installButton(const QString &pair) const
    {
        for (QPushButton *button : m_view->findChildren<QPushButton *>()) {
            if (button->accessibleName() == u"Install "_s + pair)
                return button;
        }
        qFatal("no button for %s", qPrintable(pair));
    }

    std::optional<QTemporaryDir> m_folder;
    std::optional<PrivateBus> m_bus;
    std::optional<FakePackageKit> m_packageKit;
    std::optional<TranslationLanguagesView> m_view;
};

VOXLUME_TEST_MAIN(TestTranslationLanguages)
#include "tst_TranslationLanguages.moc"
