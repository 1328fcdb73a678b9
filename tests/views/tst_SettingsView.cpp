// SPDX-License-Identifier: GPL-3.0-or-later
#include "AccessibleNames.h"
#include "OffscreenScreens.h"
#include "OverlayFixture.h"
#include "Platform/Audio/QtAudioEngine.h"
#include "Platform/Session/AutostartEntry.h"
#include "PrivateSoundServer.h"
#include "ProgramServices.h"
#include "TestMain.h"
#include "Views/FontPicker.h"
#include "Views/InputPicker.h"
#include "Views/NoticeBanner.h"
#include "Views/ScreenPicker.h"
#include "Views/SettingsView.h"

#include <QAbstractButton>
#include <QAccessible>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QLabel>
#include <QLayout>
#include <QLineEdit>
#include <QProcess>
#include <QPushButton>
#include <QSet>
#include <QSettings>
#include <QSlider>
#include <QSpinBox>

using namespace Qt::Literals::StringLiterals;

namespace {

// The level meter reads the private sound server's inputs, as the program's reads the desktop's.
std::unique_ptr<AudioEngine> soundServerInput()
{
    return chosenInputEngine();
}

} // namespace

class TestSettingsView : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<OverlayFixture> m_fixture;

    static QStringList storedKeys()
    {
        return QSettings(SettingsStore::shared().filePath(), QSettings::IniFormat).allKeys();
    }

    static QStringList entries(const QComboBox &picker)
    {
        QStringList texts;
        for (int index = 0; index < picker.count(); ++index)
            texts << picker.itemText(index);
        return texts;
    }

    /// What a screen reader says labels \a control.
    static QString labelOf(QWidget *control)
    {
        const auto labels =
            QAccessible::queryAccessibleInterface(control)->relations(QAccessible::Label);
        return labels.isEmpty() ? QString() : labels.first().first->text(QAccessible::Name);
    }

    static bool hasCrashButton(const SettingsView &view)
    {
        const QList<QPushButton *> buttons = view.findChildren<QPushButton *>();
        return std::any_of(buttons.cbegin(), buttons.cend(), [](const QPushButton *button) {
            return button->text() == u"Break the world"_s;
        });
    }

    static QString autostartPath()
    {
        return qEnvironmentVariable("XDG_CONFIG_HOME") +
               u"/autostart/io.github.voxlume.Voxlume.desktop"_s;
    }

    static QByteArray readAll(const QString &path)
    {
        QFile file(path);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }

    static void writeFile(const QString &path, const QByteArray &contents)
    {
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(contents);
    }

    // What a desktop would make of the entry; an empty text when it takes it.
    static QString desktopFileProblems(const QString &path)
    {
        QProcess validator;
        validator.setProcessChannelMode(QProcess::MergedChannels);
        validator.start(u"desktop-file-validate"_s, {path});
        if (!validator.waitForFinished() || validator.exitStatus() != QProcess::NormalExit)
            return u"desktop-file-validate did not run (scripts/setup installs it)"_s;
        return validator.exitCode() == 0 ? QString() : QString::fromUtf8(validator.readAll());
    }

