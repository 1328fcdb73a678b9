// SPDX-License-Identifier: GPL-3.0-or-later
#include "SettingsStore.h"

#include <QDateTime>
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
void setAside(const QString &path, const char *why)
{
    const QString copy =
        path + u".unreadable-"_s + QDateTime::currentDateTimeUtc().toString(u"yyyyMMddThhmmss"_s);
    if (!QFileInfo(path).isFile() || !QFile::rename(path, copy)) {
        qWarning("Settings: %s %s; using the defaults", qPrintable(path), why);
        return;
    }
    qWarning("Settings: %s %s; it was kept as %s and the defaults are used", qPrintable(path), why,
             qPrintable(copy));
}

/// \a path, once a file there too large to be settings has been set aside.
QString withoutOversizedFile(const QString &path)
{
    if (QFileInfo(path).size() > maxFileBytes)
        setAside(path, "is larger than 1 MB");
    return path;
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
    , m_settings(withoutOversizedFile(filePath), QSettings::IniFormat)
{
    if (m_settings.status() != QSettings::NoError) {
        setAside(m_settings.fileName(), "cannot be read");
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
    // Written at once, so that a crash loses no choice the user made.
    m_settings.sync();
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
    withoutOversizedFile(m_settings.fileName());
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
