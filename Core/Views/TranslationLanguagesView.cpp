// SPDX-License-Identifier: GPL-3.0-or-later
#include "TranslationLanguagesView.h"

#include "Models/TranslationLanguagesModel.h"

#include <QEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QScrollArea>
#include <QToolButton>
#include <QVBoxLayout>

#include <algorithm>

using namespace Qt::Literals::StringLiterals;

namespace {

using State = TranslationLanguagesModel::State;

constexpr int progressWidth = 120;

// Lower case without accents, so that "bokmal" finds "Bokmål".
QString folded(const QString &text)
{
    QString plain;
    for (const QChar c : text.normalized(QString::NormalizationForm_KD)) {
        if (c.category() != QChar::Mark_NonSpacing)
            plain.append(c);
    }
    return plain.toCaseFolded();
}

QString pairName(const TranslationLanguagesModel::Entry &entry)
{
    return TranslationLanguagesView::tr("%1 → %2").arg(entry.sourceName, entry.targetName);
}

QString stateText(const TranslationLanguagesModel::Entry &entry)
{
    switch (entry.state) {
    case State::Installed:
        return TranslationLanguagesView::tr("Installed");
    case State::Installable:
        return TranslationLanguagesView::tr("Not installed");
    case State::Installing:
        return entry.percent < 0
                   ? TranslationLanguagesView::tr("Installing…")
                   : TranslationLanguagesView::tr("Installing… %1 %").arg(entry.percent);
    case State::Failed:
        return TranslationLanguagesView::tr("Failed: %1").arg(entry.failure);
    }
    return {};
}

// Accents that read on light and dark windows alike: darker shades on light ones, lighter on dark.
QColor stateColor(State state, const QPalette &palette)
{
    const bool dark = palette.color(QPalette::Base).lightness() < 128;
    if (state == State::Installed)
        return dark ? QColor(0x6f, 0xcf, 0x83) : QColor(0x1e, 0x7b, 0x34);
    if (state == State::Failed)
        return dark ? QColor(0xff, 0x8a, 0x80) : QColor(0xb3, 0x26, 0x1e);
    return palette.color(QPalette::PlaceholderText);
}

} // namespace

TranslationLanguagesView::TranslationLanguagesView(std::shared_ptr<TranslationLanguagesModel> model,
                                                   QWidget *parent)
    : QWidget(parent)
    , m_model(std::move(model))
{
    auto *layout = new QVBoxLayout(this);
    auto *explanation =
        new QLabel(tr("Voxlume translates on this computer. Install the language pairs you want to "
                      "translate between; your system may ask for an administrator's password."),
                   this);
    explanation->setWordWrap(true);
    layout->addWidget(explanation);

    m_search = new QLineEdit(this);
    m_search->setPlaceholderText(tr("Search"));
    m_search->setAccessibleName(tr("Search Languages"));
    m_search->setClearButtonEnabled(true);
    // Qt's clear button has no name of its own for screen readers.
    for (QToolButton *clear : m_search->findChildren<QToolButton *>())
        clear->setAccessibleName(tr("Clear Search"));
    connect(m_search, &QLineEdit::textChanged, this, &TranslationLanguagesView::filter);
    layout->addWidget(m_search);
    layout->addWidget(makeList(), 1);

    connect(m_model.get(), &TranslationLanguagesModel::entryChanged, this,
            &TranslationLanguagesView::showEntry);
    // A window's height would otherwise follow the wrapped explanation, and show a few rows only.
    resize(560, 640);
}

TranslationLanguagesView::~TranslationLanguagesView() = default;

QWidget *TranslationLanguagesView::makeList()
{
    auto *scroll = new QScrollArea(this);
    scroll->setWidgetResizable(true);
    scroll->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    // Tab goes from the search straight to the buttons; the area scrolls to the focused one.
    scroll->setFocusPolicy(Qt::NoFocus);
    auto *list = new QWidget(scroll);
    list->setBackgroundRole(QPalette::Base);
    auto *layout = new QVBoxLayout(list);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    for (int index = 0; index < m_model->entries().size(); ++index) {
        m_rows << makeRow(index, list);
        layout->addWidget(m_rows.constLast().widget);
        showEntry(index);
    }
    m_noMatch = new QLabel(tr("No language matches the search."), list);
    m_noMatch->setAlignment(Qt::AlignCenter);
    m_noMatch->setForegroundRole(QPalette::PlaceholderText);
    m_noMatch->setContentsMargins(0, 24, 0, 24);
    m_noMatch->hide();
    layout->addWidget(m_noMatch);
    layout->addStretch();
    scroll->setWidget(list);
    stripe();
    return scroll;
}

