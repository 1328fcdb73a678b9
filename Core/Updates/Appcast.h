// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QList>
#include <QString>
#include <QUrl>
#include <optional>
#include <variant>

/// An update feed in the RSS form that desktop updaters read: one item per release, each with its
/// version, its package (the enclosure, with length and Ed25519 signature) and release notes inline
/// or by link.
///
/// Versions and signatures come from the Sparkle namespace, as elements of the item or attributes
/// of the enclosure. Any thread.
class Appcast
{
public:
    /// One release.
    struct Item
    {
        QString title;
        /// The version that is compared with the running one.
        QString version;
        /// The version as the user reads it; the version itself when the feed gives none.
        QString displayVersion;
        QUrl enclosureUrl;
        /// The package's size in bytes, or -1 when the feed does not say.
        qint64 length = -1;
        /// Base64, as the feed has it; empty when the feed gives none.
        QByteArray edSignature;
        /// The system the package is for, when the feed names one.
        QString operatingSystem;
        /// HTML from the feed.
        QString releaseNotes;
        QUrl releaseNotesLink;
        /// The release's page.
        QUrl link;
    };

    /// The feed in \a xml, or why it is not one.
    static std::variant<Appcast, QString> parse(const QByteArray &xml);

    /// Whether the program may fetch from \a url: https, or plain http on this machine for tests.
    static bool isFetchable(const QUrl &url);

    const QList<Item> &items() const { return m_items; }

    /// The newest item with a version and a fetchable package for this system; none when no item
    /// has both.
    std::optional<Item> newestUsableItem() const;

private:
    QList<Item> m_items;
    /// The channel's page; it stands for the items' pages where they have none.
    QUrl m_link;
};
