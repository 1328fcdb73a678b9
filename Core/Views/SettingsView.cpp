// SPDX-License-Identifier: GPL-3.0-or-later
#include "SettingsView.h"

#include "Base/FatalError.h"
#include "FontPicker.h"
#include "InputLevelMeter.h"
#include "InputPicker.h"
#include "Platform/Audio/AudioInputDevice.h"
#include "Platform/Windows/WindowSystem.h"
#include "ScreenPicker.h"
#include "Updates/UpdateChecker.h"

#include <QCheckBox>
#include <QColorDialog>
#include <QComboBox>
#include <QFileDialog>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QIcon>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPushButton>
#include <QSlider>
#include <QSpinBox>
#include <QVBoxLayout>

using namespace Qt::Literals::StringLiterals;

namespace {

constexpr double smallestFontSize = 30;
constexpr double fontSizeStep = 5;
constexpr double largestFontSize = 60;
// The sliders' values are what they mean, points and percent, because assistive technology reads
// a slider's value as it stands.
constexpr int transparencySteps = 100;
constexpr int smallGlyphPoints = 12;
constexpr int largeGlyphPoints = 24;

/// The letter that stands for text at one end of the size slider; both ends take the width of the
/// large one, so the slider sits centred.
QLabel *glyph(int points, const QString &name, QWidget *parent)
{
    auto *label = new QLabel(u"A"_s, parent);
    QFont font = label->font();
    font.setPointSize(points);
    label->setFont(font);
    QFont large = font;
    large.setPointSize(largeGlyphPoints);
    label->setFixedWidth(QFontMetrics(large).horizontalAdvance(u'A') + 4);
    label->setAlignment(Qt::AlignCenter);
    label->setAccessibleName(name);
    return label;
}

QLabel *icon(const QString &resource, const QString &name, QWidget *parent)
{
    auto *label = new QLabel(parent);
    QFont large = label->font();
    large.setPointSize(largeGlyphPoints);
    const int side = QFontMetrics(large).height();
    label->setPixmap(QIcon(resource).pixmap(side * 2 / 3));
    label->setFixedSize(side, side);
    label->setAlignment(Qt::AlignCenter);
    label->setAccessibleName(name);
    return label;
}

QWidget *sliderRow(QWidget *start, QSlider *slider, QWidget *end, QWidget *parent)
{
    auto *row = new QWidget(parent);
    auto *layout = new QHBoxLayout(row);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(start);
    layout->addWidget(slider, 1);
    layout->addWidget(end);
    return row;
}

// A row of \a form: \a control, then \a beside it, after a label. The label names the control
// itself, not the row, for assistive technology. Qt looks for a widget's label among its siblings
// only, so the row is a layout, not a widget of its own: label and control share one parent.
void addLabelledRow(QFormLayout *form, const QString &label, QWidget *control, QWidget *beside)
{
    auto *name = new QLabel(label, control->parentWidget());
    name->setBuddy(control);
    auto *row = new QHBoxLayout;
    row->addWidget(control, 1);
    row->addWidget(beside);
    form->addRow(name, row);
}

void showColor(QPushButton *button, const QColor &color)
{
    // Framed and over a checkerboard, so white and see-through colours show on any button.
    QPixmap swatch(28, 16);
    swatch.fill(Qt::white);
    QPainter painter(&swatch);
    for (int x = 0; x < swatch.width(); x += 4) {
        for (int y = (x / 4) % 2 * 4; y < swatch.height(); y += 8)
            painter.fillRect(x, y, 4, 4, Qt::lightGray);
    }
    painter.fillRect(swatch.rect(), color);
    painter.setPen(Qt::darkGray);
    painter.drawRect(swatch.rect().adjusted(0, 0, -1, -1));
    painter.end();
    button->setIcon(QIcon(swatch));
    button->setText(color.name(QColor::HexArgb).toUpper());
}

} // namespace

