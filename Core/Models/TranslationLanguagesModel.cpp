// SPDX-License-Identifier: GPL-3.0-or-later
#include "TranslationLanguagesModel.h"

#include "Base/LanguageLabels.h"
#include "Platform/PackageKit/PackageInstaller.h"

#include <QCollator>
#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QHash>
#include <QPointer>

#include <algorithm>

using namespace Qt::Literals::StringLiterals;

namespace {

// A BCP-47 tag of the table in the parts that are named: a language code, a region, and the
// variants, registered or private-use, such as "valencia" or "iec2017".
struct TagParts
{
    QString code;
    QString region;
    QStringList variants;

    // The Language that names the tag. A variant's region is named with the variant instead, so
    // that "Portuguese (Portugal, …)" does not nest brackets.
    Language language() const
    {
        return Language(code, {}, variants.isEmpty() ? region : QString());
    }
};

TagParts partsOf(const QString &tag)
{
    QStringList subtags = tag.split(u'-');
    TagParts parts{subtags.takeFirst().toLower(), {}, {}};
    for (const QString &subtag : std::as_const(subtags)) {
        const bool isRegion = subtag.size() == 2 && subtag.toUpper() == subtag;
        if (isRegion && parts.variants.isEmpty())
            parts.region = subtag;
        else if (subtag != u"x")
            parts.variants << subtag;
    }
    return parts;
}

// ICU names none of Apertium's private-use variants, and some registered ones only by their code.
QString variantName(const QString &variant)
{
    static const QHash<QString, const char *> names = {
        {u"valencia"_s, QT_TRANSLATE_NOOP("TranslationLanguagesModel", "Valencian")},
        {u"aranes"_s, QT_TRANSLATE_NOOP("TranslationLanguagesModel", "Aranese")},
        {u"gascon"_s, QT_TRANSLATE_NOOP("TranslationLanguagesModel", "Gascon")},
        {u"uni"_s, QT_TRANSLATE_NOOP("TranslationLanguagesModel", "university standard")},
        {u"iec2017"_s, QT_TRANSLATE_NOOP("TranslationLanguagesModel", "2017 spelling")},
        {u"pre2017"_s, QT_TRANSLATE_NOOP("TranslationLanguagesModel", "spelling before 2017")},
        {u"pre1990"_s, QT_TRANSLATE_NOOP("TranslationLanguagesModel", "spelling before 1990")},
        {u"e"_s, QT_TRANSLATE_NOOP("TranslationLanguagesModel", "e-infinitives")},
    };
    const char *name = names.value(variant);
    return name ? QCoreApplication::translate("TranslationLanguagesModel", name) : variant;
}

// Every tag's name, with the languages named together so that two of one name get their regions.
QHash<QString, QString> namesOf(const QStringList &tags)
{
    QList<Language> languages;
    for (const QString &tag : tags) {
        const Language language = partsOf(tag).language();
        if (!languages.contains(language))
            languages << language;
    }
    const QStringList labels = LanguageLabels::of(languages);
    QHash<QString, QString> labelOf;
    for (qsizetype i = 0; i < languages.size(); ++i) {
        const Language &language = languages.at(i);
        // A code ICU cannot name (zlm) still tells more than "Unknown".
        labelOf.insert(language.rawValue(), language.languageName()
                                                ? labels.at(i)
                                                : language.languageCode().value_or(QString()));
    }
    QHash<QString, QString> names;
    for (const QString &tag : tags) {
        const TagParts parts = partsOf(tag);
        const QString label = labelOf.value(parts.language().rawValue());
        if (parts.variants.isEmpty()) {
            names.insert(tag, label);
            continue;
        }
        QStringList details;
        if (!parts.region.isEmpty())
            details << Locale::current().localizedRegionName(parts.region).value_or(parts.region);
        for (const QString &variant : parts.variants)
            details << variantName(variant);
        names.insert(tag, TranslationLanguagesModel::tr("%1 (%2)").arg(
                              label, details.join(TranslationLanguagesModel::tr(", "))));
    }
    return names;
}

QList<TranslationLanguagesModel::Entry>
sortedEntries(const QList<ApertiumPairTable::Direction> &directions)
{
    QStringList tags;
    for (const ApertiumPairTable::Direction &direction : directions)
        tags << direction.source << direction.target;
    const QHash<QString, QString> names = namesOf(tags);
    QList<TranslationLanguagesModel::Entry> entries;
    for (const ApertiumPairTable::Direction &direction : directions) {
        TranslationLanguagesModel::Entry entry;
        entry.direction = direction;
        entry.sourceName = names.value(direction.source);
        entry.targetName = names.value(direction.target);
        entries << entry;
    }
    QCollator collator;
    // So that "Catalan (Valencian)" comes before "Catalan (Valencian, 2017 spelling)".
    collator.setIgnorePunctuation(true);
    std::stable_sort(entries.begin(), entries.end(), [&](const auto &a, const auto &b) {
        const int bySource = collator.compare(a.sourceName, b.sourceName);
        return bySource != 0 ? bySource < 0 : collator.compare(a.targetName, b.targetName) < 0;
    });
    return entries;
}

// The nearest folder of \a path, itself included, that exists: where its making can be seen.
QString nearestExisting(const QString &path)
{
    QString folder = QDir::cleanPath(path);
    while (!QFileInfo(folder).isDir() && folder != QDir::rootPath())
        folder = QFileInfo(folder).absolutePath();
    return folder;
}

} // namespace

