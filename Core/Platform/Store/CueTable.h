// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "Base/Error.h"
#include "CaptionCue.h"

#include <QList>
#include <QUuid>
#include <optional>
#include <variant>

class SqliteConnection;

/// The table "Cue": each record's timed cues, one row per cue by the record's id and the cue's
/// place, written in the same transactions as the record's row.
///
/// A table of its own, so that the table "Transcript" keeps its six columns and a store stays
/// one that an older version opens (it reads the layout version, which cues leave as it is, and
/// ignores tables it does not know). A store made before cues has no such table until this
/// version first writes to it; its records read as having no cues.
class CueTable
{
public:
    CueTable() = delete;

    /// Creates the table where it is missing.
    static std::optional<Error> create(SqliteConnection &connection);
    /// Makes \a cues the cues of the record \a id, whose first \a kept cues the table holds
    /// already: a running transcript's save writes only the cues that are new since the last.
    static std::optional<Error> replace(SqliteConnection &connection, const QUuid &id,
                                        const QList<CaptionCue> &cues, qsizetype kept = 0);
    /// The cues of the record \a id, in time order; none in a store that has no table yet.
    static std::variant<QList<CaptionCue>, Error> select(SqliteConnection &connection,
                                                         const QUuid &id);
    static std::optional<Error> remove(SqliteConnection &connection, const QUuid &id);
};
