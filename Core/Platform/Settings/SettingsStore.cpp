// SPDX-License-Identifier: GPL-3.0-or-later
#include "SettingsStore.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>
#include <cmath>

using namespace Qt::Literals::StringLiterals;

namespace {

// Real settings files hold a few hundred bytes. QSettings reads and writes the whole file at every
// change, so a huge one would freeze the program at each.
constexpr qint64 maxFileBytes = 1024 * 1024;

/// Renames the file at \a path so that it is kept but no longer read, saying \a why in the log.
/// \returns where it was kept, if it could be moved.
std::optional<QString> setAside(const QString &path, const char *why)
{
    const QString copy =
        path + u".unreadable-"_s + QDateTime::currentDateTimeUtc().toString(u"yyyyMMddThhmmss"_s);
    if (!QFileInfo(path).isFile() || !QFile::rename(path, copy)) {
        qWarning("Settings: %s %s; using the defaults", qPrintable(path), why);
        return std::nullopt;
    }
    qWarning("Settings: %s %s; it was kept as %s and the defaults are used", qPrintable(path), why,
             qPrintable(copy));
    return copy;
}

} // namespace

SettingsStore &SettingsStore::shared()
{
    static SettingsStore store(
        QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) +
        u"/Voxlume/Voxlume.ini"_s);
    return store;
}

SettingsStore::SettingsStore(const QString &filePath, QObject *parent)
    : QObject(parent)
    , m_problem(setAsideIfOversized(filePath))
    , m_settings(filePath, QSettings::IniFormat)
{
    if (checkForFolder()) {
        qWarning("Settings: %s is a folder; the defaults are used and changes are not saved",
                 qPrintable(filePath));
    } else if (m_settings.status() != QSettings::NoError) {
        if (const std::optional<QString> copy = setAside(filePath, "cannot be read"))
            report(Problem{Problem::Kind::Unreadable, *copy});
        m_settings.sync();
    }
    m_lastSeenContent = fileContent();
    watchFile();
    connect(&m_watcher, &QFileSystemWatcher::fileChanged, this, &SettingsStore::fileChangedOnDisk);
    connect(&m_watcher, &QFileSystemWatcher::directoryChanged, this,
            &SettingsStore::fileChangedOnDisk);
}

SettingsStore::~SettingsStore() = default;

QString SettingsStore::filePath() const
{
    return m_settings.fileName();
}

std::optional<QString> SettingsStore::string(const QString &key) const
{
    const QVariant value = m_settings.value(key);
    if (!value.isValid())
        return std::nullopt;
    return value.toString();
}

bool SettingsStore::boolValue(const QString &key) const
{
    const std::optional<QString> text = string(key);
    return text ? decodeBool(*text).value_or(false) : false;
}

double SettingsStore::doubleValue(const QString &key) const
{
    const std::optional<QString> text = string(key);
    return text ? decodeDouble(*text).value_or(0.0) : 0.0;
}

bool SettingsStore::contains(const QString &key) const
{
    return m_settings.contains(key);
}

std::optional<QString> SettingsStore::problem() const
{
    if (!m_problem || m_problemDismissed)
        return std::nullopt;
    // Worded when asked rather than when found: the store may be made before the translations are
    // installed.
    switch (m_problem->kind) {
    case Problem::Kind::Folder:
        return tr("Settings cannot be saved: “%1” is a folder, not a file. Your changes last until "
                  "Voxlume quits; remove or rename the folder to keep them.")
            .arg(QDir::toNativeSeparators(filePath()));
    case Problem::Kind::Oversized:
        return tr("The settings file was larger than 1 MB, so Voxlume set it aside and started "
                  "from the default settings. The old file was kept as “%1”.")
            .arg(QDir::toNativeSeparators(m_problem->keptAs));
    case Problem::Kind::Unreadable:
        return tr("The settings file could not be read, so Voxlume set it aside and started from "
                  "the default settings. The old file was kept as “%1”.")
            .arg(QDir::toNativeSeparators(m_problem->keptAs));
    }
    return std::nullopt;
}

