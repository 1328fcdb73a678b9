// SPDX-License-Identifier: GPL-3.0-or-later
#include "SubtitleOverlayWindow.h"

#include "Models/AppState.h"
#include "Models/DisplayTextTranslator.h"
#include "Models/LiveCaptionFile.h"
#include "Models/SubtitleOverlayWindowModel.h"
#include "SubtitleLabel.h"
#include "SubtitleLinesView.h"
#include "SubtitleWindow.h"
#include "WaitingPanel.h"

#include <QApplication>
#include <QMessageBox>
#include <QPushButton>

using namespace Qt::Literals::StringLiterals;

namespace {

constexpr int padding = 16;
constexpr int spacing = 8;
constexpr double minimumScaleFactor = 0.7;
// The spoken line under a translation is smaller and dimmer, so the eye goes to the translation.
constexpr double spokenLineScale = 0.7;
constexpr double spokenLineOpacity = 0.7;
// A translation still belongs to the live text while the two begin alike this far: the recogniser
// changes the newest words, and a cue takes the first ones.
constexpr qsizetype sharedBeginning = 16;

SubtitleLabel::Outline outlineOf(const QString &setting)
{
    if (setting == u"thin"_s)
        return SubtitleLabel::Outline::Thin;
    if (setting == u"thick"_s)
        return SubtitleLabel::Outline::Thick;
    return SubtitleLabel::Outline::None;
}

} // namespace

SubtitleOverlayWindow::SubtitleOverlayWindow(std::unique_ptr<SubtitleOverlayWindowModel> model,
                                             QWidget *parent)
    : QWidget(parent)
    , m_model(std::move(model))
    , m_translator(std::make_unique<DisplayTextTranslator>(*m_model))
    , m_liveFile(std::make_unique<LiveCaptionFile>())
    , m_translatedLine(new SubtitleLabel(this))
    , m_spokenLine(new SubtitleLabel(this))
    , m_lines(new SubtitleLinesView(this))
    , m_waitingPanel(new WaitingPanel(this))
{
    setAttribute(Qt::WA_TranslucentBackground);
    // Described rather than named: a screen reader then reads the subtitle itself as the name.
    m_translatedLine->setAccessibleDescription(tr("Translation"));
    m_spokenLine->setAccessibleDescription(tr("Spoken text"));

    connect(m_translator.get(), &DisplayTextTranslator::translated, this,
            &SubtitleOverlayWindow::translated);
    connect(
        m_translator.get(), &DisplayTextTranslator::preparationFailed, m_waitingPanel,
        [this](const Error &error) { m_waitingPanel->showFailure(error.localizedDescription()); });
    SettingsStore &store = SettingsStore::shared();
    connect(&store, &SettingsStore::changed, this, &SubtitleOverlayWindow::settingsChanged);

    const ListeningModel *listening = m_model->listeningModel();
    const TranslationModel *translation = m_model->translationModel();
    connect(listening, &ListeningModel::sourceTextChanged, this, &SubtitleOverlayWindow::refresh);
    connect(listening, &ListeningModel::liveTextChanged, this, [this] {
        if (showsSeveralLines())
            refresh();
    });
    connect(m_model.get(), &SubtitleOverlayWindowModel::cueFinished, this, [this](CaptionCue cue) {
        // Its translation has come, which the lines show.
        if (showsSeveralLines())
            refresh();
        cue.text = shown(cue.text, m_appliedFrom);
        if (cue.translation)
            cue.translation = shown(*cue.translation, m_appliedTo);
        Q_EMIT cueFinished(cue);
    });
    connect(listening, &ListeningModel::inputNotice, this, &SubtitleOverlayWindow::showInputNotice);
    connect(translation, &TranslationModel::hasDownloadBeenPromptedChanged, this,
            &SubtitleOverlayWindow::refresh);
    connect(translation, &TranslationModel::languagePairValidationStatusChanged, this,
            &SubtitleOverlayWindow::refresh);
    connect(translation, &TranslationModel::translationConfigurationChanged, this,
            &SubtitleOverlayWindow::refresh);

    connect(m_model->transcriptionModel(), &TranscriptionModel::saveProblemChanged, this, [this] {
        showProblem(m_shownSaveProblem, m_model->transcriptionModel()->saveProblem());
    });
    connect(m_liveFile.get(), &LiveCaptionFile::problemChanged, this,
            [this] { showProblem(m_shownLiveFileProblem, m_liveFile->problem()); });
    watchErrors(m_model->transcriptionModel(), tr("Transcription Error"));
    watchErrors(m_model->listeningModel(), tr("Listening Error"));
    watchErrors(m_model->translationModel(), tr("Translation Error"));
    refresh();
}

