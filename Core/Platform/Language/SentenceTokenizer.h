// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "Base/Language.h"

#include <QStringList>

/// Splits a text into its sentences, by the sentence boundaries of the text's language.
///
/// Built on ICU's sentence boundaries, which know every language ICU knows. Any thread.
class SentenceTokenizer
{
public:
    explicit SentenceTokenizer(Language language);

    /// The sentences of \a text in order, without the white space around them; white space
    /// alone is no sentence.
    QStringList sentences(const QString &text) const;

private:
    Language m_language;
};