SettingsView::SettingsView(InputLevelMonitor::EngineFactory makeAudioEngine, QWidget *parent)
    : QWidget(parent)
{
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(makeTextAppearance());
    layout->addWidget(makeDisplaySettings());
    layout->addWidget(makePlacementSettings());
    layout->addWidget(makeLiveCaptionSettings());
    layout->addWidget(makeInputSettings(std::move(makeAudioEngine)));
    layout->addWidget(makeStartupSettings());
    layout->addWidget(makeUpdateSettings());
    layout->addWidget(makeLanguageHelp());
    layout->addStretch();
    showStoredValues();
    connect(&SettingsStore::shared(), &SettingsStore::changed, this,
            &SettingsView::showStoredValues);
    showSettingsProblem();
    connect(&SettingsStore::shared(), &SettingsStore::problemChanged, this,
            &SettingsView::showSettingsProblem);
}

int SettingsView::fontSizePosition(double pointSize)
{
    return int(fontSizeAt(int(std::lround(pointSize))));
}

double SettingsView::fontSizeAt(int position)
{
    // A drag ends anywhere; the size is one of the steps the ticks show.
    const double step = std::lround((position - smallestFontSize) / fontSizeStep);
    return std::clamp(smallestFontSize + fontSizeStep * step, smallestFontSize, largestFontSize);
}

int SettingsView::transparencyPosition(double transparency)
{
    return int(std::lround(std::clamp(transparency, 0.0, 1.0) * transparencySteps));
}

double SettingsView::transparencyAt(int position)
{
    return double(position) / transparencySteps;
}

QWidget *SettingsView::makeTextAppearance()
{
    auto *section = new QGroupBox(tr("Text Appearance"), this);
    auto *form = new QFormLayout(section);

    m_fontSize = new QSlider(Qt::Horizontal, section);
    m_fontSize->setRange(int(smallestFontSize), int(largestFontSize));
    m_fontSize->setSingleStep(int(fontSizeStep));
    m_fontSize->setPageStep(int(fontSizeStep));
    m_fontSize->setTickInterval(int(fontSizeStep));
    m_fontSize->setTickPosition(QSlider::TicksBelow);
    m_fontSize->setAccessibleName(tr("Font Size"));
    connect(m_fontSize, &QSlider::valueChanged, this, [this](int position) {
        const double size = fontSizeAt(position);
        // Onto the tick, which signals again with the size itself.
        if (position != int(size))
            m_fontSize->setValue(int(size));
        else
            Setting(SettingsKeys::translationFontSize).setValue(size);
    });
    form->addRow(tr("Font Size"),
                 sliderRow(glyph(smallGlyphPoints, tr("Smaller"), section), m_fontSize,
                           glyph(largeGlyphPoints, tr("Larger"), section), section));

    m_font = new FontPicker(section);
    m_font->setAccessibleName(tr("Font"));
    connect(m_font, &QComboBox::activated, this,
            [this] { Setting(SettingsKeys::selectedFont).setValue(m_font->family()); });
    form->addRow(tr("Font"), m_font);

    m_textColor = new QPushButton(section);
    m_textColor->setAccessibleName(tr("Text Color"));
    connect(m_textColor, &QPushButton::clicked, this,
            [this] { chooseColor(SettingsKeys::textColor); });
    form->addRow(tr("Text Color"), m_textColor);

    m_translationColor = new QPushButton(section);
    m_translationColor->setAccessibleName(tr("Translation Color"));
    connect(m_translationColor, &QPushButton::clicked, this,
            [this] { chooseColor(SettingsKeys::translationColor); });
    form->addRow(tr("Translation Color"), m_translationColor);

    m_textOutline =
        makeChoice(SettingsKeys::textOutline,
                   {{tr("None"), u"none"_s}, {tr("Thin"), u"thin"_s}, {tr("Thick"), u"thick"_s}},
                   tr("Text Outline"), section);
    m_textOutline->setToolTip(tr("A dark line around each letter keeps the subtitles readable "
                                 "over light backgrounds."));
    // Through the form, the label is the combo box's buddy: a screen reader names it by it.
    form->addRow(tr("Text Outline"), m_textOutline);
    return section;
}

