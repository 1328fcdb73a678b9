// SPDX-License-Identifier: GPL-3.0-or-later
// Opens the user's transcript store as the program does at start, and prints where it is; a store
// that cannot be opened stops it, as it stops the program.

#include "DataManager.h"
#include "Platform/Store/ModelContainer.h"

#include <QCoreApplication>
#include <cstdio>

int main(int argc, char *argv[])
{
    const QCoreApplication application(argc, argv);
    std::printf("%s\n", qUtf8Printable(DataManager::shared().modelContainer().path()));
    return 0;
}
