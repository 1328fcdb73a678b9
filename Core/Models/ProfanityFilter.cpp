// SPDX-License-Identifier: GPL-3.0-or-later
#include "ProfanityFilter.h"

#include <QFile>

using namespace Qt::Literals::StringLiterals;

ProfanityFilter::ProfanityFilter(const std::optional<Language> &language)
{
    if (language)
        load(u":/VoxlumeCore/profanity/"_s + language->languageCode().value_or(QString()) +
             u".txt"_s);
}

ProfanityFilter ProfanityFilter::fromFile(const QString &path)
{
    ProfanityFilter filter;
    filter.load(path);
    return filter;
}

void ProfanityFilter::load(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return;
    QStringList alternatives;
    for (const QByteArray &bytes : file.readAll().split('\n')) {
        const QString line = QString::fromUtf8(bytes).trimmed();
        if (line.isEmpty() || line.startsWith(u'#'))
            continue;
        const bool prefix = line.endsWith(u'*');
        const QString word = QRegularExpression::escape(prefix ? line.chopped(1) : line);
        alternatives << (prefix ? word + u"\\w*"_s : word);
    }
    if (alternatives.isEmpty())
        return;
    // Whole words only: "class" and "Scunthorpe" stay as they are.
    m_words = QRegularExpression(u"(?<!\\w)(?:"_s + alternatives.join(u'|') + u")(?!\\w)"_s,
                                 QRegularExpression::CaseInsensitiveOption |
                                     QRegularExpression::UseUnicodePropertiesOption);
}

QString ProfanityFilter::mask(const QString &text) const
{
    if (isEmpty())
        return text;
    QString masked = text;
    QRegularExpressionMatchIterator matches = m_words.globalMatch(text);
    while (matches.hasNext()) {
        const QRegularExpressionMatch match = matches.next();
        for (qsizetype i = match.capturedStart() + 1; i < match.capturedEnd(); ++i)
            masked[i] = u'*';
    }
    return masked;
}
