// SPDX-License-Identifier: GPL-3.0-or-later
#include "PocketSphinxSpeechService.h"

#include "Language.h"
#include "Logging.h"
#include "PocketSphinxDecoder.h"
#include "PocketSphinxModel.h"
#include "PocketSphinxRecognizer.h"

using namespace Qt::Literals::StringLiterals;

void PocketSphinxSpeechService::requestAuthorization(
    std::function<void(AuthorizationStatus)> handler)
{
    handler(AuthorizationStatus::Authorized);
}

std::shared_ptr<SpeechRecognizer> PocketSphinxSpeechService::recognizer(const Locale &locale)
{
    const QString languageCode = locale.language().languageCode().value_or(QString()).toLower();
    if (languageCode.isEmpty())
        return nullptr;
    auto known = m_decoders.find(languageCode);
    if (known == m_decoders.end())
        known = m_decoders.emplace(languageCode, decoderFor(languageCode)).first;
    if (!known->second)
        return nullptr;
    return std::make_shared<PocketSphinxRecognizer>(known->second);
}

std::shared_ptr<PocketSphinxDecoder>
PocketSphinxSpeechService::decoderFor(const QString &languageCode) const
{
    const std::optional<PocketSphinxModel> model = PocketSphinxModel::forLanguage(languageCode);
    if (!model)
        return nullptr;
    std::shared_ptr<PocketSphinxDecoder> decoder = PocketSphinxDecoder::forModel(*model);
    if (!decoder) {
        VOXLUME_BREADCRUMB(
            u"The speech model in %1 is incomplete or damaged"_s.arg(model->folder()),
            u"decoderFor()"_s);
    }
    return decoder;
}
