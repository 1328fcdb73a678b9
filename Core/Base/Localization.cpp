// SPDX-License-Identifier: GPL-3.0-or-later
#include "Localization.h"

#include "BuildConfig.h"

#include <QCoreApplication>
#include <QDir>
#include <QLibraryInfo>
#include <QTranslator>

using namespace Qt::Literals::StringLiterals;

namespace {

// The first of \a folders that has a catalogue \a name for \a locale wins.
bool installTranslator(const QLocale &locale, const QString &name, const QStringList &folders)
{
    auto *translator = new QTranslator(QCoreApplication::instance());
    for (const QString &folder : folders) {
        if (translator->load(locale, name, u"_"_s, folder))
            return QCoreApplication::installTranslator(translator);
    }
    delete translator;
    return false;
}

// The installed translations, found from the running program's folder, wherever the tree is.
QString installedFolder()
{
    return QDir::cleanPath(QCoreApplication::applicationDirPath() + u'/' +
                           QStringLiteral(VOXLUME_TRANSLATIONS_FROM_PROGRAM));
}

} // namespace

bool Localization::install(const QLocale &locale)
{
    installTranslator(locale, u"qtbase"_s, {QLibraryInfo::path(QLibraryInfo::TranslationsPath)});
    const QStringList folders{installedFolder(), u":/VoxlumeCore/i18n"_s};
    // The program's own window titles and messages, when the program carries them.
    installTranslator(locale, u"voxlume-app"_s, folders);
    return installTranslator(locale, u"voxlume"_s, folders);
}
