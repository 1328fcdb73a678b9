// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>
#include <memory>
#include <optional>

class ModelContainer;

/// Owns the one transcript store of the program.
///
/// The store opens on first use of shared() and stays open until the process ends. A store that
/// cannot be opened stops the program with "Failed to initialize ModelContainer: " and the reason;
/// the file is left as it was, never replaced. Main thread.
class DataManager
{
public:
    /// The instance, made on first use.
    static DataManager &shared();

    /// The store in the user's data folder.
    ModelContainer &modelContainer() const { return *m_modelContainer; }

    /// For the end of the program: tries once more to store the texts the store has not taken,
    /// and writes those it still refuses into a plain-text file beside it, or in the cache folder
    /// when that fails too. The file's path; none when nothing was left over; empty when no file
    /// could be written, and the texts went to standard error, the last place left.
    std::optional<QString> keepUnwrittenTranscripts();

private:
    DataManager();
    ~DataManager();

    std::unique_ptr<ModelContainer> m_modelContainer;
};
