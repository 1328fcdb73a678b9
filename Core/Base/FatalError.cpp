// SPDX-License-Identifier: GPL-3.0-or-later
#include "FatalError.h"

#include "Platform/CrashReporting/CrashHandler.h"

#include <cstdio>
#include <cstdlib>

void fatalError(const QString &message)
{
    std::fprintf(stderr, "Fatal error: %s\n", qUtf8Printable(message));
    std::fflush(stderr);
    CrashHandler::setFatalMessage(message);
    std::abort();
}
