// SPDX-License-Identifier: GPL-3.0-or-later
#include "Localization.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QTranslator>

using namespace Qt::Literals::StringLiterals;

namespace {

bool installTranslator(const QLocale &locale, const QString &name, const QString &directory)
{
    auto *translator = new QTranslator(QCoreApplication::instance());
    if (translator->load(locale, name, u"_"_s, directory) &&
        QCoreApplication::installTranslator(translator))
        return true;
    delete translator;
    return false;
}

} // namespace

bool Localization::install(const QLocale &locale)
{
    installTranslator(locale, u"qtbase"_s, QLibraryInfo::path(QLibraryInfo::TranslationsPath));
    // The program's own window titles and messages, when the program carries them.
    installTranslator(locale, u"voxlume-app"_s, u":/VoxlumeCore/i18n"_s);
    return installTranslator(locale, u"voxlume"_s, u":/VoxlumeCore/i18n"_s);
}
