// SPDX-License-Identifier: GPL-3.0-or-later
#include "OnboardingView.h"

#include "NamedColors.h"

#include <QFontDatabase>
#include <QHBoxLayout>
#include <QIcon>
#include <QLabel>
#include <QPainter>
#include <QShortcut>
#include <QVBoxLayout>

using namespace Qt::Literals::StringLiterals;

namespace {

constexpr int titlePoints = 44;
constexpr double instructionScale = 1.4;
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

    const QStringList pieces =
        instructionPieces(tr("Click the %@ icon in the menu bar to get started."));
    auto *row = new QHBoxLayout;
    row->setSpacing(0);
    row->addStretch();
    QFont instructionFont = font();
    instructionFont.setPointSizeF(instructionFont.pointSizeF() * instructionScale);
    const auto addText = [&](const QString &text) {
        QLabel *label = whiteLabel(text, this);
        label->setFont(instructionFont);
        row->addWidget(label);
    };
    if (!pieces.isEmpty())
        addText(pieces.constFirst());
    QLabel *icon = whiteLabel(QString(), this);
    const int side = QFontMetrics(instructionFont).height();
    icon->setPixmap(QIcon(u":/VoxlumeCore/icons/voxlume.svg"_s).pixmap(side));
    icon->setAccessibleName(tr("Voxlume icon"));
    icon->setObjectName(u"trayIcon"_s);
    row->addWidget(icon);
    if (pieces.size() > 1)
        addText(pieces.constLast());
    row->addStretch();

    auto *column = new QVBoxLayout(this);
    column->setContentsMargins(24, 24, 24, 24);
    column->addStretch();
    column->addWidget(title, 0, Qt::AlignHCenter);
    column->addSpacing(16);
    column->addLayout(row);
    column->addStretch();

    auto *escape = new QShortcut(QKeySequence(Qt::Key_Escape), this);
    connect(escape, &QShortcut::activated, this, [this] { window()->close(); });
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