SubtitleOverlayWindow::~SubtitleOverlayWindow()
{
    disappear();
}

SubtitleOverlayWindow::Layout SubtitleOverlayWindow::currentLayout() const
{
    const TranslationModel &translation = *m_model->translationModel();
    if (translation.sourceLanguage() == translation.targetLanguage())
        return Layout::SingleLanguage;
    if (translation.hasDownloadBeenPrompted() &&
        translation.languagePairValidationStatus() !=
            TranslationModel::LanguagePairValidationStatus::Valid)
        return Layout::Waiting;
    return Layout::Translation;
}

QString SubtitleOverlayWindow::placeholderText() const
{
    const std::optional<QString> name = m_selectedFromLanguage.value().languageName();
    return tr("Start speaking %1...").arg(name.value_or(tr("Unknown")));
}

void SubtitleOverlayWindow::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    if (!m_hasAppeared)
        appear();
}

void SubtitleOverlayWindow::appear()
{
    m_hasAppeared = true;
    AppState::shared().setOverlayWindowDisplayed(true);
    m_appliedFrom = m_selectedFromLanguage.value();
    m_appliedTo = m_selectedToLanguage.value();
    m_model->setSourceLanguage(m_appliedFrom);
    m_model->setTargetLanguage(m_appliedTo);
    m_model->startSubtitles();
    applyLiveCaptionFile();
    refresh();
}

void SubtitleOverlayWindow::setLanguageSettingsAction(std::function<void()> action)
{
    m_waitingPanel->setLanguageSettingsAction(std::move(action));
}

void SubtitleOverlayWindow::disappear()
{
    if (!m_hasAppeared || std::exchange(m_hasDisappeared, true))
        return;
    AppState::shared().setOverlayWindowDisplayed(false);
    m_model->listeningModel()->stopListening();
    // Nothing is shown any more: a reader of the file or of the bus should show nothing either.
    setDisplayed(QString(), QString());
}

void SubtitleOverlayWindow::settingsChanged()
{
    // Language changes reach the run only while it runs; the first display applies them itself.
    if (m_hasAppeared && !m_hasDisappeared) {
        const Language from = m_selectedFromLanguage.value();
        if (from != m_appliedFrom) {
            m_appliedFrom = from;
            m_model->setSourceLanguage(from);
        }
        const Language to = m_selectedToLanguage.value();
        if (to != m_appliedTo) {
            m_appliedTo = to;
            m_model->setTargetLanguage(to);
        }
        applyLiveCaptionFile();
    }
    refresh();
}

void SubtitleOverlayWindow::applyLiveCaptionFile()
{
    m_liveFile->setPath(m_writeLiveCaptionFile.value() ? m_liveCaptionFile.value() : QString());
}

void SubtitleOverlayWindow::translated(const std::optional<QString> &source,
                                       const std::optional<QString> &target)
{
    m_targetSource = source;
    m_targetText = target;
    refresh();
}

bool SubtitleOverlayWindow::showsSeveralLines() const
{
    return m_lineCount.value() > 1 && currentLayout() != Layout::Waiting;
}

