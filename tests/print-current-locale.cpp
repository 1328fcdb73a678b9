// SPDX-License-Identifier: GPL-3.0-or-later
#include "Base/Language.h"

#include <QCoreApplication>
#include <cstdio>

int main(int argc, char *argv[])
{
    const QCoreApplication application(argc, argv);
    const Locale locale = Locale::current();
    std::printf("%s %s\n", qPrintable(locale.identifier()),
                qPrintable(Language::fromLocale(locale).rawValue()));
    return 0;
}