QWidget *SettingsView::makeDisplaySettings()
{
    auto *section = new QGroupBox(tr("Display Settings"), this);
    auto *form = new QFormLayout(section);

    m_lines = new QSpinBox(section);
    m_lines->setRange(1, 5);
    m_lines->setAccessibleName(tr("Lines"));
    // The field inside is a control of its own to assistive technology.
    m_lines->findChild<QLineEdit *>()->setAccessibleName(tr("Lines"));
    m_lines->setToolTip(tr("With more than one line, finished sentences stay above the one being "
                           "spoken. Scroll over the subtitles to read earlier lines."));
    connect(m_lines, &QSpinBox::valueChanged, this,
            [](int lines) { Setting(SettingsKeys::subtitleLines).setValue(lines); });
    form->addRow(tr("Lines"), m_lines);

    m_transparency = new QSlider(Qt::Horizontal, section);
    m_transparency->setRange(0, transparencySteps);
    m_transparency->setPageStep(transparencySteps / 10);
    m_transparency->setAccessibleName(tr("Window Transparency"));
    connect(m_transparency, &QSlider::valueChanged, this, [](int position) {
        Setting(SettingsKeys::windowTransparency).setValue(transparencyAt(position));
    });
    form->addRow(tr("Window Transparency"),
                 sliderRow(icon(u":/VoxlumeCore/icons/eye-slash.svg"_s, tr("Opaque"), section),
                           m_transparency,
                           icon(u":/VoxlumeCore/icons/eye.svg"_s, tr("Clear"), section), section));

    m_background =
        makeChoice(SettingsKeys::subtitleBackground,
                   {{tr("Window"), u"window"_s}, {tr("Box Behind Each Line"), u"lineBoxes"_s}},
                   tr("Background"), section);
    form->addRow(tr("Background"), m_background);
    m_lineBoxOpacity = new QSlider(Qt::Horizontal, section);
    m_lineBoxOpacity->setRange(0, 100);
    m_lineBoxOpacity->setPageStep(10);
    m_lineBoxOpacity->setAccessibleName(tr("Box Opacity"));
    connect(m_lineBoxOpacity, &QSlider::valueChanged, this,
            [](int percent) { Setting(SettingsKeys::lineBoxOpacity).setValue(percent / 100.0); });
    form->addRow(tr("Box Opacity"), m_lineBoxOpacity);

    m_showSpokenLanguage = new QCheckBox(tr("Show Spoken Language"), section);
    connect(m_showSpokenLanguage, &QCheckBox::toggled, this,
            [](bool on) { Setting(SettingsKeys::showSpokenLanguage).setValue(on); });
    form->addRow(m_showSpokenLanguage);
    m_maskProfanity = new QCheckBox(tr("Mask Profanity"), section);
    m_maskProfanity->setToolTip(tr("Shows swear words as their first letter and asterisks. The "
                                   "transcript history keeps every word."));
    connect(m_maskProfanity, &QCheckBox::toggled, this,
            [](bool on) { Setting(SettingsKeys::maskProfanity).setValue(on); });
    form->addRow(m_maskProfanity);
    m_showSwapButton = new QCheckBox(tr("Show Language Swap Button"), section);
    connect(m_showSwapButton, &QCheckBox::toggled, this,
            [](bool on) { Setting(SettingsKeys::showLanguageSwapButton).setValue(on); });
    form->addRow(m_showSwapButton);
    return section;
}

