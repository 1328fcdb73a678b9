// SPDX-License-Identifier: GPL-3.0-or-later
#include "OnboardingView.h"

#include "Base/NamedColors.h"

#include <QFontDatabase>
#include <QHBoxLayout>
#include <QIcon>
#include <QLabel>
#include <QMenu>
#include <QPainter>
#include <QPushButton>
#include <QShortcut>
#include <QVBoxLayout>

using namespace Qt::Literals::StringLiterals;

namespace {

constexpr int titlePoints = 44;
constexpr double instructionScale = 1.4;
constexpr int commandWidth = 320;
// Families with rounded letters that Debian ships, for the title; the general font otherwise.
const QStringList roundedFamilies = {u"Comfortaa"_s, u"Varela Round"_s, u"M PLUS Rounded 1c"_s,
                                     u"Nunito"_s};

QLabel *whiteLabel(const QString &text, QWidget *parent)
{
    auto *label = new QLabel(text, parent);
    label->setStyleSheet(u"color: white; background: transparent;"_s);
    return label;
}

QFont titleFont(QFont font)
{
    const QStringList installed = QFontDatabase::families();
    for (const QString &family : roundedFamilies) {
        if (installed.contains(family)) {
            font.setFamily(family);
            break;
        }
    }
    font.setPointSize(titlePoints);
    return font;
}

} // namespace

OnboardingView::OnboardingView(QWidget *parent)
    : QWidget(parent)
{
    QLabel *title = whiteLabel(tr("Welcome to **Voxlume**"), this);
    title->setTextFormat(Qt::MarkdownText);
    title->setFont(titleFont(title->font()));
    title->setAccessibleName(title->text().remove(u"**"_s));
    m_instruction = makeInstruction();

    m_column = new QVBoxLayout(this);
    m_column->setContentsMargins(24, 24, 24, 24);
    m_column->addStretch();
    m_column->addWidget(title, 0, Qt::AlignHCenter);
    m_column->addSpacing(16);
    m_column->addWidget(m_instruction);
    m_column->addStretch();

    auto *escape = new QShortcut(QKeySequence(Qt::Key_Escape), this);
    connect(escape, &QShortcut::activated, this, [this] {
        if (!m_isOfferingMenu)
            window()->close();
    });
}

QWidget *OnboardingView::makeInstruction()
{
    auto *instruction = new QWidget(this);
    const QStringList pieces = instructionPieces(instructionText(DesktopEnvironment::trayPlace()));
    auto *row = new QHBoxLayout(instruction);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(0);
    row->addStretch();
    QFont instructionFont = font();
    instructionFont.setPointSizeF(instructionFont.pointSizeF() * instructionScale);
    const auto addText = [&](const QString &text) {
        QLabel *label = whiteLabel(text, instruction);
        label->setFont(instructionFont);
        row->addWidget(label);
    };
    if (!pieces.isEmpty())
        addText(pieces.constFirst());
    QLabel *icon = whiteLabel(QString(), instruction);
    const int side = QFontMetrics(instructionFont).height();
    icon->setPixmap(QIcon(u":/VoxlumeCore/icons/voxlume.svg"_s).pixmap(side));
    icon->setAccessibleName(tr("Voxlume icon"));
    icon->setObjectName(u"trayIcon"_s);
    row->addWidget(icon);
    if (pieces.size() > 1)
        addText(pieces.constLast());
    row->addStretch();
    return instruction;
}

QString OnboardingView::instructionText(DesktopEnvironment::TrayPlace place)
{
    switch (place) {
    case DesktopEnvironment::TrayPlace::Panel:
        return tr("Click the %@ icon in the panel to get started.");
    case DesktopEnvironment::TrayPlace::TopBar:
        return tr("Click the %@ icon in the top bar to get started.");
    case DesktopEnvironment::TrayPlace::SystemTray:
        break;
    }
    return tr("Click the %@ icon in the system tray to get started.");
}

void OnboardingView::offerMenu(QMenu *menu)
{
    if (m_isOfferingMenu)
        return;
    m_isOfferingMenu = true;
    QWidget *panel = makeMenuPanel(menu);
    m_column->replaceWidget(m_instruction, panel);
    delete m_instruction;
    m_instruction = nullptr;
    // Now rather than on the layout's later turn, so that the window's size can count it.
    panel->show();
    setFocus();
}

QPushButton *OnboardingView::commandButton(QAction *action, QWidget *parent)
{
    auto *button = new QPushButton(parent);
    button->setMinimumWidth(commandWidth);
    // Return presses the focused button, as in a dialog.
    button->setAutoDefault(true);
    // A tool button would follow the action by itself, but it drops the "..." of "Settings...".
    const auto follow = [button, action] {
        button->setText(action->text());
        button->setToolTip(action->toolTip());
        button->setEnabled(action->isEnabled());
        button->setCheckable(action->isCheckable());
        button->setChecked(action->isChecked());
        button->setVisible(action->isVisible());
    };
    follow();
    connect(action, &QAction::changed, button, follow);
    if (QMenu *submenu = action->menu())
        button->setMenu(submenu);
    else
        connect(button, &QPushButton::clicked, action, &QAction::trigger);
    return button;
}

QWidget *OnboardingView::makeMenuPanel(QMenu *menu)
{
    auto *panel = new QWidget(this);
    auto *column = new QVBoxLayout(panel);
    column->setContentsMargins(0, 0, 0, 0);
    QLabel *note = whiteLabel(
        tr("Your desktop shows no system tray, so Voxlume's menu is here instead."), panel);
    note->setWordWrap(true);
    note->setAlignment(Qt::AlignHCenter);
    column->addWidget(note);
    column->addSpacing(8);
    QPushButton *first = nullptr;
    for (QAction *action : menu->actions()) {
        if (action->isSeparator())
            continue;
        QPushButton *button = commandButton(action, panel);
        column->addWidget(button, 0, Qt::AlignHCenter);
        if (!first)
            first = button;
    }
    // Keyboard users start at the first command rather than nowhere.
    setFocusProxy(first);
    return panel;
}

QStringList OnboardingView::instructionPieces(const QString &instruction)
{
    // With no placeholder, the one piece would otherwise stand on both sides of the icon.
    return instruction.split(u"%@"_s, Qt::SkipEmptyParts);
}

void OnboardingView::paintEvent(QPaintEvent *)
{
    QLinearGradient gradient(rect().topLeft(), rect().bottomRight());
    gradient.setColorAt(0, NamedColors::color(u"DarkBlue"_s).value_or(Qt::darkBlue));
    gradient.setColorAt(1, NamedColors::color(u"LightBlue"_s).value_or(Qt::cyan));
    QPainter(this).fillRect(rect(), gradient);
}
