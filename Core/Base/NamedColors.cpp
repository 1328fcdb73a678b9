// SPDX-License-Identifier: GPL-3.0-or-later
#include "NamedColors.h"

#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>

using namespace Qt::Literals::StringLiterals;

std::optional<QColor> NamedColors::color(const QString &name)
{
    QFile file(u":/VoxlumeCore/NamedColors.json"_s);
    if (!file.open(QIODevice::ReadOnly))
        return std::nullopt;
    const QJsonObject entry =
        QJsonDocument::fromJson(file.readAll()).object().value(name).toObject();
    if (entry.isEmpty())
        return std::nullopt;
    return QColor::fromRgbF(
        float(entry.value(u"red"_s).toDouble()), float(entry.value(u"green"_s).toDouble()),
        float(entry.value(u"blue"_s).toDouble()), float(entry.value(u"opacity"_s).toDouble(1.0)));
}