QWidget *SettingsView::makeLanguageHelp()
{
    auto *help = new QWidget(this);
    auto *layout = new QVBoxLayout(help);
    layout->setSpacing(8);
    m_languageSettings = new QPushButton(tr("Open &Language Settings"), help);
    m_languageSettings->hide();
    connect(m_languageSettings, &QPushButton::clicked, this, [this] {
        if (m_openLanguageSettings)
            m_openLanguageSettings();
    });
    layout->addWidget(m_languageSettings, 0, Qt::AlignHCenter);

    auto *hint = new QLabel(
        tr("Translation languages are installed through your system's **package manager**: "
           "from **Translation Languages**, or the first time you choose one in the "
           "**Translated Language** menu."),
        help);
    hint->setTextFormat(Qt::MarkdownText);
    hint->setWordWrap(true);
    hint->setAlignment(Qt::AlignCenter);
    hint->setAccessibleName(hint->text().remove(u"**"_s));
    // Without an alignment here, so the layout gives the wrapped text the height it needs.
    layout->addWidget(hint);

    // Read once, when the window is made: a diagnostic switch, set from outside the program.
    if (SettingsStore::shared().boolValue(SettingsKeys::showCrashButton.key())) {
        auto *crash = new QPushButton(tr("Break the world"), help);
        connect(crash, &QPushButton::clicked, [] { fatalError(u"Break the world"_s); });
        layout->addWidget(crash, 0, Qt::AlignHCenter);
    }
    return help;
}

void SettingsView::setLanguageSettingsAction(std::function<void()> action)
{
    m_openLanguageSettings = std::move(action);
    m_languageSettings->setVisible(bool(m_openLanguageSettings));
}

void SettingsView::chooseColor(const SettingsKey<QColor> &key)
{
    auto *dialog = new QColorDialog(Setting(key).value(), this);
    dialog->setOption(QColorDialog::ShowAlphaChannel);
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    connect(dialog, &QColorDialog::colorSelected, this,
            [key](const QColor &color) { Setting(key).setValue(color); });
    dialog->open();
}

QComboBox *SettingsView::makeChoice(const SettingsKey<QString> &key,
                                    const QList<std::pair<QString, QString>> &choices,
                                    const QString &name, QWidget *parent)
{
    auto *box = new QComboBox(parent);
    box->setAccessibleName(name);
    for (const auto &[text, value] : choices)
        box->addItem(text, value);
    connect(box, &QComboBox::activated, this,
            [box, key] { Setting(key).setValue(box->currentData().toString()); });
    m_choices.append({box, key});
    return box;
}

void SettingsView::showStoredValues()
{
    const QSignalBlocker quietSize(m_fontSize);
    const QSignalBlocker quietFont(m_font);
    const QSignalBlocker quietTransparency(m_transparency);
    const QSignalBlocker quietSpoken(m_showSpokenLanguage);
    const QSignalBlocker quietSwap(m_showSwapButton);
    const QSignalBlocker quietLiveCaptionFile(m_writeLiveCaptionFile);
    const QSignalBlocker quietBoxOpacity(m_lineBoxOpacity);
    const QSignalBlocker quietMask(m_maskProfanity);
    const QSignalBlocker quietLines(m_lines);
    m_lines->setValue(Setting(SettingsKeys::subtitleLines).value());
    m_maskProfanity->setChecked(Setting(SettingsKeys::maskProfanity).value());
    for (const auto &[box, key] : std::as_const(m_choices))
        box->setCurrentIndex(std::max(0, box->findData(Setting(key).value())));
    const bool boxes = Setting(SettingsKeys::subtitleBackground).value() == u"lineBoxes"_s;
    m_lineBoxOpacity->setValue(
        int(std::lround(Setting(SettingsKeys::lineBoxOpacity).value() * 100)));
    m_lineBoxOpacity->setEnabled(boxes);
    // Behind boxes, the window has no background whose transparency could be chosen.
    m_transparency->setEnabled(!boxes);
    showColor(m_translationColor, Setting(SettingsKeys::translationColor).value());
    m_fontSize->setValue(fontSizePosition(Setting(SettingsKeys::translationFontSize).value()));
    m_font->setFamily(Setting(SettingsKeys::selectedFont).value());
    showColor(m_textColor, Setting(SettingsKeys::textColor).value());
    m_transparency->setValue(
        transparencyPosition(Setting(SettingsKeys::windowTransparency).value()));
    m_showSpokenLanguage->setChecked(Setting(SettingsKeys::showSpokenLanguage).value());
    m_showSwapButton->setChecked(Setting(SettingsKeys::showLanguageSwapButton).value());
    m_writeLiveCaptionFile->setChecked(Setting(SettingsKeys::writeLiveCaptionFile).value());
    m_liveCaptionFile->setText(Setting(SettingsKeys::liveCaptionFile).value());
}

