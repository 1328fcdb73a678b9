// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "Platform/Speech/SpeechService.h"

#include <QString>
#include <map>
#include <memory>
#include <set>

class PocketSphinxDecoder;

/// Speech recognition with pocketsphinx, for every language that a model on this computer serves
/// (see PocketSphinxModel for where models are found).
///
/// A language's model is checked once per process, in a child process, which takes about one load:
/// prepareRecognizer() has it done on a worker thread, while the first recognizer() asked for a
/// language without it blocks for it. The decoder then loads on its own worker thread; the answer,
/// a decoder or none, is kept for the service's life, so later calls return at once. The service,
/// its recognisers and their tasks keep the decoder alive; when the last of them goes, the worker
/// ends and is joined on a thread of Qt's global pool. Main thread.
class PocketSphinxSpeechService : public SpeechService
{
public:
    /// Linux asks no permission to recognise speech: \a handler hears Authorized at once.
    void requestAuthorization(std::function<void(AuthorizationStatus)> handler) override;

    /// Checks the model of \a locale's language on a worker thread, unless it has been checked.
    QFuture<void> prepareRecognizer(const Locale &locale) override;

    /// A recogniser for \a locale's language, or none when no model serves it or the model is
    /// damaged.
    std::shared_ptr<SpeechRecognizer> recognizer(const Locale &locale) override;

private:
    static QString languageCodeOf(const Locale &locale);
    std::shared_ptr<PocketSphinxDecoder> decoderFor(const QString &languageCode) const;

    // By language code, while a recogniser uses it: the program's one service must not keep a
    // model's tens of megabytes once its run has ended.
    std::map<QString, std::weak_ptr<PocketSphinxDecoder>> m_decoders;
    // Languages without a usable model, which are not looked for again.
    std::set<QString> m_unusable;
};
