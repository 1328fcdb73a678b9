// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "Language.h"

#include <QCoreApplication>
#include <QList>
#include <QStringList>

/// How languages are named in a list the user chooses from: by name, with the region only where
/// two languages of the list share a name. Main thread.
class LanguageLabels
{
    Q_DECLARE_TR_FUNCTIONS(LanguageLabels)

public:
    LanguageLabels() = delete;

    /// The label of each of \a languages, in the same order; "Unknown" for one without a name.
    static QStringList of(const QList<Language> &languages);
};