void SettingsView::showSettingsProblem()
{
    const std::optional<QString> problem = SettingsStore::shared().problem();
    if (m_settingsProblem && problem == m_settingsProblem->text())
        return;
    if (m_settingsProblem) {
        // Later, as this may run inside the banner's own dismissal.
        m_settingsProblem->hide();
        m_settingsProblem->deleteLater();
        m_settingsProblem = nullptr;
    }
    if (!problem)
        return;
    m_settingsProblem = new NoticeBanner(*problem, this);
    connect(m_settingsProblem, &NoticeBanner::dismissed, this,
            [] { SettingsStore::shared().dismissProblem(); });
    // Above every section: what the user changes below may not last.
    static_cast<QVBoxLayout *>(layout())->insertWidget(0, m_settingsProblem);
}

// Where the subtitle window sits.

QWidget *SettingsView::makePlacementSettings()
{
    auto *section = new QGroupBox(tr("Subtitle Window"), this);
    auto *form = new QFormLayout(section);
    const auto addPickerRow = [&](const QString &text, QComboBox *picker) {
        // Qt names a combo box by its current entry: the label says what it chooses.
        auto *label = new QLabel(text, section);
        label->setBuddy(picker);
        form->addRow(label, picker);
    };

    m_position = new QComboBox(section);
    m_position->setAccessibleName(tr("Position"));
    m_position->addItem(tr("Floating"),
                        StoredSubtitlePosition::rawValue(SubtitlePosition::Floating));
    m_position->addItem(tr("Top of screen"),
                        StoredSubtitlePosition::rawValue(SubtitlePosition::Top));
    m_position->addItem(tr("Bottom of screen"),
                        StoredSubtitlePosition::rawValue(SubtitlePosition::Bottom));
    m_position->setToolTip(
        tr("Floating, the subtitles stay where you drag them. At the top or the bottom, they span "
           "the screen's width and maximized windows end where they begin, as at a panel. On "
           "Wayland itself they span the screen too, but other windows do not keep clear of "
           "them, and the desktop may place them elsewhere."));
    connect(m_position, &QComboBox::activated, this, [this] {
        if (const std::optional<SubtitlePosition> position =
                StoredSubtitlePosition::fromRawValue(m_position->currentData().toString()))
            Setting(SettingsKeys::overlayPosition).setValue(*position);
    });
    addPickerRow(tr("Position"), m_position);
    if (WindowSystem::waylandReason() != WindowSystem::WaylandReason::None) {
        auto *note = new QLabel(tr("On Wayland, other windows do not keep clear of docked "
                                   "subtitles, and the desktop may place them elsewhere."),
                                section);
        note->setWordWrap(true);
        form->addRow(QString(), note);
    }

    m_screen = new ScreenPicker(section);
    m_screen->setToolTip(tr("While the chosen screen is not connected, the subtitles show on the "
                            "primary screen, and go back once it is."));
    connect(m_screen, &QComboBox::activated, this,
            [this] { Setting(SettingsKeys::overlayScreen).setValue(m_screen->choice()); });
    addPickerRow(tr("Screen"), m_screen);

    showStoredPlacement();
    connect(&SettingsStore::shared(), &SettingsStore::changed, this,
            &SettingsView::showStoredPlacement);
    return section;
}