TranslationLanguagesView::Row TranslationLanguagesView::makeRow(int index, QWidget *parent)
{
    const TranslationLanguagesModel::Entry &entry = m_model->entries().at(index);
    const QString name = pairName(entry);
    auto *widget = new QWidget(parent);
    widget->setObjectName(entry.direction.mode);
    widget->setAccessibleName(name);
    widget->setAutoFillBackground(true);
    auto *layout = new QHBoxLayout(widget);
    layout->setContentsMargins(10, 6, 10, 6);

    auto *texts = new QVBoxLayout;
    texts->setSpacing(2);
    auto *title = new QLabel(name, widget);
    auto *state = new QLabel(widget);
    for (QLabel *label : {title, state}) {
        // Long names and reasons wrap rather than push the buttons out of sight.
        label->setWordWrap(true);
        // Text goes with the rows' Base and AlternateBase, whichever a row has after a search.
        label->setForegroundRole(QPalette::Text);
        texts->addWidget(label);
    }
    layout->addLayout(texts, 1);

    auto *progress = new QProgressBar(widget);
    progress->setFixedWidth(progressWidth);
    progress->setTextVisible(false);
    progress->setAccessibleName(tr("Installing %1").arg(name));
    layout->addWidget(progress);

    auto *install = new QPushButton(tr("Install"), widget);
    install->setAccessibleName(tr("Install %1").arg(name));
    const QString package = entry.direction.package;
    connect(install, &QPushButton::clicked, this, [this, package] { m_model->install(package); });
    layout->addWidget(install);
    // Installed rows keep the height and the text width of the others.
    QSizePolicy policy = install->sizePolicy();
    policy.setRetainSizeWhenHidden(true);
    install->setSizePolicy(policy);
    return {widget, state, progress, install, folded(entry.sourceName + u'\n' + entry.targetName)};
}

void TranslationLanguagesView::showEntry(int index)
{
    const TranslationLanguagesModel::Entry &entry = m_model->entries().at(index);
    const Row &row = m_rows.at(index);
    const QString text = stateText(entry);
    row.state->setText(text);
    QPalette palette = row.state->palette();
    palette.setColor(QPalette::Text, stateColor(entry.state, palette));
    row.state->setPalette(palette);
    row.widget->setAccessibleDescription(text);

    const bool installing = entry.state == State::Installing;
    row.progress->setVisible(installing);
    row.progress->setRange(0, installing && entry.percent < 0 ? 0 : 100);
    row.progress->setValue(std::max(entry.percent, 0));
    row.install->setVisible(entry.state != State::Installed);
    row.install->setEnabled(!installing);
}

void TranslationLanguagesView::filter(const QString &text)
{
    const QStringList words = folded(text).split(u' ', Qt::SkipEmptyParts);
    bool anyShown = false;
    for (const Row &row : std::as_const(m_rows)) {
        const bool matches = std::all_of(words.cbegin(), words.cend(), [&](const QString &word) {
            return row.searchText.contains(word);
        });
        row.widget->setVisible(matches);
        anyShown = anyShown || matches;
    }
    m_noMatch->setVisible(!anyShown);
    stripe();
}

void TranslationLanguagesView::stripe()
{
    bool shaded = false;
    for (const Row &row : std::as_const(m_rows)) {
        if (row.widget->isHidden())
            continue;
        row.widget->setBackgroundRole(shaded ? QPalette::AlternateBase : QPalette::Base);
        shaded = !shaded;
    }
}

void TranslationLanguagesView::changeEvent(QEvent *event)
{
    QWidget::changeEvent(event);
    // The state accents are chosen for the window's lightness.
    if (event->type() == QEvent::PaletteChange ||
        event->type() == QEvent::ApplicationPaletteChange) {
        for (int index = 0; index < m_rows.size(); ++index)
            showEntry(index);
    }
}
