// SPDX-License-Identifier: GPL-3.0-or-later
// Installs one Apertium pair package through the Translation Languages model, with the system's
// modes folder and PackageKit, and prints each change of its rows. Exit status 0 when every
// direction of the package is installed, 1 when one failed, 2 on bad arguments or when PackageKit
// took longer than the time given.
#include "Models/TranslationLanguagesModel.h"
#include "Platform/Translation/Apertium/ApertiumTranslationService.h"

#include <QCoreApplication>
#include <QTextStream>
#include <QTimer>

#include <algorithm>

namespace {

QString describe(const TranslationLanguagesModel::Entry &entry)
{
    using State = TranslationLanguagesModel::State;
    switch (entry.state) {
    case State::Installed:
        return QStringLiteral("installed");
    case State::Installable:
        return QStringLiteral("not installed");
    case State::Installing:
        return QStringLiteral("installing %1").arg(entry.percent);
    case State::Failed:
        return QStringLiteral("failed: ") + entry.failure;
    }
    return {};
}

QList<TranslationLanguagesModel::Entry> entriesOf(const TranslationLanguagesModel &model,
                                                  const QString &package)
{
    QList<TranslationLanguagesModel::Entry> entries;
    for (const TranslationLanguagesModel::Entry &entry : model.entries()) {
        if (entry.direction.package == package)
            entries << entry;
    }
    return entries;
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication application(argc, argv);
    const QStringList arguments = application.arguments();
    bool secondsGiven = false;
    const int seconds = arguments.value(2).toInt(&secondsGiven);
    QTextStream out(stdout);
    if (arguments.size() != 3 || !secondsGiven) {
        QTextStream(stderr) << "usage: install-language-pair PACKAGE SECONDS\n";
        return 2;
    }
    const QString package = arguments.at(1);
    TranslationLanguagesModel model(TranslationLanguagesModel::Configuration{
        ApertiumTranslationService::systemModesDirectory(), QString()});
    if (entriesOf(model, package).isEmpty()) {
        QTextStream(stderr) << "no direction of " << package << " is known\n";
        return 2;
    }
    QString last;
    QObject::connect(&model, &TranslationLanguagesModel::entryChanged, [&](int row) {
        // The directions of a package move together: say each step once.
        const QString now = describe(model.entries().at(row));
        if (now != last)
            out << package << ": " << now << Qt::endl;
        last = now;
        const auto entries = entriesOf(model, package);
        const auto countIn = [&](TranslationLanguagesModel::State state) {
            return std::count_if(entries.cbegin(), entries.cend(),
                                 [&](const auto &entry) { return entry.state == state; });
        };
        if (countIn(TranslationLanguagesModel::State::Installing) > 0)
            return;
        for (const TranslationLanguagesModel::Entry &entry : entries)
            out << entry.direction.mode << ": " << describe(entry) << Qt::endl;
        application.exit(
            countIn(TranslationLanguagesModel::State::Installed) == entries.size() ? 0 : 1);
    });
    QTimer::singleShot(std::chrono::seconds(seconds), &application, [&] {
        QTextStream(stderr) << "PackageKit did not finish within " << seconds << " s\n";
        application.exit(2);
    });
    // Once the loop runs, so that an install that fails at once can still end it.
    QTimer::singleShot(0, &model, [&] { model.install(package); });
    return application.exec();
}
