// SPDX-License-Identifier: GPL-3.0-or-later
#include "LanguageLabels.h"

#include <QHash>

QStringList LanguageLabels::of(const QList<Language> &languages)
{
    // Names are looked up once each: a menu of a hundred languages would otherwise ask the locale
    // data ten thousand times.
    QList<std::optional<QString>> names;
    QHash<QString, int> nameCounts;
    for (const Language &language : languages) {
        names.append(language.languageName());
        if (names.constLast())
            ++nameCounts[*names.constLast()];
    }
    QStringList labels;
    for (qsizetype i = 0; i < languages.size(); ++i) {
        const std::optional<QString> &name = names.at(i);
        if (!name)
            labels.append(tr("Unknown"));
        else if (nameCounts.value(*name) == 1)
            labels.append(*name);
        else
            labels.append(languages.at(i).displayName().value_or(tr("Unknown")));
    }
    return labels;
}
