// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "Base/Language.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <optional>

/// The translation directions that Debian's Apertium pair packages provide, with the mode file
/// and the package of each, and the languages they serve.
///
/// Read off the packages of Debian 12 (see the data folder's README): a direction in the table is
/// supported even when its package is not installed. Languages match by language code, and by
/// region where Apertium has a variant for it (spa-eng_US for en-US); other variants (Valencian,
/// spelling reforms) have no Language to ask for them and are never chosen. Any thread.
class ApertiumPairTable
{
public:
    /// One direction of a pair package.
    struct Direction
    {
        /// The mode's name, which is also its file's name in the modes folder, without ".mode".
        QString mode;
        /// The Debian package that provides the mode.
        QString package;
        /// The source and target as BCP-47 tags, such as "en" or "pt-BR".
        QString source;
        QString target;
    };

    /// The table of Debian 12, built into the library.
    static const ApertiumPairTable &debian();

    /// A table from the two tab-separated files: \a modes (mode, source tag, target tag) and
    /// \a packages (a heading, then package, directions, space-separated modes).
    static ApertiumPairTable fromTables(const QByteArray &modes, const QByteArray &packages);

    /// The direction that translates \a source into \a target: the one of their regions when there
    /// is one, else the plain one of their languages.
    std::optional<Direction> direction(const Language &source, const Language &target) const;

    /// Every language of a direction, each with a region: the language's usual one, the regions of
    /// Apertium's variants, and Britain and Portugal for English and Portuguese, whose plain modes
    /// write the European standard. Sorted by raw value.
    QList<Language> languages() const;

    QList<Direction> directions() const { return m_directions; }

private:
    QList<Direction> m_directions;
};