QString SubtitleOverlayWindow::liveTranslation() const
{
    const QString &live = m_model->listeningModel()->liveText();
    if (!m_targetText || !m_targetSource || live.isEmpty())
        return QString();
    const qsizetype shared = std::min({sharedBeginning, live.size(), m_targetSource->size()});
    return live.first(shared) == m_targetSource->first(shared) ? *m_targetText : QString();
}

int SubtitleOverlayWindow::preferredHeight() const
{
    return showsSeveralLines() ? m_lines->preferredHeight() + 2 * padding : 0;
}

void SubtitleOverlayWindow::refresh()
{
    const Layout layout = currentLayout();
    m_translator->setScope(showsSeveralLines() ? DisplayTextTranslator::Scope::LiveText
                                               : DisplayTextTranslator::Scope::DisplayText);
    if (showsSeveralLines())
        styleSeveralLines(layout);
    else
        styleLines(layout);
    arrange(layout);
    updateDisplayed();
    if (const int height = preferredHeight(); height != m_preferredHeight) {
        m_preferredHeight = height;
        Q_EMIT preferredHeightChanged(height);
    }
}

void SubtitleOverlayWindow::updateDisplayed()
{
    if (!m_hasAppeared || m_hasDisappeared)
        return;
    const bool translating = currentLayout() == Layout::Translation;
    if (showsSeveralLines()) {
        setDisplayed(shown(m_model->listeningModel()->liveText(), m_appliedFrom),
                     translating ? shown(liveTranslation(), m_appliedTo) : QString());
        return;
    }
    setDisplayed(shown(m_model->listeningModel()->sourceText().value_or(QString()), m_appliedFrom),
                 translating ? shown(m_targetText.value_or(QString()), m_appliedTo) : QString());
}

QString SubtitleOverlayWindow::shown(const QString &text,
                                     const std::optional<Language> &language) const
{
    if (!m_maskProfanity.value() || text.isEmpty())
        return text;
    const QString code = language ? language->languageCode().value_or(QString()) : QString();
    auto found = m_profanityFilters.find(code);
    if (found == m_profanityFilters.end())
        found = m_profanityFilters.emplace(code, ProfanityFilter(language)).first;
    return found->second.mask(text);
}

void SubtitleOverlayWindow::setDisplayed(const QString &text, const QString &translation)
{
    // Most refreshes restyle the same text: a change of a colour, say, or of the translation model.
    if (text == m_displayedText && translation == m_displayedTranslation)
        return;
    m_displayedText = text;
    m_displayedTranslation = translation;
    m_liveFile->show(text, translation);
    Q_EMIT displayChanged(text, translation);
}

QFont SubtitleOverlayWindow::subtitleFont(double pointSize) const
{
    QFont font = QApplication::font();
    const QString family = m_selectedFont.value();
    if (family != u"System"_s)
        font.setFamily(family);
    font.setPointSizeF(pointSize);
    return font;
}

void SubtitleOverlayWindow::styleSeveralLines(Layout layout)
{
    m_translatedLine->hide();
    m_spokenLine->hide();
    m_waitingPanel->hide();
    m_lines->show();

    const bool translating = layout == Layout::Translation;
    const bool showsSpoken = !translating || m_showSpokenLanguage.value();
    const double fontSize = m_fontSize.value();
    QColor spokenColor = m_textColor.value();
    if (translating)
        spokenColor.setAlphaF(spokenColor.alphaF() * spokenLineOpacity);
    const SubtitleLinesView::TextStyle translation{translating, subtitleFont(fontSize),
                                                   m_translationColor.value()};
    const SubtitleLinesView::TextStyle spoken{
        showsSpoken, subtitleFont(translating ? fontSize * spokenLineScale : fontSize),
        spokenColor};
    SubtitleTextPainter painter;
    painter.outline = outlineOf(m_textOutline.value());
    if (m_subtitleBackground.value() == u"lineBoxes"_s)
        painter.lineBackground = QColor(0, 0, 0, int(std::lround(255 * m_lineBoxOpacity.value())));
    m_lines->setStyles(translation, spoken, painter);
    m_lines->setLineCount(m_lineCount.value());
    if (const bool masked = m_maskProfanity.value(); masked != m_linesMasked) {
        m_linesMasked = masked;
        m_lines->setTextFilter([this](const QString &text, bool isTranslation) {
            return shown(text, isTranslation ? m_appliedTo : m_appliedFrom);
        });
    }

    if (const Transcript *transcript = m_model->transcriptionModel()->currentTranscript())
        m_runCues = transcript->cues();
    const ListeningModel &listening = *m_model->listeningModel();
    const bool heardNothing = !listening.sourceText() && m_runCues.isEmpty();
    m_lines->setContent(m_runCues, heardNothing ? placeholderText() : listening.liveText(),
                        translating ? liveTranslation() : QString());
}

