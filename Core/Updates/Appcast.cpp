// SPDX-License-Identifier: GPL-3.0-or-later
#include "Appcast.h"

#include "VersionComparison.h"

#include <QCoreApplication>
#include <QHostAddress>
#include <QXmlStreamReader>

using namespace Qt::Literals::StringLiterals;

namespace {

const QString sparkle = u"http://www.andymatuschak.org/xml-namespaces/sparkle"_s;

bool isSparkle(const QXmlStreamReader &reader, QStringView name)
{
    return reader.namespaceUri() == sparkle && reader.name() == name;
}

bool isPlain(const QXmlStreamReader &reader, QStringView name)
{
    return reader.namespaceUri().isEmpty() && reader.name() == name;
}

QUrl urlOf(QStringView text)
{
    return QUrl(text.trimmed().toString(), QUrl::StrictMode);
}

// An item as the feed spells it; versions in the item's elements win over the enclosure's.
struct ItemReading
{
    Appcast::Item item;
    QString enclosureVersion;
    QString enclosureDisplayVersion;

    Appcast::Item finished()
    {
        if (item.version.isEmpty())
            item.version = enclosureVersion;
        if (item.displayVersion.isEmpty())
            item.displayVersion = enclosureDisplayVersion;
        if (item.displayVersion.isEmpty())
            item.displayVersion = item.version;
        return item;
    }
};

void readEnclosure(const QXmlStreamAttributes &attributes, ItemReading &reading)
{
    Appcast::Item &item = reading.item;
    item.enclosureUrl = urlOf(attributes.value(u"url"_s));
    bool ok = false;
    const qint64 length = attributes.value(u"length"_s).toLongLong(&ok);
    item.length = ok && length > 0 ? length : -1;
    item.edSignature = attributes.value(sparkle, u"edSignature"_s).trimmed().toLatin1();
    item.operatingSystem = attributes.value(sparkle, u"os"_s).trimmed().toString();
    reading.enclosureVersion = attributes.value(sparkle, u"version"_s).trimmed().toString();
    reading.enclosureDisplayVersion =
        attributes.value(sparkle, u"shortVersionString"_s).trimmed().toString();
}

Appcast::Item readItem(QXmlStreamReader &reader)
{
    ItemReading reading;
    Appcast::Item &item = reading.item;
    while (reader.readNextStartElement()) {
        if (isPlain(reader, u"enclosure")) {
            readEnclosure(reader.attributes(), reading);
            reader.skipCurrentElement();
        } else if (isPlain(reader, u"title")) {
            item.title = reader.readElementText().trimmed();
        } else if (isPlain(reader, u"link")) {
            item.link = urlOf(reader.readElementText());
        } else if (isPlain(reader, u"description")) {
            item.releaseNotes = reader.readElementText().trimmed();
        } else if (isSparkle(reader, u"version")) {
            item.version = reader.readElementText().trimmed();
        } else if (isSparkle(reader, u"shortVersionString")) {
            item.displayVersion = reader.readElementText().trimmed();
        } else if (isSparkle(reader, u"releaseNotesLink")) {
            item.releaseNotesLink = urlOf(reader.readElementText());
        } else {
            reader.skipCurrentElement();
        }
    }
    return reading.finished();
}

} // namespace

std::variant<Appcast, QString> Appcast::parse(const QByteArray &xml)
{
    QXmlStreamReader reader(xml);
    Appcast appcast;
    bool hasChannel = false;
    if (reader.readNextStartElement() && !isPlain(reader, u"rss"))
        return QCoreApplication::translate("Appcast", "it is not RSS");
    while (reader.readNextStartElement()) {
        if (!isPlain(reader, u"channel")) {
            reader.skipCurrentElement();
            continue;
        }
        hasChannel = true;
        while (reader.readNextStartElement()) {
            if (isPlain(reader, u"item"))
                appcast.m_items.append(readItem(reader));
            else if (isPlain(reader, u"link"))
                appcast.m_link = urlOf(reader.readElementText());
            else
                reader.skipCurrentElement();
        }
    }
    if (reader.hasError()) {
        return QCoreApplication::translate("Appcast", "%1 at line %2")
            .arg(reader.errorString())
            .arg(reader.lineNumber());
    }
    if (!hasChannel)
        return QCoreApplication::translate("Appcast", "it has no channel");
    for (Item &item : appcast.m_items) {
        if (item.link.isEmpty())
            item.link = appcast.m_link;
    }
    return appcast;
}

bool Appcast::isFetchable(const QUrl &url)
{
    if (!url.isValid() || url.host().isEmpty())
        return false;
    if (url.scheme() == u"https")
        return true;
    return url.scheme() == u"http" &&
           (url.host() == u"localhost" || QHostAddress(url.host()).isLoopback());
}

std::optional<Appcast::Item> Appcast::newestUsableItem() const
{
    std::optional<Item> newest;
    for (const Item &item : m_items) {
        const bool usable = !item.version.isEmpty() && isFetchable(item.enclosureUrl) &&
                            (item.operatingSystem.isEmpty() || item.operatingSystem == u"linux");
        if (usable && (!newest || compareVersions(item.version, newest->version) > 0))
            newest = item;
    }
    return newest;
}
