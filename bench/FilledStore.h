// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "Platform/Store/ModelContainer.h"
#include "Platform/Store/ModelContext.h"
#include "Platform/Store/Transcript.h"
#include "Prose.h"

#include <cstdio>
#include <cstdlib>

// Stores of many runs for the benchmarks; each ends the process, saying why, when the store fails.

/// The store at \a path, opened with \a check.
inline std::unique_ptr<ModelContainer>
openStoreOrExit(const QString &path, ModelContainer::Check check = ModelContainer::Check::Now)
{
    std::variant<std::unique_ptr<ModelContainer>, Error> opened = ModelContainer::open(path, check);
    if (const Error *error = std::get_if<Error>(&opened)) {
        std::fprintf(stderr, "%s\n", qUtf8Printable(error->description()));
        std::exit(1);
    }
    return std::get<std::unique_ptr<ModelContainer>>(std::move(opened));
}

inline void saveOrExit(ModelContext &context)
{
    if (const std::optional<Error> error = context.save()) {
        std::fprintf(stderr, "%s\n", qUtf8Printable(error->description()));
        std::exit(1);
    }
}

/// A run of English into Spanish with \a text, at \a timestamp.
inline Transcript *benchRun(const QString &text, const QDateTime &timestamp)
{
    using namespace Qt::Literals::StringLiterals;
    return new Transcript(Language(u"en"_s, {}, u"US"_s), Language(u"es"_s, {}, u"ES"_s), text,
                          std::nullopt, timestamp);
}

/// Stores \a count runs of \a textLength characters a minute apart, ending now, in saves of 500.
inline void fillStore(const QString &path, int count, qsizetype textLength)
{
    // Distinct texts to draw from: enough that no two neighbours read alike.
    constexpr int textPool = 64;
    constexpr int recordsPerSave = 500;
    const std::unique_ptr<ModelContainer> store = openStoreOrExit(path);
    QRandomGenerator random(2024);
    QStringList texts;
    for (int i = 0; i < textPool; ++i)
        texts << prose(textLength, random);
    const QDateTime now = QDateTime::currentDateTimeUtc();
    for (int first = 0; first < count; first += recordsPerSave) {
        ModelContext context(*store);
        for (int i = first; i < std::min(count, first + recordsPerSave); ++i)
            context.insert(
                benchRun(texts.at(random.bounded(textPool)), now.addSecs(60 * (i - count))));
        saveOrExit(context);
    }
}
