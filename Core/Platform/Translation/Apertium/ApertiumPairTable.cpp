// SPDX-License-Identifier: GPL-3.0-or-later
#include "ApertiumPairTable.h"

#include <QFile>
#include <QHash>
#include <QSet>

#include <unicode/locid.h>

#include <algorithm>

using namespace Qt::Literals::StringLiterals;

namespace {

// A BCP-47 tag of the table: its language code, and its region when its only other subtag is one.
struct Tag
{
    QString language;
    QString region;
    bool hasOtherVariant = false;
};

Tag parseTag(const QString &tag)
{
    const qsizetype dash = tag.indexOf(u'-');
    if (dash < 0)
        return {tag.toLower(), {}, false};
    const QString rest = tag.mid(dash + 1);
    const bool isRegion = rest.size() == 2 && rest.at(0).isUpper() && rest.at(1).isUpper();
    return {tag.left(dash).toLower(), isRegion ? rest : QString(), !isRegion};
}

// How well a tag serves a language: 2 for its region's variant, 1 for the plain language.
int fit(const QString &tag, const Language &language)
{
    const Tag parsed = parseTag(tag);
    if (parsed.hasOtherVariant ||
        parsed.language != language.languageCode().value_or(QString()).toLower())
        return 0;
    if (parsed.region.isEmpty())
        return 1;
    return parsed.region.compare(language.region().value_or(QString()), Qt::CaseInsensitive) == 0
               ? 2
               : 0;
}

QString likelyRegion(const QString &languageCode)
{
    UErrorCode status = U_ZERO_ERROR;
    icu::Locale locale(languageCode.toLatin1().constData());
    locale.addLikelySubtags(status);
    return U_SUCCESS(status) ? QString::fromLatin1(locale.getCountry()) : QString();
}

QByteArray resource(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

} // namespace

const ApertiumPairTable &ApertiumPairTable::debian()
{
    static const ApertiumPairTable table =
        fromTables(resource(u":/VoxlumeCore/apertium/apertium-modes-bcp47.tsv"_s),
                   resource(u":/VoxlumeCore/apertium/apertium-pair-packages.tsv"_s));
    return table;
}

ApertiumPairTable ApertiumPairTable::fromTables(const QByteArray &modes, const QByteArray &packages)
{
    QHash<QString, QString> packageOfMode;
    const QList<QByteArray> packageLines = packages.split('\n');
    for (qsizetype i = 1; i < packageLines.size(); ++i) {
        const QList<QByteArray> fields = packageLines.at(i).trimmed().split('\t');
        if (fields.size() < 3)
            continue;
        for (const QByteArray &mode : fields.at(2).split(' '))
            packageOfMode.insert(QString::fromUtf8(mode), QString::fromUtf8(fields.at(0)));
    }
    ApertiumPairTable table;
    for (const QByteArray &line : modes.split('\n')) {
        const QList<QByteArray> fields = line.trimmed().split('\t');
        if (fields.size() < 3)
            continue;
        const QString mode = QString::fromUtf8(fields.at(0));
        if (!packageOfMode.contains(mode))
            continue;
        table.m_directions << Direction{mode, packageOfMode.value(mode),
                                        QString::fromUtf8(fields.at(1)),
                                        QString::fromUtf8(fields.at(2))};
    }
    return table;
}

std::optional<ApertiumPairTable::Direction>
ApertiumPairTable::direction(const Language &source, const Language &target) const
{
    std::optional<Direction> best;
    int bestFit = 0;
    for (const Direction &direction : m_directions) {
        const int sourceFit = fit(direction.source, source);
        const int targetFit = fit(direction.target, target);
        if (sourceFit == 0 || targetFit == 0 || sourceFit + targetFit <= bestFit)
            continue;
        best = direction;
        bestFit = sourceFit + targetFit;
    }
    return best;
}

QList<Language> ApertiumPairTable::languages() const
{
    static const QHash<QString, QString> europeanStandard = {{u"en"_s, u"GB"_s},
                                                             {u"pt"_s, u"PT"_s}};
    QSet<QString> rawValues;
    QList<Language> languages;
    const auto add = [&](const QString &code, const QString &region) {
        const Language language(code, {}, region);
        if (!rawValues.contains(language.rawValue())) {
            rawValues.insert(language.rawValue());
            languages << language;
        }
    };
    for (const Direction &direction : m_directions) {
        for (const QString &tag : {direction.source, direction.target}) {
            const Tag parsed = parseTag(tag);
            add(parsed.language, likelyRegion(parsed.language));
            if (!parsed.region.isEmpty())
                add(parsed.language, parsed.region);
            if (europeanStandard.contains(parsed.language))
                add(parsed.language, europeanStandard.value(parsed.language));
        }
    }
    std::sort(languages.begin(), languages.end(),
              [](const Language &a, const Language &b) { return a.rawValue() < b.rawValue(); });
    return languages;
}