void SubtitleOverlayWindow::styleLines(Layout layout)
{
    m_lines->hide();
    const double fontSize = m_fontSize.value();
    const QColor color = m_textColor.value();
    const std::optional<QString> sourceText = m_model->listeningModel()->sourceText();
    const bool translating = layout == Layout::Translation;
    QColor lineBox = Qt::transparent;
    if (m_subtitleBackground.value() == u"lineBoxes"_s)
        lineBox = QColor(0, 0, 0, int(std::lround(255 * m_lineBoxOpacity.value())));
    for (SubtitleLabel *line : {m_translatedLine, m_spokenLine}) {
        line->setOutline(outlineOf(m_textOutline.value()));
        line->setLineBackground(lineBox);
    }

    m_translatedLine->setVisible(translating && m_targetText.has_value());
    m_translatedLine->setText(shown(m_targetText.value_or(QString()), m_appliedTo));
    m_translatedLine->setFont(subtitleFont(fontSize));
    m_translatedLine->setTextColor(m_translationColor.value());
    m_translatedLine->setMinimumScaleFactor(minimumScaleFactor);
    m_translatedLine->setAlignment(Qt::AlignLeading | Qt::AlignVCenter);

    m_waitingPanel->setVisible(layout == Layout::Waiting);
    m_spokenLine->setVisible(layout != Layout::Waiting);
    m_spokenLine->setAlignment(Qt::AlignHCenter | Qt::AlignVCenter);
    m_spokenLine->setShadowed(true);
    m_spokenLine->setTextColor(color);
    if (!sourceText) {
        m_spokenLine->setText(placeholderText());
        m_spokenLine->setFont(subtitleFont(fontSize));
        m_spokenLine->setMinimumScaleFactor(1.0);
    } else if (!translating) {
        m_spokenLine->setText(shown(*sourceText, m_appliedFrom));
        m_spokenLine->setFont(subtitleFont(fontSize));
        m_spokenLine->setMinimumScaleFactor(minimumScaleFactor);
    } else if (m_showSpokenLanguage.value()) {
        QColor dimmed = color;
        dimmed.setAlphaF(color.alphaF() * spokenLineOpacity);
        m_spokenLine->setText(shown(*sourceText, m_appliedFrom));
        m_spokenLine->setFont(subtitleFont(fontSize * spokenLineScale));
        m_spokenLine->setTextColor(dimmed);
        m_spokenLine->setMinimumScaleFactor(1.0);
    } else if (!m_targetText) {
        // Holds one line of height until the first translation comes.
        m_spokenLine->setText(u" "_s);
        m_spokenLine->setFont(QApplication::font());
        m_spokenLine->setShadowed(false);
    } else {
        m_spokenLine->hide();
    }
}