void SettingsStore::dismissProblem()
{
    if (!m_problem || std::exchange(m_problemDismissed, true))
        return;
    Q_EMIT problemChanged();
}

std::optional<SettingsStore::Problem> SettingsStore::setAsideIfOversized(const QString &path)
{
    if (QFileInfo(path).size() <= maxFileBytes)
        return std::nullopt;
    const std::optional<QString> copy = setAside(path, "is larger than 1 MB");
    return copy ? std::optional(Problem{Problem::Kind::Oversized, *copy}) : std::nullopt;
}

void SettingsStore::report(const std::optional<Problem> &problem)
{
    if (problem == m_problem)
        return;
    m_problem = problem;
    m_problemDismissed = false;
    Q_EMIT problemChanged();
}

bool SettingsStore::checkForFolder()
{
    const bool isFolder = QFileInfo(m_settings.fileName()).isDir();
    const bool reported = m_problem && m_problem->kind == Problem::Kind::Folder;
    if (isFolder && !reported)
        report(Problem{Problem::Kind::Folder, {}});
    else if (!isFolder && reported)
        report(std::nullopt);
    return isFolder;
}

void SettingsStore::setString(const QString &key, const QString &value)
{
    write(key, value);
}

void SettingsStore::setBool(const QString &key, bool value)
{
    write(key, value ? u"true"_s : u"false"_s);
}

void SettingsStore::setDouble(const QString &key, double value)
{
    write(key, QString::number(value, 'g', QLocale::FloatingPointShortest));
}

void SettingsStore::remove(const QString &key)
{
    write(key, std::nullopt);
}

std::optional<bool> SettingsStore::decodeBool(const QString &text)
{
    const QString word = text.trimmed().toLower();
    if (word == u"true" || word == u"yes" || word == u"1")
        return true;
    if (word == u"false" || word == u"no" || word == u"0")
        return false;
    return std::nullopt;
}

std::optional<double> SettingsStore::decodeDouble(const QString &text)
{
    bool ok = false;
    const double value = text.trimmed().toDouble(&ok);
    if (!ok || !std::isfinite(value))
        return std::nullopt;
    return value;
}

void SettingsStore::write(const QString &key, const std::optional<QString> &value)
{
    if (value)
        m_settings.setValue(key, *value);
    else
        m_settings.remove(key);
    // Written at once, so that a crash loses no choice the user made. With a folder in its place
    // the write fails and the value is held for this run.
    m_settings.sync();
    checkForFolder();
    m_lastSeenContent = fileContent();
    watchFile();
    Q_EMIT changed();
}

void SettingsStore::watchFile()
{
    // Editors and QSettings replace the file rather than rewrite it, which ends a watch on the
    // file itself: the folder's watch sees the replacement, and the file is watched again.
    const QString path = m_settings.fileName();
    const QString folder = QFileInfo(path).absolutePath();
    if (!m_watcher.directories().contains(folder) && QFileInfo(folder).isDir())
        m_watcher.addPath(folder);
    if (!m_watcher.files().contains(path) && QFileInfo(path).isFile())
        m_watcher.addPath(path);
}

void SettingsStore::fileChangedOnDisk()
{
    if (const std::optional<Problem> oversized = setAsideIfOversized(m_settings.fileName()))
        report(oversized);
    const bool hadFolder = m_problem && m_problem->kind == Problem::Kind::Folder;
    if (!checkForFolder() && hadFolder) {
        // What the user chose meanwhile is saved now, rather than at their next change.
        m_settings.sync();
        m_lastSeenContent = fileContent();
    }
    watchFile();
    // Our own writes wake the watch too; only a change of content made elsewhere is news.
    const QByteArray content = fileContent();
    if (content == m_lastSeenContent)
        return;
    m_lastSeenContent = content;
    m_settings.sync();
    Q_EMIT changed();
}

QByteArray SettingsStore::fileContent() const
{
    QFile file(m_settings.fileName());
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}
