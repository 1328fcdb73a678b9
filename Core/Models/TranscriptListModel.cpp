// SPDX-License-Identifier: GPL-3.0-or-later
#include "TranscriptListModel.h"

#include "Base/Locale.h"
#include "Platform/Store/TranscriptQuery.h"

using namespace Qt::Literals::StringLiterals;

TranscriptListModel::TranscriptListModel(const TranscriptQuery &query, QObject *parent)
    : QAbstractListModel(parent)
    , m_query(query)
    , m_rows(query.transcripts())
    // The C locale counts as en_US here too, rather than giving dates in its own plain format.
    , m_locale(Locale::current().identifier())
{
    connect(&query, &TranscriptQuery::transcriptsChanged, this, &TranscriptListModel::follow);
}

int TranscriptListModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : int(m_rows.size());
}

QVariant TranscriptListModel::data(const QModelIndex &index, int role) const
{
    if (!checkIndex(index, CheckIndexOption::IndexIsValid | CheckIndexOption::ParentIsInvalid))
        return {};
    const Transcript::Summary &summary = m_rows.at(index.row());
    switch (role) {
    case Qt::DisplayRole:
        return m_locale.toString(summary.timestamp.toLocalTime(), QLocale::ShortFormat);
    case Qt::AccessibleTextRole:
        if (const std::optional<QString> line = languageLine(summary))
            return data(index).toString() + u", "_s + *line;
        return data(index);
    case IdRole:
        return summary.id;
    case LanguagesRole:
        if (const std::optional<QString> line = languageLine(summary))
            return *line;
        return {};
    default:
        return {};
    }
}

int TranscriptListModel::row(const QUuid &id) const
{
    for (qsizetype row = 0; row < m_rows.size(); ++row) {
        if (m_rows.at(row).id == id)
            return int(row);
    }
    return -1;
}

void TranscriptListModel::follow()
{
    // The rows both lists start and end with stay; the ones between are replaced.
    const QList<Transcript::Summary> rows = m_query.transcripts();
    const qsizetype common = std::min(rows.size(), m_rows.size());
    qsizetype head = 0;
    while (head < common && rows.at(head) == m_rows.at(head))
        ++head;
    qsizetype tail = 0;
    while (tail < common - head &&
           rows.at(rows.size() - 1 - tail) == m_rows.at(m_rows.size() - 1 - tail))
        ++tail;
    if (const qsizetype removed = m_rows.size() - head - tail; removed > 0) {
        beginRemoveRows({}, int(head), int(head + removed - 1));
        m_rows.remove(head, removed);
        endRemoveRows();
    }
    if (const qsizetype inserted = rows.size() - head - tail; inserted > 0) {
        beginInsertRows({}, int(head), int(head + inserted - 1));
        m_rows = rows;
        endInsertRows();
    }
}

std::optional<QString> TranscriptListModel::languageLine(const Transcript::Summary &summary) const
{
    const std::optional<Language> source = Language::fromRawValue(summary.sourceLanguageString);
    const std::optional<Language> target = Language::fromRawValue(summary.targetLanguageString);
    if (!source || !target)
        return std::nullopt;
    return nameOf(*source) + u" → "_s + nameOf(*target);
}

QString TranscriptListModel::nameOf(const Language &language) const
{
    const QString key = language.rawValue();
    auto known = m_names.constFind(key);
    if (known == m_names.cend())
        known = m_names.insert(key, language.languageName().value_or(tr("Unknown")));
    return *known;
}