void SettingsView::showStoredPlacement()
{
    const QSignalBlocker quietPosition(m_position);
    m_position->setCurrentIndex(m_position->findData(
        StoredSubtitlePosition::rawValue(Setting(SettingsKeys::overlayPosition).value())));
    m_screen->setChoice(Setting(SettingsKeys::overlayScreen).value());
}

// The live captions for other programs.

QWidget *SettingsView::makeLiveCaptionSettings()
{
    auto *section = new QGroupBox(tr("Live Captions for Other Programs"), this);
    auto *form = new QFormLayout(section);
    m_writeLiveCaptionFile = new QCheckBox(tr("Write live captions to a file"), section);
    m_writeLiveCaptionFile->setToolTip(
        tr("While subtitles run, the file holds the line they show, and its translation on a "
           "second line: a streaming program can show it as a text source."));
    connect(m_writeLiveCaptionFile, &QCheckBox::toggled, this,
            [](bool on) { Setting(SettingsKeys::writeLiveCaptionFile).setValue(on); });
    form->addRow(m_writeLiveCaptionFile);

    // Shown, not typed: a path half typed would be written to at every word.
    m_liveCaptionFile = new QLineEdit(section);
    m_liveCaptionFile->setReadOnly(true);
    m_liveCaptionFile->setAccessibleName(tr("Live caption file"));
    m_chooseLiveCaptionFile = new QPushButton(tr("Choose…"), section);
    m_chooseLiveCaptionFile->setAccessibleName(tr("Choose the live caption file"));
    connect(m_chooseLiveCaptionFile, &QPushButton::clicked, this,
            &SettingsView::chooseLiveCaptionFile);
    addLabelledRow(form, tr("File"), m_liveCaptionFile, m_chooseLiveCaptionFile);
    return section;
}

void SettingsView::chooseLiveCaptionFile()
{
    auto *dialog = new QFileDialog(this, tr("Live Caption File"));
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    dialog->setAcceptMode(QFileDialog::AcceptSave);
    // The file is replaced at every new word anyway; one that exists is the usual choice.
    dialog->setOption(QFileDialog::DontConfirmOverwrite);
    dialog->selectFile(Setting(SettingsKeys::liveCaptionFile).value());
    connect(dialog, &QFileDialog::fileSelected, this,
            [](const QString &path) { Setting(SettingsKeys::liveCaptionFile).setValue(path); });
    dialog->open();
}

// What is listened to.

QWidget *SettingsView::makeInputSettings(InputLevelMonitor::EngineFactory makeAudioEngine)
{
    auto *section = new QGroupBox(tr("Input"), this);
    auto *form = new QFormLayout(section);

    m_inputPicker = new InputPicker(InputPicker::Offer::AnyInput, section);
    connect(m_inputPicker, &QComboBox::activated, this, &SettingsView::storeInput);
    auto *monitor = new InputLevelMonitor(std::move(makeAudioEngine), this);
    m_inputLevel = new InputLevelMeter(monitor, InputLevelMeter::Shows::ChosenInput, section);
    addLabelledRow(form, tr("Listen to"), m_inputPicker, m_inputLevel);

    m_microphonePicker = new InputPicker(InputPicker::Offer::Microphones, section);
    connect(m_microphonePicker, &QComboBox::activated, this, &SettingsView::storeInput);
    m_microphoneLevel = new InputLevelMeter(monitor, InputLevelMeter::Shows::Microphone, section);
    addLabelledRow(form, tr("Microphone"), m_microphonePicker, m_microphoneLevel);
    m_inputForm = form;
    m_microphoneRow = form->rowCount() - 1;

    auto *message = new QLabel(section);
    message->setWordWrap(true);
    message->hide();
    connect(monitor, &InputLevelMonitor::messageChanged, message, [monitor, message] {
        message->setText(monitor->message());
        message->setVisible(!monitor->message().isEmpty());
    });
    form->addRow(QString(), message);

    showStoredInput();
    connect(&SettingsStore::shared(), &SettingsStore::changed, this,
            &SettingsView::showStoredInput);
    return section;
}

