// SPDX-License-Identifier: GPL-3.0-or-later
#include "ApertiumStreamFormat.h"

using namespace Qt::Literals::StringLiterals;

namespace {

const QString reserved = u"^$[]{}/<>@\\"_s;
const QByteArray closing = ".[]"_ba;
const QByteArray markerStart = "[nonce-"_ba;

bool becomesSpace(QChar character)
{
    return character.isNull() || (character.isSpace() && character != u' ');
}

// Escape, bell and the like mean nothing in a subtitle; they would only leave a gap.
bool isDropped(QChar character)
{
    return character.category() == QChar::Other_Control;
}

} // namespace

QByteArray ApertiumStreamFormat::encodeRequest(const QString &text, quint64 nonce)
{
    return escape(text).toUtf8() + closing + '\0' + marker(nonce) + '\0';
}

QByteArray ApertiumStreamFormat::marker(quint64 nonce)
{
    return markerStart + QByteArray::number(nonce) + ']';
}

std::optional<quint64> ApertiumStreamFormat::nonceOf(const QByteArray &record)
{
    if (!record.startsWith(markerStart) || !record.endsWith(']'))
        return std::nullopt;
    bool isNumber = false;
    const quint64 nonce = record.mid(markerStart.size(), record.size() - markerStart.size() - 1)
                              .toULongLong(&isNumber);
    return isNumber ? std::optional(nonce) : std::nullopt;
}

QString ApertiumStreamFormat::escape(const QString &text)
{
    QString escaped;
    escaped.reserve(text.size() + text.size() / 8);
    for (const QChar character : text) {
        if (becomesSpace(character)) {
            escaped += u' ';
            continue;
        }
        if (isDropped(character))
            continue;
        if (reserved.contains(character))
            escaped += u'\\';
        escaped += character;
    }
    return escaped;
}

QString ApertiumStreamFormat::decodeReply(const QByteArray &record)
{
    QByteArray body = record.trimmed();
    if (body.endsWith(closing))
        body.chop(closing.size());
    const QString text = QString::fromUtf8(body);

    // Unescaped brackets can only be blanks of our own making: the user's are all escaped.
    QString decoded;
    decoded.reserve(text.size());
    bool inBlank = false;
    bool lastWasSpace = true;
    for (qsizetype i = 0; i < text.size(); ++i) {
        QChar character = text.at(i);
        if (character == u'\\' && i + 1 < text.size()) {
            character = text.at(++i);
        } else if (character == u'[') {
            inBlank = true;
            continue;
        } else if (character == u']' && inBlank) {
            inBlank = false;
            continue;
        }
        if (inBlank)
            continue;
        const bool isSpace = character.isSpace();
        if (isSpace && lastWasSpace)
            continue;
        decoded += isSpace ? QChar(u' ') : character;
        lastWasSpace = isSpace;
    }
    if (decoded.endsWith(u' '))
        decoded.chop(1);
    return decoded;
}
