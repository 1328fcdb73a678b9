// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "Base/Language.h"
#include "Models/ProfanityFilter.h"
#include "Platform/Settings/SettingsKeys.h"
#include "Platform/Store/CaptionCue.h"

#include <QMessageBox>
#include <QWidget>
#include <functional>
#include <map>
#include <memory>
#include <optional>

class DisplayTextTranslator;
class ErrorReportingModel;
class LiveCaptionFile;
class SubtitleLabel;
class SubtitleLinesView;
class SubtitleOverlayWindowModel;
class WaitingPanel;

/// The content of the floating subtitle window: the live spoken text, or the spoken text and its
/// translation, in the user's font, size and colour; and the run behind them.
///
/// With one line (the setting subtitleLines), the display text shrinks to fit the window. With
/// more, the run's finished cues stay above the text being spoken (SubtitleLinesView), and the
/// window asks for the height that shows them.
///
/// Showing it for the first time starts a run with the stored languages; disappear() (the window
/// closing) ends it. A change of either stored language is handed to the run at once, and every
/// change of the subtitle style is drawn at once. Errors of the run, and a change of the input
/// listened to, are shown in alerts that do not block, so the subtitles go on behind them. While
/// the setting writeLiveCaptionFile is on, what the window shows is also kept in a file for other
/// programs to read. Main thread.
class SubtitleOverlayWindow : public QWidget
{
    Q_OBJECT

public:
    /// Which of the three arrangements is shown.
    enum class Layout {
        /// No translation: the spoken text alone, at the bottom.
        SingleLanguage,
        /// The pair is being installed: a busy indicator and where to follow it.
        Waiting,
        /// The translation above the smaller spoken text, in the middle.
        Translation,
    };
    Q_ENUM(Layout)

    /// A view over \a model's run.
    explicit SubtitleOverlayWindow(std::unique_ptr<SubtitleOverlayWindowModel> model,
                                   QWidget *parent = nullptr);
    ~SubtitleOverlayWindow() override;

    SubtitleOverlayWindowModel &model() const { return *m_model; }
    /// The latest translation of the display text; none before the first, or when it failed.
    std::optional<QString> targetText() const { return m_targetText; }
    Layout currentLayout() const;
    /// "Start speaking English...": what the spoken line says before the first word.
    QString placeholderText() const;
    /// The run's display text while the window shows it; empty before the first word and once the
    /// run has ended. Shown in the spoken line, unless the user hides it beside a translation.
    /// With several lines, it is the live text, which the window shows under the finished cues.
    QString displayedText() const { return m_displayedText; }
    /// The translation shown of the display text; empty when the run does not translate or none
    /// has come yet.
    QString displayedTranslation() const { return m_displayedTranslation; }

    /// What the waiting panel's "Open Language Settings" does; without one it is not offered.
    void setLanguageSettingsAction(std::function<void()> action);

    /// The window is going away: the run stops, and the last text is merged and stored. Only the
    /// first call counts; the destructor makes it when the window did not.
    void disappear();

    /// The subtitle lines, as shown; for tests.
    const SubtitleLabel &translatedLine() const { return *m_translatedLine; }
    const SubtitleLabel &spokenLine() const { return *m_spokenLine; }
    const SubtitleLinesView &lines() const { return *m_lines; }
    SubtitleLinesView &lines() { return *m_lines; }