void SettingsView::storeInput()
{
    const QString choice = m_inputPicker->choice();
    const bool mixed = choice == InputPicker::microphoneAndComputerSound;
    // The microphone of the mix is stored as the one chosen input, which a build that does not
    // know the mix listens to.
    Setting(SettingsKeys::selectedInputDevice)
        .setValue(mixed ? m_microphonePicker->choice() : choice);
    Setting(SettingsKeys::mixComputerSound).setValue(mixed);
}

void SettingsView::showStoredInput()
{
    const QString device = Setting(SettingsKeys::selectedInputDevice).value();
    const bool mixed = Setting(SettingsKeys::mixComputerSound).value();
    m_inputPicker->setChoice(mixed ? InputPicker::microphoneAndComputerSound : device);
    // The microphone kept for the mix; the computer's sound is not one, and is heard anyway.
    m_microphonePicker->setChoice(device == AudioInputDevice::soundOfThisComputer ? QString()
                                                                                  : device);
    m_inputForm->setRowVisible(m_microphoneRow, mixed);
}

// Starting with the desktop session.

QWidget *SettingsView::makeStartupSettings()
{
    auto *section = new QGroupBox(tr("Startup"), this);
    auto *form = new QFormLayout(section);
    m_startAtLogin = new QCheckBox(tr("Start at Login"), section);
    connect(m_startAtLogin, &QCheckBox::toggled, this, &SettingsView::setStartAtLogin);
    form->addRow(m_startAtLogin);
    m_startAtLoginProblem = new QLabel(section);
    m_startAtLoginProblem->setWordWrap(true);
    m_startAtLoginProblem->hide();
    form->addRow(m_startAtLoginProblem);
    showAutostart();
    return section;
}

void SettingsView::showAutostart()
{
    const QSignalBlocker quiet(m_startAtLogin);
    m_startAtLogin->setChecked(m_autostart.isEnabled());
}

void SettingsView::setStartAtLogin(bool on)
{
    QString error;
    const bool done = m_autostart.setEnabled(on, &error);
    m_startAtLoginProblem->setText(
        done ? QString()
             : tr("Voxlume could not change whether it starts at login: %1").arg(error));
    m_startAtLoginProblem->setVisible(!done);
    showAutostart();
}

void SettingsView::changeEvent(QEvent *event)
{
    if (event->type() == QEvent::ActivationChange && isActiveWindow())
        showAutostart();
    QWidget::changeEvent(event);
}

// Updates.

QWidget *SettingsView::makeUpdateSettings()
{
    auto *section = new QGroupBox(tr("Updates"), this);
    auto *layout = new QVBoxLayout(section);
    m_checkAutomatically = new QCheckBox(tr("Check for updates automatically"), section);
    connect(m_checkAutomatically, &QCheckBox::toggled, this,
            [](bool on) { Setting(SettingsKeys::automaticallyCheckForUpdates).setValue(on); });
    layout->addWidget(m_checkAutomatically);
    if (!UpdateChecker::Configuration::fromBuild().feed.isEmpty()) {
        showStoredUpdateChoice();
        connect(&SettingsStore::shared(), &SettingsStore::changed, this,
                &SettingsView::showStoredUpdateChoice);
        return section;
    }
    // A distribution's own build: its package manager keeps the program up to date.
    m_checkAutomatically->setEnabled(false);
    auto *note = new QLabel(
        tr("Updates for this copy of Voxlume come from your system's package manager."), section);
    note->setWordWrap(true);
    layout->addWidget(note);
    return section;
}

void SettingsView::showStoredUpdateChoice()
{
    const QSignalBlocker quiet(m_checkAutomatically);
    m_checkAutomatically->setChecked(Setting(SettingsKeys::automaticallyCheckForUpdates).value());
}