TranslationLanguagesModel::TranslationLanguagesModel(Configuration configuration, QObject *parent)
    : QObject(parent)
    , m_configuration(std::move(configuration))
    , m_entries(sortedEntries(ApertiumPairTable::debian().directions()))
{
    const QSet<QString> installed = installedModes();
    for (Entry &entry : m_entries) {
        if (installed.contains(entry.direction.mode))
            entry.state = State::Installed;
    }
    connect(&m_watcher, &QFileSystemWatcher::directoryChanged, this, [this] {
        // The folder may have just been made or removed: follow it before reading it.
        watchModesFolder();
        recheck();
    });
    watchModesFolder();
}

int TranslationLanguagesModel::rowOf(const QString &mode) const
{
    const auto found = std::find_if(m_entries.cbegin(), m_entries.cend(), [&](const Entry &entry) {
        return entry.direction.mode == mode;
    });
    return found == m_entries.cend() ? -1 : int(found - m_entries.cbegin());
}

void TranslationLanguagesModel::install(const QString &package)
{
    if (m_installing.contains(package))
        return;
    QList<int> rows;
    for (int row = 0; row < m_entries.size(); ++row) {
        const Entry &entry = m_entries.at(row);
        if (entry.direction.package == package && entry.state != State::Installed)
            rows << row;
    }
    if (rows.isEmpty())
        return;
    m_installing.insert(package);
    for (const int row : std::as_const(rows))
        update(row, State::Installing);
    runInstall(package);
}

QCoro::Task<> TranslationLanguagesModel::runInstall(QString package)
{
    const QPointer<TranslationLanguagesModel> self(this);
    // In the coroutine's frame, so that it lasts as long as the install, whatever becomes of the
    // model.
    PackageInstaller installer(PackageInstaller::busAt(m_configuration.packageKitBusAddress));
    const std::optional<Error> failure = co_await installer.install(package, progressOf(package));
    if (self)
        finishInstall(package, failure);
}

std::function<void(int)> TranslationLanguagesModel::progressOf(const QString &package)
{
    return [self = QPointer(this), package](int percent) {
        if (self)
            self->showProgress(package, percent);
    };
}

void TranslationLanguagesModel::showProgress(const QString &package, int percent)
{
    for (int row = 0; row < m_entries.size(); ++row) {
        const Entry &entry = m_entries.at(row);
        if (entry.direction.package == package && entry.state == State::Installing)
            update(row, State::Installing, percent);
    }
}

void TranslationLanguagesModel::finishInstall(const QString &package,
                                              const std::optional<Error> &failure)
{
    m_installing.remove(package);
    const QSet<QString> installed = installedModes();
    for (int row = 0; row < m_entries.size(); ++row) {
        const Entry &entry = m_entries.at(row);
        if (entry.direction.package != package || entry.state != State::Installing)
            continue;
        if (installed.contains(entry.direction.mode))
            update(row, State::Installed);
        else
            update(row, State::Failed, -1, failureText(package, failure));
    }
}

QString TranslationLanguagesModel::failureText(const QString &package,
                                               const std::optional<Error> &failure) const
{
    // Without PackageKit, or when the package brought no mode file, only the user can help.
    const bool byHand = !failure || (failure->domain() == PackageInstaller::errorDomain() &&
                                     failure->code() == PackageInstaller::Unavailable);
    if (byHand)
        return tr("Install the package %1 with your system's package manager.").arg(package);
    return failure->localizedDescription();
}

void TranslationLanguagesModel::watchModesFolder()
{
    const QString folder = nearestExisting(m_configuration.modesDirectory);
    const QStringList watched = m_watcher.directories();
    if (watched == QStringList{folder})
        return;
    if (!watched.isEmpty())
        m_watcher.removePaths(watched);
    m_watcher.addPath(folder);
}

void TranslationLanguagesModel::recheck()
{
    const QSet<QString> installed = installedModes();
    for (int row = 0; row < m_entries.size(); ++row) {
        const Entry &entry = m_entries.at(row);
        const bool isThere = installed.contains(entry.direction.mode);
        if (isThere && entry.state != State::Installed && entry.state != State::Installing)
            update(row, State::Installed);
        else if (!isThere && entry.state == State::Installed)
            update(row, State::Installable);
    }
}

QSet<QString> TranslationLanguagesModel::installedModes() const
{
    const QString suffix = u".mode"_s;
    QSet<QString> modes;
    const QStringList files =
        QDir(m_configuration.modesDirectory).entryList({u'*' + suffix}, QDir::Files);
    for (const QString &file : files)
        modes.insert(file.chopped(suffix.size()));
    return modes;
}

void TranslationLanguagesModel::update(int row, State state, int percent, const QString &failure)
{
    Entry &entry = m_entries[row];
    if (entry.state == state && entry.percent == percent && entry.failure == failure)
        return;
    entry.state = state;
    entry.percent = percent;
    entry.failure = failure;
    Q_EMIT entryChanged(row);
}
