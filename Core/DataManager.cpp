// SPDX-License-Identifier: GPL-3.0-or-later
#include "DataManager.h"

#include "FatalError.h"
#include "Platform/Store/ModelContainer.h"

using namespace Qt::Literals::StringLiterals;

DataManager &DataManager::shared()
{
    // Closed at exit, so that the journal is folded back into the database.
    static DataManager instance;
    return instance;
}

DataManager::DataManager()
{
    std::variant<std::unique_ptr<ModelContainer>, Error> opened =
        ModelContainer::open(ModelContainer::defaultPath());
    if (const Error *error = std::get_if<Error>(&opened))
        fatalError(u"Failed to initialize ModelContainer: "_s + error->localizedDescription());
    m_modelContainer = std::get<std::unique_ptr<ModelContainer>>(std::move(opened));
}

DataManager::~DataManager() = default;
