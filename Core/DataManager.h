// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <memory>

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

private:
    DataManager();
    ~DataManager();

    std::unique_ptr<ModelContainer> m_modelContainer;
};
