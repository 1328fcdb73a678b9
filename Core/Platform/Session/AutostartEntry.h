// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QCoreApplication>
#include <QString>

/// The entry that has the desktop start the program when the user logs in: a desktop file named
/// after the application id in the XDG autostart folder, `$XDG_CONFIG_HOME/autostart`.
///
/// The file is the truth, whoever wrote or removed it: the program starts at login when the file
/// is there and not switched off in it. Main thread.
class AutostartEntry
{
    Q_DECLARE_TR_FUNCTIONS(AutostartEntry)

public:
    /// The entry that starts the running program.
    AutostartEntry();
    /// The entry that starts \a program, a path.
    explicit AutostartEntry(QString program);

    /// Where the entry is, or would be.
    QString filePath() const;
    /// Whether the desktop starts the program at login: the file is there, and neither hidden nor
    /// switched off by the desktop's own setting in it.
    bool isEnabled() const;
    /// Writes or removes the entry; false, with \a error set to why, when that failed.
    bool setEnabled(bool enabled, QString *error);

private:
    QByteArray contents() const;

    QString m_program;
};
