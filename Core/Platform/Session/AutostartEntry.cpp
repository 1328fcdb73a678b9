// SPDX-License-Identifier: GPL-3.0-or-later
#include "AutostartEntry.h"

#include "Base/WholeFileWrite.h"
#include "BuildConfig.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>

using namespace Qt::Literals::StringLiterals;

namespace {

// The desktop entry format's keys, checked in its main group only.
bool switchedOff(const QByteArray &entry)
{
    bool inMainGroup = false;
    for (QByteArray line : entry.split('\n')) {
        line = line.trimmed();
        if (line.startsWith('[')) {
            inMainGroup = line == "[Desktop Entry]";
            continue;
        }
        if (!inMainGroup)
            continue;
        const qsizetype equals = line.indexOf('=');
        if (equals < 0)
            continue;
        const QByteArray key = line.left(equals).trimmed();
        const QByteArray value = line.mid(equals + 1).trimmed();
        if ((key == "Hidden" && value == "true") ||
            (key == "X-GNOME-Autostart-enabled" && value == "false"))
            return true;
    }
    return false;
}

// A string value's own escapes, on top of the Exec key's quoting.
QString escapedValue(QString value)
{
    value.replace(u'\\', u"\\\\"_s);
    value.replace(u'\n', u"\\n"_s);
    value.replace(u'\t', u"\\t"_s);
    value.replace(u'\r', u"\\r"_s);
    return value;
}

// \a argument as it stands in a desktop file's Exec key.
QString execArgument(const QString &argument)
{
    // The characters that the desktop entry format reserves in Exec; an argument with any of them
    // goes in double quotes, where four of them need a backslash.
    static const QString reserved = u" \t\n\"'\\><~|&;$*?#()`"_s;
    QString quoted = argument;
    quoted.replace(u'%', u"%%"_s);
    if (std::none_of(quoted.cbegin(), quoted.cend(),
                     [](QChar character) { return reserved.contains(character); }))
        return escapedValue(quoted);
    QString inner;
    for (const QChar character : std::as_const(quoted)) {
        if (u"\"`$\\"_s.contains(character))
            inner += u'\\';
        inner += character;
    }
    return escapedValue(u'"' + inner + u'"');
}

} // namespace

AutostartEntry::AutostartEntry()
    : AutostartEntry(QCoreApplication::applicationFilePath())
{}

AutostartEntry::AutostartEntry(QString program)
    : m_program(std::move(program))
{}

QString AutostartEntry::filePath() const
{
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) +
           u"/autostart/"_s + QStringLiteral(VOXLUME_APP_ID) + u".desktop"_s;
}

bool AutostartEntry::isEnabled() const
{
    QFile file(filePath());
    if (!file.open(QIODevice::ReadOnly))
        return false;
    return !switchedOff(file.readAll());
}

bool AutostartEntry::setEnabled(bool enabled, QString *error)
{
    const QString path = filePath();
    if (!enabled) {
        QFile file(path);
        if (!file.exists() || file.remove())
            return true;
        *error = file.errorString();
        return false;
    }
    if (!QDir().mkpath(QFileInfo(path).path())) {
        *error = tr("The folder %1 could not be made.").arg(QFileInfo(path).path());
        return false;
    }
    const std::optional<QString> failure = writeWholeFile(path, contents());
    if (!failure)
        return true;
    *error = *failure;
    return false;
}

QByteArray AutostartEntry::contents() const
{
    return u"[Desktop Entry]\n"
           "Type=Application\n"
           "Name=Voxlume\n"
           "Comment=Live subtitles of what is said near the computer\n"
           "Exec=%1\n"
           "Icon=%2\n"
           "Terminal=false\n"
           "StartupNotify=false\n"_s.arg(execArgument(m_program), QStringLiteral(VOXLUME_APP_ID))
               .toUtf8();
}
