// SPDX-License-Identifier: GPL-3.0-or-later
#include "DisplayTextTranslator.h"

#include "Platform/Translation/ObservedTranslationSession.h"
#include "Platform/Translation/TranslationTaskHook.h"
#include "SubtitleOverlayWindowModel.h"

#include <QPointer>

DisplayTextTranslator::DisplayTextTranslator(SubtitleOverlayWindowModel &overlay, QObject *parent)
    : QObject(parent)
    , m_overlay(overlay)
{
    TranslationModel *model = overlay.translationModel();
    m_hook = std::make_unique<TranslationTaskHook>(
        model->service(), [this](std::shared_ptr<TranslationSession> session) {
            return translateDisplayText(std::move(session));
        });
    connect(model, &TranslationModel::translationConfigurationChanged, this,
            [this, model] { m_hook->setConfiguration(model->translationConfiguration()); });
    m_hook->setConfiguration(model->translationConfiguration());
}

DisplayTextTranslator::~DisplayTextTranslator() = default;

QCoro::Task<>
DisplayTextTranslator::translateDisplayText(std::shared_ptr<TranslationSession> session)
{
    // The translator may go while the translation is under way; the session's cancellation ends
    // the translation, and this guard keeps the end from touching what is gone.
    const QPointer<DisplayTextTranslator> self(this);
    // Watched, because the translation model keeps a failed preparation to itself.
    session = std::make_shared<ObservedTranslationSession>(
        std::move(session), [self](const Error &error) {
            if (self)
                Q_EMIT self->preparationFailed(error);
        });
    const ListeningModel &listening = *m_overlay.listeningModel();
    std::optional<QString> source = listening.sourceText();
    if (m_scope == Scope::LiveText)
        source =
            listening.liveText().isEmpty() ? std::nullopt : std::optional(listening.liveText());
    const std::optional<QString> target =
        co_await m_overlay.translationModel()->translate(source, std::move(session));
    if (self)
        Q_EMIT self->translated(source, target);
}
