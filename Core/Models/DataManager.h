// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "Base/Error.h"

#include <QString>
#include <memory>
#include <optional>

class ModelContainer;

/// Owns the one transcript store of the program.
///
/// The store opens on first use of shared() and stays open until the process ends; its file is
/// checked in the background. A store that cannot be opened is left as it was, never replaced:
/// openError() says why, and a store in memory, gone at the end of the program, takes its place,
/// so that subtitles still run. A store whose check fails later is only read; what the program
/// meant to write to it is kept until the end. Main thread.
class DataManager
{
public:
    /// The instance, made on first use.
    static DataManager &shared();

    /// The store in the user's data folder, or the one in memory that stands in for it.
    ModelContainer &modelContainer() const { return *m_modelContainer; }
    /// Why the store in the user's data folder could not be opened, or failed its check; none
    /// when it is open and sound, or still being checked.
    std::optional<Error> openError() const;

    /// For the end of the program: tries once more to store the texts the store has not taken,
    /// and writes those it still refuses into a plain-text file beside it, or in the cache folder
    /// when that fails too. The file's path; none when nothing was left over; empty when no file
    /// could be written, and the texts went to standard error, the last place left.
    std::optional<QString> keepUnwrittenTranscripts();

private:
    DataManager();
    ~DataManager();

    std::unique_ptr<ModelContainer> m_modelContainer;
    std::optional<Error> m_openError;
};
