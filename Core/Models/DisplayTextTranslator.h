// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "Platform/Translation/TranslationSession.h"

#include <QObject>
#include <memory>
#include <optional>

class SubtitleOverlayWindowModel;
class TranslationTaskHook;

/// The translation hook of a subtitle overlay: each time the overlay's translation model asks for
/// a run, translates the current display text with the fresh session and hands on the result.
///
/// Every host of an overlay (the subtitle window, the command-line tool, tests) joins the
/// translation model to its view through this one class. Main thread.
class DisplayTextTranslator : public QObject
{
    Q_OBJECT

public:
    /// Follows \a overlay's translation configuration for as long as both live.
    explicit DisplayTextTranslator(SubtitleOverlayWindowModel &overlay, QObject *parent = nullptr);
    ~DisplayTextTranslator() override;

    /// Which of the run's texts is translated.
    enum class Scope {
        /// The display text, which one line shows.
        DisplayText,
        /// The live text alone, for a view that shows the finished cues, translated, above it.
        LiveText,
    };
    /// Applies from the next translation on.
    void setScope(Scope scope) { m_scope = scope; }

Q_SIGNALS:
    /// A run has ended: \a target is the translation of \a source, or none (nothing to
    /// translate, the pair not ready yet, a failure, or a cancelled run).
    void translated(const std::optional<QString> &source, const std::optional<QString> &target);
    /// The pair could not be made ready (refused, or nothing to install it with); the translation
    /// model does not try again, so no translation will come.
    void preparationFailed(const Error &error);

private:
    QCoro::Task<> translateDisplayText(std::shared_ptr<TranslationSession> session);

    SubtitleOverlayWindowModel &m_overlay;
    std::unique_ptr<TranslationTaskHook> m_hook;
    Scope m_scope = Scope::DisplayText;
};
