// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>
#include <optional>

struct ps_decoder_s;

/// A pocketsphinx model for one language on disk: an acoustic model, a language model and a
/// pronunciation dictionary.
///
/// The user adds models in $XDG_DATA_HOME/voxlume/models/<language code>/ ("de", "fr": lower
/// case, no region), each laid out as
///
///     acoustic-model/          the acoustic model folder (mdef, means, variances, feat.params, …)
///     language-model.lm.bin    the language model, binary; or language-model.lm, in ARPA text
///     dictionary.dict          the pronunciation dictionary
///
/// A folder there takes precedence over the English model of Debian's pocketsphinx-en-us, which
/// serves every "en" locale.
class PocketSphinxModel
{
public:
    /// The model for \a languageCode, or none when there is no folder for it. Whether its files are
    /// all there and sound is for isSound() to tell.
    static std::optional<PocketSphinxModel> forLanguage(const QString &languageCode);

    /// The folder of the user's models, one subfolder per language code.
    static QString userModelsFolder();

    /// Where the model lies; two models are the same model when their folders are the same.
    QString folder() const { return m_folder; }

    /// Whether the model is complete, loads and decodes. Tried in a child process, because
    /// pocketsphinx ends the process on some damaged files and may crash on others. Blocks for
    /// about as long as a load, 30 seconds at most.
    bool isSound() const;

    /// A new decoder with this model, or nullptr when pocketsphinx refuses it. Since a damaged
    /// model can end the process in here, load only a model that isSound(). Any thread.
    ps_decoder_s *load() const;

private:
    PocketSphinxModel(QString folder, QString acousticModel, QString languageModel,
                      QString dictionary);

    bool isComplete() const;

    QString m_folder;
    QString m_acousticModel;
    QString m_languageModel;
    QString m_dictionary;
};
