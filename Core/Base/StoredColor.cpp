// SPDX-License-Identifier: GPL-3.0-or-later
#include "StoredColor.h"

#include <QDataStream>
#include <QIODevice>
#include <array>
#include <cmath>

namespace {

constexpr char tag[] = "VXC1";
constexpr int tagSize = sizeof(tag) - 1;
constexpr int recordSize = tagSize + 4 * int(sizeof(double));

// Base64 as RFC 4648 writes it and nothing else: Qt's decoder forgives missing padding, so the
// canonical form is checked by encoding the result again.
std::optional<QByteArray> strictBase64Decode(const QString &text)
{
    const QByteArray ascii = text.toLatin1();
    if (QString::fromLatin1(ascii) != text)
        return std::nullopt;
    auto decoded = QByteArray::fromBase64Encoding(ascii, QByteArray::AbortOnBase64DecodingErrors);
    if (!decoded || decoded.decoded.toBase64() != ascii)
        return std::nullopt;
    return *decoded;
}

} // namespace

QString StoredColor::rawValue(const QColor &color)
{
    const QColor rgb = color.toRgb();
    QByteArray record;
    QDataStream stream(&record, QIODevice::WriteOnly);
    stream.setByteOrder(QDataStream::BigEndian);
    stream.writeRawData(tag, tagSize);
    stream << double(rgb.redF()) << double(rgb.greenF()) << double(rgb.blueF())
           << double(rgb.alphaF());
    return QString::fromLatin1(record.toBase64());
}

std::optional<QColor> StoredColor::fromRawValue(const QString &rawValue)
{
    const std::optional<QByteArray> record = strictBase64Decode(rawValue);
    if (!record || record->size() != recordSize || !record->startsWith(tag))
        return std::nullopt;
    QDataStream stream(*record);
    stream.setByteOrder(QDataStream::BigEndian);
    stream.skipRawData(tagSize);
    std::array<double, 4> components{};
    for (double &component : components) {
        stream >> component;
        if (!std::isfinite(component) || component < 0.0 || component > 1.0)
            return std::nullopt;
    }
    return QColor::fromRgbF(float(components[0]), float(components[1]), float(components[2]),
                            float(components[3]));
}
