// SPDX-License-Identifier: GPL-3.0-or-later
#include "UpdateView.h"

#include "ReleaseNotesBrowser.h"
#include "Updates/UpdateChecker.h"

#include <QCloseEvent>
#include <QHBoxLayout>
#include <QIcon>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QShortcut>
#include <QVBoxLayout>

using namespace Qt::Literals::StringLiterals;

namespace {

using State = UpdateChecker::State;

constexpr int iconSide = 64;
constexpr QSize sizeWithNotes(620, 460);
constexpr int widthWithoutNotes = 460;

} // namespace

UpdateView::UpdateView(UpdateChecker &checker, QWidget *parent)
    : QWidget(parent)
    , m_checker(checker)
{
    setWindowTitle(tr("Software Update"));
    auto *layout = new QHBoxLayout(this);
    auto *icon = new QLabel(this);
    icon->setPixmap(QIcon(u":/VoxlumeCore/icons/voxlume.svg"_s).pixmap(iconSide));
    icon->setAlignment(Qt::AlignTop);
    layout->addWidget(icon);

    auto *content = new QVBoxLayout;
    m_title = new QLabel(this);
    QFont bold = m_title->font();
    bold.setBold(true);
    bold.setPointSizeF(bold.pointSizeF() * 1.2);
    m_title->setFont(bold);
    m_title->setWordWrap(true);
    content->addWidget(m_title);
    m_message = new QLabel(this);
    m_message->setWordWrap(true);
    m_message->setTextInteractionFlags(Qt::TextSelectableByMouse);
    content->addWidget(m_message);
    m_notesLabel = new QLabel(tr("Release Notes:"), this);
    QFont notesFont = m_notesLabel->font();
    notesFont.setBold(true);
    m_notesLabel->setFont(notesFont);
    content->addWidget(m_notesLabel);
    m_notes = new ReleaseNotesBrowser(this);
    m_notes->setAccessibleName(tr("Release Notes"));
    m_notesLabel->setBuddy(m_notes);
    connect(m_notes, &QTextBrowser::anchorClicked, this,
            [this](const QUrl &url) { m_checker.openLink(url); });
    content->addWidget(m_notes, 1);
    m_progress = new QProgressBar(this);
    m_progress->setAccessibleName(tr("Progress"));
    content->addWidget(m_progress);
    content->addStretch();
    content->addWidget(makeButtons());
    layout->addLayout(content, 1);

    new QShortcut(QKeySequence::Cancel, this, this, &QWidget::close);
    connect(&m_checker, &UpdateChecker::stateChanged, this, &UpdateView::showState);
    connect(&m_checker, &UpdateChecker::percentChanged, this, &UpdateView::showProgress);
    showState();
}

QWidget *UpdateView::makeButtons()
{
    auto *row = new QWidget(this);
    auto *layout = new QHBoxLayout(row);
    layout->setContentsMargins(0, 0, 0, 0);
    m_skip = new QPushButton(tr("Skip This Version"), row);
    connect(m_skip, &QPushButton::clicked, this, [this] {
        m_checker.skipThisVersion();
        close();
    });
    layout->addWidget(m_skip);
    layout->addStretch();
    m_remind = new QPushButton(tr("Remind Me Later"), row);
    connect(m_remind, &QPushButton::clicked, this, [this] {
        m_checker.remindMeLater();
        close();
    });
    layout->addWidget(m_remind);
    m_install = new QPushButton(tr("Install Update"), row);
    connect(m_install, &QPushButton::clicked, &m_checker, &UpdateChecker::installUpdate);
    layout->addWidget(m_install);
    m_cancel = new QPushButton(tr("Cancel"), row);
    connect(m_cancel, &QPushButton::clicked, this, &QWidget::close);
    layout->addWidget(m_cancel);
    m_done = new QPushButton(tr("OK"), row);
    connect(m_done, &QPushButton::clicked, this, &QWidget::close);
    layout->addWidget(m_done);
    return row;
}

void UpdateView::showState()
{
    const QString version = m_checker.update().displayVersion;
    switch (m_checker.state()) {
    case State::Idle:
        close();
        return;
    case State::Checking:
        present(tr("Checking for updates…"), {}, {m_cancel});
        break;
    case State::UpToDate:
        present(tr("You're up to date!"),
                tr("Voxlume %1 is currently the newest version available.")
                    .arg(m_checker.currentVersion()),
                {m_done});
        break;
    case State::UpdateAvailable:
        present(tr("A new version of Voxlume is available!"),
                tr("Voxlume %1 is now available—you have %2. Would you like to install it now?")
                    .arg(version, m_checker.currentVersion()),
                {m_skip, m_remind, m_install});
        m_notes->showNotes(m_checker.update().releaseNotes);
        break;
    case State::Downloading:
        present(tr("Downloading update…"), tr("Voxlume %1").arg(version), {m_cancel});
        break;
    case State::Installing:
        present(tr("Installing update…"),
                tr("Your system may ask for an administrator's password."), {});
        break;
    case State::Installed:
        present(tr("Voxlume %1 is installed.").arg(version),
                tr("The new version runs the next time Voxlume starts."), {m_done});
        break;
    case State::OpenedReleasePage:
        present(tr("Voxlume %1 opens in your browser").arg(version),
                tr("Download and install it from the release page that has opened in your web "
                   "browser."),
                {m_done});
        break;
    case State::Failed:
        present(tr("Update Error"), m_checker.errorMessage(), {m_done});
        break;
    case State::ManagedBySystem:
        present(tr("Updates come from your system"),
                tr("Updates for this copy of Voxlume come from your system's package manager."),
                {m_done});
        break;
    }
    showProgress();
}

void UpdateView::present(const QString &title, const QString &message, QList<QPushButton *> buttons)
{
    m_title->setText(title);
    m_message->setText(message);
    m_message->setVisible(!message.isEmpty());
    const bool offering = m_checker.state() == State::UpdateAvailable;
    m_notesLabel->setVisible(offering);
    m_notes->setVisible(offering);
    for (QPushButton *button : {m_skip, m_remind, m_install, m_cancel, m_done}) {
        button->setVisible(buttons.contains(button));
        button->setDefault(false);
    }
    // The last button is the one Return presses, as in the desktop's message windows.
    if (!buttons.isEmpty()) {
        buttons.constLast()->setDefault(true);
        buttons.constLast()->setFocus();
    }
    // A floor rather than a size: window managers may drop a resize of a window they are still
    // mapping, but they keep to its minimum.
    setMinimumSize(offering ? sizeWithNotes : QSize(0, 0));
    if (offering) {
        resize(size().expandedTo(sizeWithNotes));
        return;
    }
    // As tall as the wrapped texts need at that width, no taller.
    resize(widthWithoutNotes, layout()->hasHeightForWidth()
                                  ? layout()->totalHeightForWidth(widthWithoutNotes)
                                  : sizeHint().height());
}

void UpdateView::showProgress()
{
    const State state = m_checker.state();
    const bool working =
        state == State::Checking || state == State::Downloading || state == State::Installing;
    m_progress->setVisible(working);
    const int percent = state == State::Checking ? -1 : m_checker.percent();
    // A range of nothing makes the bar say that something goes on, without saying how far.
    m_progress->setRange(0, percent < 0 ? 0 : 100);
    m_progress->setValue(std::max(percent, 0));
}

void UpdateView::closeEvent(QCloseEvent *event)
{
    m_checker.dismiss();
    QWidget::closeEvent(event);
}