    /// The height the content needs for the lines the settings ask for; 0 with one line, which
    /// fits any height.
    int preferredHeight() const;

Q_SIGNALS:
    /// What the window shows has changed: \a text is displayedText() and \a translation
    /// displayedTranslation(). Once for each change, the end of the run included.
    void displayChanged(const QString &text, const QString &translation);
    /// The run has finished \a cue, masked as the window shows its text.
    void cueFinished(const CaptionCue &cue);
    /// preferredHeight() has changed.
    void preferredHeightChanged(int height);

protected:
    void showEvent(QShowEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;

private:
    void appear();
    void settingsChanged();
    void refresh();
    void styleLines(Layout layout);
    void arrange(Layout layout);
    QFont subtitleFont(double pointSize) const;
    void translated(const std::optional<QString> &source, const std::optional<QString> &target);
    /// Whether the run's lines are shown in SubtitleLinesView.
    bool showsSeveralLines() const;
    void styleSeveralLines(Layout layout);
    /// The translation of the live text, while the live text still begins as the translated one
    /// did; empty once it has gone into a cue.
    QString liveTranslation() const;
    void watchErrors(ErrorReportingModel *model, const QString &title);
    void showAlert(ErrorReportingModel *model, const QString &title);
    /// Says that listening goes on from another input, whether or not errors are shown: it is no
    /// error, and the user should know what is heard.
    void showInputNotice(const QString &message);
    /// Says \a problem over the subtitles in place of \a shown, what the same source said before,
    /// or takes that back when there is none: what keeps the run's text from the store or from the
    /// live caption file. No alert that would block: the subtitles go on.
    void showProblem(std::optional<QString> &shown, const std::optional<QString> &problem);
    void updateDisplayed();
    void setDisplayed(const QString &text, const QString &translation);
    /// Writes the live caption file where the settings say, or nowhere.
    void applyLiveCaptionFile();
    /// A new alert that does not block the subtitles, found again by \a title.
    QMessageBox *makeAlert(QMessageBox::Icon icon, const QString &title);

    std::unique_ptr<SubtitleOverlayWindowModel> m_model;
    // After the model, so it goes first: translations under way end before the run they read.
    std::unique_ptr<DisplayTextTranslator> m_translator;
    const Setting<Language> m_selectedFromLanguage{SettingsKeys::selectedFromLanguage};
    const Setting<Language> m_selectedToLanguage{SettingsKeys::selectedToLanguage};
    const Setting<double> m_fontSize{SettingsKeys::translationFontSize};
    const Setting<bool> m_showSpokenLanguage{SettingsKeys::showSpokenLanguage};
    const Setting<QColor> m_textColor{SettingsKeys::textColor};
    const Setting<QString> m_selectedFont{SettingsKeys::selectedFont};
    const Setting<QColor> m_translationColor{SettingsKeys::translationColor};
    const Setting<QString> m_textOutline{SettingsKeys::textOutline};
    const Setting<QString> m_subtitleBackground{SettingsKeys::subtitleBackground};
    const Setting<double> m_lineBoxOpacity{SettingsKeys::lineBoxOpacity};
    const Setting<bool> m_maskProfanity{SettingsKeys::maskProfanity};
    const Setting<int> m_lineCount{SettingsKeys::subtitleLines};
    /// \a text as the window shows it: with profanity masked, when asked, in \a language.
    QString shown(const QString &text, const std::optional<Language> &language) const;
    // Made once per language, as their lists are read and compiled.
    mutable std::map<QString, ProfanityFilter> m_profanityFilters;
    const Setting<bool> m_writeLiveCaptionFile{SettingsKeys::writeLiveCaptionFile};
    const Setting<QString> m_liveCaptionFile{SettingsKeys::liveCaptionFile};
    std::unique_ptr<LiveCaptionFile> m_liveFile;

    std::optional<QString> m_targetText;
    // What m_targetText translates.
    std::optional<QString> m_targetSource;
    // The run's finished cues, kept after the run ends, so that its lines stay shown.
    QList<CaptionCue> m_runCues;
    int m_preferredHeight = 0;
    // Whether the lines were last given a filter that masks; none before the first.
    std::optional<bool> m_linesMasked;
    // The languages last handed to the run, to tell a change from a write of another setting.
    std::optional<Language> m_appliedFrom;
    std::optional<Language> m_appliedTo;
    QString m_displayedText;
    QString m_displayedTranslation;
    // The problems last shown, to take back from the window once they are over.
    std::optional<QString> m_shownSaveProblem;
    std::optional<QString> m_shownLiveFileProblem;
    bool m_hasAppeared = false;
    bool m_hasDisappeared = false;

    SubtitleLabel *m_translatedLine;
    SubtitleLabel *m_spokenLine;
    SubtitleLinesView *m_lines;
    WaitingPanel *m_waitingPanel;
};
