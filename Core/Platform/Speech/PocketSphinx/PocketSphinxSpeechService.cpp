// SPDX-License-Identifier: GPL-3.0-or-later
#include "PocketSphinxSpeechService.h"

#include "Base/Language.h"
#include "Base/Logging.h"
#include "Base/MainThreadRelay.h"
#include "PocketSphinxDecoder.h"
#include "PocketSphinxModel.h"
#include "PocketSphinxRecognizer.h"

#include <QPromise>

using namespace Qt::Literals::StringLiterals;

void PocketSphinxSpeechService::requestAuthorization(
    std::function<void(AuthorizationStatus)> handler)
{
    handler(AuthorizationStatus::Authorized);
}

QFuture<void> PocketSphinxSpeechService::prepareRecognizer(const Locale &locale)
{
    const QString languageCode = languageCodeOf(locale);
    if (languageCode.isEmpty() || m_unusable.contains(languageCode))
        return QtFuture::makeReadyFuture();
    const std::optional<PocketSphinxModel> model = PocketSphinxModel::forLanguage(languageCode);
    if (!model || PocketSphinxDecoder::isChecked(*model))
        return QtFuture::makeReadyFuture();
    // Held by the hand-over alone: the service may go first, and the check still ends.
    const auto checked = std::make_shared<QPromise<void>>();
    checked->start();
    MainThreadRelay::instance().runInBackground(
        [model = *model] { return PocketSphinxDecoder::check(model); },
        [checked](bool) { checked->finish(); });
    return checked->future();
}

std::shared_ptr<SpeechRecognizer> PocketSphinxSpeechService::recognizer(const Locale &locale)
{
    const QString languageCode = languageCodeOf(locale);
    if (languageCode.isEmpty() || m_unusable.contains(languageCode))
        return nullptr;
    std::shared_ptr<PocketSphinxDecoder> decoder = m_decoders[languageCode].lock();
    if (!decoder)
        decoder = decoderFor(languageCode);
    if (!decoder) {
        m_unusable.insert(languageCode);
        return nullptr;
    }
    m_decoders[languageCode] = decoder;
    return std::make_shared<PocketSphinxRecognizer>(decoder);
}

QString PocketSphinxSpeechService::languageCodeOf(const Locale &locale)
{
    return Language::fromLocale(locale).languageCode().value_or(QString()).toLower();
}

std::shared_ptr<PocketSphinxDecoder>
PocketSphinxSpeechService::decoderFor(const QString &languageCode) const
{
    const std::optional<PocketSphinxModel> model = PocketSphinxModel::forLanguage(languageCode);
    if (!model)
        return nullptr;
    std::shared_ptr<PocketSphinxDecoder> decoder = PocketSphinxDecoder::forModel(*model);
    if (!decoder) {
        Logging::shared().breadcrumb(
            u"The speech model in %1 is incomplete or damaged"_s.arg(model->folder()));
    }
    return decoder;
}