void SubtitleOverlayWindow::arrange(Layout layout)
{
    const QRect area = rect().adjusted(padding, padding, -padding, -padding);
    if (area.isEmpty())
        return;
    const auto place = [&](QWidget *widget, int top, int height) {
        widget->setGeometry(area.left(), top, area.width(), height);
    };
    if (m_lines->isVisibleTo(this)) {
        m_lines->setGeometry(area);
        return;
    }
    if (layout == Layout::Waiting) {
        const int height = std::min(area.height(), m_waitingPanel->heightForWidth(area.width()));
        place(m_waitingPanel, area.bottom() + 1 - height, height);
        return;
    }
    if (layout == Layout::SingleLanguage) {
        const int height = std::min(area.height(), m_spokenLine->heightForWidth(area.width()));
        place(m_spokenLine, area.bottom() + 1 - height, height);
        return;
    }
    // The translation takes its room first; the spoken line keeps at least one line of what is
    // left, and both sit in the vertical middle.
    const bool hasTranslation = m_translatedLine->isVisibleTo(this);
    const bool hasSpoken = m_spokenLine->isVisibleTo(this);
    const int available = area.height() - (hasTranslation && hasSpoken ? spacing : 0);
    const int spokenMinimum = hasSpoken ? m_spokenLine->minimumLineHeight() : 0;
    const int translatedHeight = hasTranslation
                                     ? std::clamp(m_translatedLine->heightForWidth(area.width()), 0,
                                                  std::max(0, available - spokenMinimum))
                                     : 0;
    const int spokenHeight = hasSpoken ? std::min(m_spokenLine->heightForWidth(area.width()),
                                                  available - translatedHeight)
                                       : 0;
    const int total = translatedHeight + spokenHeight + (area.height() - available);
    int top = area.top() + (area.height() - total) / 2;
    if (hasTranslation) {
        place(m_translatedLine, top, translatedHeight);
        top += translatedHeight + spacing;
    }
    if (hasSpoken)
        place(m_spokenLine, top, spokenHeight);
}

void SubtitleOverlayWindow::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    arrange(currentLayout());
}

void SubtitleOverlayWindow::watchErrors(ErrorReportingModel *model, const QString &title)
{
    connect(model, &ErrorReportingModel::shouldShowErrorChanged, this,
            [this, model, title] { showAlert(model, title); });
    connect(model, &ErrorReportingModel::errorMessageChanged, this,
            [this, model, title] { showAlert(model, title); });
}

void SubtitleOverlayWindow::showAlert(ErrorReportingModel *model, const QString &title)
{
    auto *alert = findChild<QMessageBox *>(title, Qt::FindDirectChildrenOnly);
    const bool shown = model->shouldShowError() && model->errorMessage();
    if (!shown) {
        if (alert)
            alert->hide();
        return;
    }
    if (!alert) {
        alert = makeAlert(QMessageBox::Warning, title);
        connect(alert, &QMessageBox::finished, model,
                [model] { model->setShouldShowError(false); });
    }
    alert->setText(*model->errorMessage());
    alert->show();
}

void SubtitleOverlayWindow::showInputNotice(const QString &message)
{
    const QString title = tr("Input Changed");
    auto *alert = findChild<QMessageBox *>(title, Qt::FindDirectChildrenOnly);
    if (!alert)
        alert = makeAlert(QMessageBox::Information, title);
    alert->setText(message);
    alert->show();
}

void SubtitleOverlayWindow::showProblem(std::optional<QString> &shown,
                                        const std::optional<QString> &problem)
{
    auto *frame = qobject_cast<SubtitleWindow *>(window());
    if (!frame)
        return;
    if (shown)
        frame->withdrawNotice(*shown);
    shown = problem;
    if (shown)
        frame->showNotice(*shown);
}

QMessageBox *SubtitleOverlayWindow::makeAlert(QMessageBox::Icon icon, const QString &title)
{
    auto *alert = new QMessageBox(icon, title, QString(), QMessageBox::NoButton, this);
    alert->setObjectName(title);
    alert->setWindowModality(Qt::NonModal);
    // Above the overlay, which stays above everything else.
    alert->setWindowFlag(Qt::WindowStaysOnTopHint);
    QPushButton *ok = alert->addButton(tr("OK"), QMessageBox::RejectRole);
    alert->setEscapeButton(ok);
    return alert;
}