private Q_SLOTS:
    void init() { m_fixture = std::make_unique<OverlayFixture>(); }
    void cleanup()
    {
        m_fixture.reset();
        QVERIFY(OffscreenScreens::reset());
    }

    // Opening the window must not turn the defaults into stored choices; with nothing stored, the
    // primary screen shows as chosen, and the crash button stays hidden until asked for.
    void freshStoreShowsTheDefaultsAndStoresNothing()
    {
        QVERIFY(OffscreenScreens::set(
            {{u"DP-1"_s, QRect(0, 0, 1280, 800)}, {u"HDMI-1"_s, QRect(1280, 0, 1920, 1080)}}));
        const SettingsView view(soundServerInput);
        QCOMPARE(SettingsView::fontSizeAt(view.fontSizeSlider()->value()), 35.0);
        QCOMPARE(SettingsView::transparencyAt(view.transparencySlider()->value()), 0.2);
        QCOMPARE(view.fontPicker()->family(), u"System"_s);
        QCOMPARE(view.screenPicker()->currentText(), u"DP-1 (1280×800)"_s);
        QCOMPARE(view.positionPicker()->currentText(), u"Floating"_s);
        QVERIFY(!hasCrashButton(view));
        QCOMPARE(storedKeys(), QStringList());
    }

    // The sound server's microphones by name, the default output's monitor as the computer's
    // sound (no other monitor), and a stored choice that is missing, so that it is not lost; a
    // screen reader says what the picker chooses.
    void inputChoicesComeFromTheSoundServer()
    {
        PrivateSoundServer server;
        QVERIFY(server.start());
        qputenv("PULSE_SERVER", server.address().toLocal8Bit());
        QVERIFY(server.loadMicrophone(u"virtmic"_s, u"feed"_s,
                                      {u"sink_properties=device.description=Feed"_s}));
        QVERIFY(server.run(u"pactl"_s,
                           {u"load-module"_s, u"module-null-sink"_s, u"sink_name=speakers"_s}));
        QVERIFY(server.run(u"pactl"_s, {u"set-default-sink"_s, u"feed"_s}));
        OverlayFixture::set("selectedInputDevice", u"unplugged"_s);

        const SettingsView view(soundServerInput);
        InputPicker *picker = view.inputPicker();
        InputPicker *microphone = view.microphonePicker();
        QCOMPARE(labelOf(picker), u"Listen to"_s);
        QCOMPARE(labelOf(microphone), u"Microphone"_s);
        QTRY_COMPARE(picker->count(), 5);
        QTRY_COMPARE(microphone->count(), 3);
        qunsetenv("PULSE_SERVER");
        QCOMPARE(picker->itemText(0), u"Default microphone"_s);
        QCOMPARE(picker->itemData(1).toString(), u"virtmic"_s);
        QVERIFY(picker->itemText(1).contains(u"Feed"_s));
        QCOMPARE(picker->itemText(2), u"Sound from this computer"_s);
        QCOMPARE(picker->itemText(3), u"Microphone and computer sound"_s);
        QCOMPARE(picker->currentText(), u"unplugged (not connected)"_s);
        QVERIFY(!microphone->isVisibleTo(&view));

        // Mixed, the microphone stays the stored input, and is chosen beside.
        QTest::keyClick(picker, Qt::Key_Up);
        QCOMPARE(SettingsStore::shared().string(u"mixComputerSound"_s), u"true"_s);
        QCOMPARE(SettingsStore::shared().string(u"selectedInputDevice"_s), u"unplugged"_s);
        QVERIFY(microphone->isVisibleTo(&view));
        QCOMPARE(microphone->currentText(), u"unplugged (not connected)"_s);
        QTest::keyClick(microphone, Qt::Key_Up);
        QCOMPARE(SettingsStore::shared().string(u"selectedInputDevice"_s), u"virtmic"_s);
        QCOMPARE(picker->currentIndex(), 3);
        QCOMPARE(microphone->count(), 2);

        QTest::keyClick(picker, Qt::Key_Up);
        QCOMPARE(SettingsStore::shared().string(u"selectedInputDevice"_s), u"@DEFAULT_MONITOR@"_s);
        QCOMPARE(SettingsStore::shared().string(u"mixComputerSound"_s), u"false"_s);
        QVERIFY(!microphone->isVisibleTo(&view));
        // The missing device is gone from the list with the choice of it.
        QCOMPARE(picker->count(), 4);
        OverlayFixture::set("selectedInputDevice", u"virtmic"_s);
        QCOMPARE(picker->currentIndex(), 1);
    }

    void slidersStoreOnlyWhatTheyOffer()
    {
        const SettingsView view(soundServerInput);
        // The sliders' values are points and percent, as assistive technology reads them.
        QSlider *size = view.fontSizeSlider();
        size->setValue(size->maximum());
        QCOMPARE(SettingsStore::shared().string(u"translationFontSize"_s), u"60"_s);
        size->setValue(43);
        QCOMPARE(size->value(), 45);
        QCOMPARE(SettingsStore::shared().string(u"translationFontSize"_s), u"45"_s);
        QCOMPARE(QAccessible::queryAccessibleInterface(size)->valueInterface()->currentValue(),
                 QVariant(45));

        QSlider *transparency = view.transparencySlider();
        transparency->setValue(transparency->minimum());
        QCOMPARE(SettingsStore::shared().doubleValue(u"windowTransparency"_s), 0.0);
        transparency->setValue(transparency->maximum());
        QCOMPARE(SettingsStore::shared().doubleValue(u"windowTransparency"_s), 1.0);
    }

    // Both ways: a control stores at once, and a change made elsewhere shows at once.
    void controlsAndStoreFollowEachOther()
    {
        const SettingsView view(soundServerInput);
        view.showSpokenLanguageToggle()->click();
        QCOMPARE(SettingsStore::shared().string(u"showSpokenLanguage"_s), u"false"_s);
        OverlayFixture::set("showLanguageSwapButton", u"false"_s);
        QVERIFY(!view.showSwapButtonToggle()->isChecked());
        OverlayFixture::set("translationFontSize", u"50"_s);
        QCOMPARE(SettingsView::fontSizeAt(view.fontSizeSlider()->value()), 50.0);
    }

    // Each picker is its label's buddy, as Qt names a combo box by its entry. A stored position
    // that names none, and a screen that is not connected, show as floating and as that screen
    // "not connected", and stay stored; choosing stores at once, and a change from elsewhere
    // shows at once.
    void positionAndScreenAreLabelledAndKeepWhatTheyCannotShow()
    {
        QVERIFY(OffscreenScreens::set(
            {{u"DP-1"_s, QRect(0, 0, 1280, 800)}, {u"HDMI-1"_s, QRect(1280, 0, 1920, 1080)}}));
        OverlayFixture::set("overlayPosition", u"sideways"_s);
        OverlayFixture::set("overlayScreen", u"HDMI-2"_s);
        const SettingsView view(soundServerInput);
        QComboBox *position = view.positionPicker();
        ScreenPicker *screen = view.screenPicker();
        QCOMPARE(labelOf(position), u"Position"_s);
        QCOMPARE(labelOf(screen), u"Screen"_s);

        QCOMPARE(position->currentText(), u"Floating"_s);
        QCOMPARE(entries(*screen), QStringList({u"DP-1 (1280×800)"_s, u"HDMI-1 (1920×1080)"_s,
                                                u"HDMI-2 (not connected)"_s}));
        QCOMPARE(screen->currentText(), u"HDMI-2 (not connected)"_s);
        QCOMPARE(SettingsStore::shared().string(u"overlayPosition"_s), u"sideways"_s);
        QCOMPARE(SettingsStore::shared().string(u"overlayScreen"_s), u"HDMI-2"_s);

        // The screen comes back, at another resolution: it is the one chosen.
        QVERIFY(OffscreenScreens::set({{u"DP-1"_s, QRect(0, 0, 1280, 800)},
                                       {u"HDMI-1"_s, QRect(1280, 0, 1920, 1080)},
                                       {u"HDMI-2"_s, QRect(3200, 0, 2560, 1440)}}));
        QCOMPARE(screen->currentText(), u"HDMI-2 (2560×1440)"_s);
        QCOMPARE(screen->count(), 3);

        position->setFocus();
        QTest::keyClick(position, Qt::Key_End);
        QCOMPARE(SettingsStore::shared().string(u"overlayPosition"_s), u"bottom"_s);
        QTest::keyClick(screen, Qt::Key_Home);
        QCOMPARE(SettingsStore::shared().string(u"overlayScreen"_s), u"DP-1"_s);
        OverlayFixture::set("overlayPosition", u"top"_s);
        QCOMPARE(position->currentText(), u"Top of screen"_s);
        OverlayFixture::set("overlayScreen", u"HDMI-1"_s);
        QCOMPARE(screen->currentText(), u"HDMI-1 (1920×1080)"_s);
    }

    // A hand-edited style that no control offers shows as the default and stays stored until the
    // user chooses; boxes behind the lines take the window's transparency away.
    void textStylesShowAndStoreWhatTheyOffer()
    {
        OverlayFixture::set("textOutline", u"sideways"_s);
        OverlayFixture::set("subtitleBackground", u"lineBoxes"_s);
        OverlayFixture::set("subtitleLines", u"9"_s);
        const SettingsView view(soundServerInput);
        QCOMPARE(view.textOutlineBox()->currentData().toString(), u"none"_s);
        QCOMPARE(SettingsStore::shared().string(u"textOutline"_s), u"sideways"_s);
        QCOMPARE(view.linesBox()->value(), 1);
        QCOMPARE(SettingsStore::shared().string(u"subtitleLines"_s), u"9"_s);
        view.linesBox()->setValue(3);
        QCOMPARE(SettingsStore::shared().string(u"subtitleLines"_s), u"3"_s);
        QVERIFY(view.lineBoxOpacitySlider()->isEnabled());
        QVERIFY(!view.transparencySlider()->isEnabled());

        view.textOutlineBox()->setCurrentIndex(2);
        Q_EMIT view.textOutlineBox()->activated(2);
        QCOMPARE(SettingsStore::shared().string(u"textOutline"_s), u"thick"_s);
        view.lineBoxOpacitySlider()->setValue(35);
        QCOMPARE(SettingsStore::shared().doubleValue(u"lineBoxOpacity"_s), 0.35);
        OverlayFixture::set("subtitleBackground", u"window"_s);
        QVERIFY(!view.lineBoxOpacitySlider()->isEnabled());
        QCOMPARE(view.backgroundBox()->currentText(), u"Window"_s);
    }

    // Off until chosen, in the runtime folder until another is chosen; a screen reader names the
    // field by its label, and both the toggle and the file dialog store at once what shows.
    void liveCaptionFileIsChosenAndStored()
    {
        const SettingsView view(soundServerInput);
        QLineEdit *field = view.liveCaptionFileField();
        QVERIFY(!view.liveCaptionFileToggle()->isChecked());
        QCOMPARE(field->text(),
                 qEnvironmentVariable("XDG_RUNTIME_DIR") + u"/voxlume-live-captions.txt"_s);
        QCOMPARE(labelOf(field), u"File"_s);

        view.liveCaptionFileToggle()->click();
        QCOMPARE(SettingsStore::shared().string(u"writeLiveCaptionFile"_s), u"true"_s);
        const QString chosen = QDir::temp().filePath(u"captions.txt"_s);
        view.liveCaptionFileButton()->click();
        auto *dialog = view.findChild<QFileDialog *>();
        QVERIFY(dialog && dialog->isVisible());
        dialog->selectFile(chosen);
        // As its Save button does.
        static_cast<QDialog *>(dialog)->accept();
        QCOMPARE(SettingsStore::shared().string(u"liveCaptionFile"_s), chosen);
        QCOMPARE(field->text(), chosen);

        OverlayFixture::set("liveCaptionFile", u"/elsewhere/live.txt"_s);
        QCOMPARE(field->text(), u"/elsewhere/live.txt"_s);
        OverlayFixture::set("writeLiveCaptionFile", u"false"_s);
        QVERIFY(!view.liveCaptionFileToggle()->isChecked());
    }

    // Above every section, since nothing below will last; dismissed, it is not told again for
    // this run, in this window or a reopened one.
    void aSettingsFileThatCannotBeSavedIsToldOnceInABanner()
    {
        const QString path = SettingsStore::shared().filePath();
        QFile::remove(path);
        QVERIFY(QDir().mkpath(path));
        auto view = std::make_unique<SettingsView>(soundServerInput);
        view->show();
        view->showSpokenLanguageToggle()->click();
        QTRY_VERIFY(view->settingsProblemBanner());
        const QPointer<NoticeBanner> banner = view->settingsProblemBanner();
        QTRY_VERIFY(banner->isVisible());
        QVERIFY2(
            banner->text().startsWith(u"Settings cannot be saved: “"_s + path + u"” is a folder"_s),
            qPrintable(banner->text()));
        QCOMPARE(view->layout()->indexOf(banner), 0);
        QCOMPARE(unnamedControls(*view), QStringList());

        banner->findChild<QAbstractButton *>()->click();
        QTRY_VERIFY(!banner);
        QVERIFY(!view->settingsProblemBanner());
        view->showSpokenLanguageToggle()->click();
        QVERIFY(!view->settingsProblemBanner());
        view = std::make_unique<SettingsView>(soundServerInput);
        QVERIFY(!view->settingsProblemBanner());

        // A file again, which the later cases store into.
        QVERIFY(QDir(path).removeRecursively());
        QTRY_VERIFY(QFileInfo(path).isFile());
    }

    void systemComesFirstAndFamiliesInPlainOrder()
    {
        QCOMPARE(FontPicker::choices({u"Zapf"_s, u"System"_s, u"arial"_s, u"Bitstream"_s}),
                 (QStringList{u"System"_s, u"Bitstream"_s, u"System"_s, u"Zapf"_s, u"arial"_s}));
    }

    // Screen readers name every control, and Tab reaches each of them, the crash button included
    // when asked for.
    void everyControlIsNamedAndReachedByKeyboard()
    {
        OverlayFixture::set("showCrashButton", u"true"_s);
        SettingsView view(soundServerInput);
        QVERIFY(hasCrashButton(view));
        view.setLanguageSettingsAction([] {});
        view.show();
        QVERIFY(QTest::qWaitForWindowActive(&view));
        QCOMPARE(unnamedControls(view), QStringList());

        QSet<QWidget *> reached;
        view.fontSizeSlider()->setFocus();
        for (int step = 0; step < 40; ++step) {
            reached.insert(QApplication::focusWidget());
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        }
        for (QWidget *control : view.findChildren<QWidget *>()) {
            if (control->isVisible() && control->isEnabled() &&
                control->focusPolicy() & Qt::TabFocus)
                // A spin box's field hands its focus to the spin box.
                QVERIFY2(reached.contains(control) || reached.contains(control->focusProxy()),
                         control->metaObject()->className());
        }
    }

    // The toggle is the autostart entry, not a setting: it writes a valid entry that starts this
    // program and removes it, and shows what others did to the file, switching off included.
    void startAtLoginIsTheAutostartEntry()
    {
        {
            const SettingsView view(soundServerInput);
            QCheckBox *toggle = view.startAtLoginToggle();
            QVERIFY(!toggle->isChecked());
            toggle->click();
            QVERIFY(QFile::exists(autostartPath()));
            QVERIFY(
                readAll(autostartPath())
                    .contains("\nExec=" + QCoreApplication::applicationFilePath().toUtf8() + '\n'));
            QCOMPARE(desktopFileProblems(autostartPath()), QString());
            toggle->click();
            QVERIFY(!QFile::exists(autostartPath()));
            QCOMPARE(storedKeys(), QStringList());
        }
        writeFile(autostartPath(),
                  "[Desktop Entry]\nType=Application\nName=Voxlume\nExec=voxlume\n");
        QVERIFY(SettingsView(soundServerInput).startAtLoginToggle()->isChecked());
        writeFile(autostartPath(),
                  "[Desktop Entry]\nType=Application\nName=Voxlume\nExec=voxlume\nHidden=true\n");
        QVERIFY(!SettingsView(soundServerInput).startAtLoginToggle()->isChecked());
        QVERIFY(QFile::remove(autostartPath()));
    }

    // A program path that the desktop would split or expand still starts that one program, and an
    // entry that cannot be written leaves the toggle off with the reason beside it.
    void autostartEntryKeepsAnyProgramPathWhole()
    {
        AutostartEntry entry(u"/opt/My \"Apps\"/100%/Voxlume"_s);
        QString error;
        QVERIFY(entry.setEnabled(true, &error));
        QVERIFY(readAll(autostartPath()).contains(R"(Exec="/opt/My \\"Apps\\"/100%%/Voxlume")"));
        QCOMPARE(desktopFileProblems(autostartPath()), QString());
        QVERIFY(entry.setEnabled(false, &error));

        // A file where the folder goes stops even root.
        const QString folder = QFileInfo(autostartPath()).path();
        QVERIFY(QDir(folder).removeRecursively());
        writeFile(folder, "not a folder");
        const SettingsView view(soundServerInput);
        view.startAtLoginToggle()->click();
        QVERIFY(QFile::remove(folder));
        QVERIFY(!view.startAtLoginToggle()->isChecked());
        const auto labels = view.findChildren<QLabel *>();
        QVERIFY(std::any_of(labels.cbegin(), labels.cend(), [](const QLabel *label) {
            return label->text().startsWith(
                u"Voxlume could not change whether it starts at login"_s);
        }));
    }
};

VOXLUME_TEST_MAIN(TestSettingsView)
#include "tst_SettingsView.moc"
