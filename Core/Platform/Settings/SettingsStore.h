// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QFileSystemWatcher>
#include <QObject>
#include <QSettings>
#include <optional>

/// The per-user key-value store that holds every preference, an INI file under
/// $XDG_CONFIG_HOME/Voxlume/.
///
/// Values are kept as text, so a value typed into the file by hand reads the same as one written
/// by the program. Nothing here knows a key's default: a reader that finds nothing, or text of the
/// wrong kind, falls back to its own. A file that cannot be parsed, or is over 1 MB, is set aside
/// under another name and the store starts empty, so a damaged file neither stops the program,
/// nor slows every change, nor gets overwritten. A folder in the file's place is left alone: the
/// store then holds its values for this run only. Either is a problem() to tell the user about.
///
/// Lives on the main thread: create it, read and write it there.
class SettingsStore : public QObject
{
    Q_OBJECT

public:
    /// The store of this user, created on first use.
    static SettingsStore &shared();

    /// A store over the INI file at \a filePath, created when first written.
    explicit SettingsStore(const QString &filePath, QObject *parent = nullptr);
    ~SettingsStore() override;

    QString filePath() const;

    /// The text stored under \a key, or none.
    std::optional<QString> string(const QString &key) const;
    /// The Boolean stored under \a key; false when absent or not a Boolean.
    bool boolValue(const QString &key) const;
    /// The number stored under \a key; 0 when absent or not a number.
    double doubleValue(const QString &key) const;
    /// Whether anything is stored under \a key.
    bool contains(const QString &key) const;

    /// What the user should be told about the file: why changes are not saved, or where an
    /// unreadable file was kept. None while all is well, and once the user has dismissed it.
    std::optional<QString> problem() const;
    /// The user has read the problem: it is not told again until another one arises.
    void dismissProblem();

    void setString(const QString &key, const QString &value);
    void setBool(const QString &key, bool value);
    void setDouble(const QString &key, double value);
    void remove(const QString &key);

    /// Reads "true"/"false", "yes"/"no" and "1"/"0" in any case; anything else is no Boolean.
    static std::optional<bool> decodeBool(const QString &text);
    /// Reads a finite decimal number; anything else is no number.
    static std::optional<double> decodeDouble(const QString &text);

Q_SIGNALS:
    /// Some value changed, through this store or by an edit of the file from outside; which one
    /// is not said, so listeners read again what they use.
    void changed();
    /// problem() says something else.
    void problemChanged();

private:
    struct Problem
    {
        enum class Kind { Folder, Oversized, Unreadable };
        Kind kind;
        /// Where the file that was set aside was kept.
        QString keptAs;
        friend bool operator==(const Problem &, const Problem &) = default;
    };

    static std::optional<Problem> setAsideIfOversized(const QString &path);
    void report(const std::optional<Problem> &problem);
    /// Reports a folder in the file's place, or that it has gone; \returns whether one is there.
    bool checkForFolder();
    void write(const QString &key, const std::optional<QString> &value);
    void watchFile();
    void fileChangedOnDisk();
    QByteArray fileContent() const;

    // Before the settings, so that an oversized file is set aside before they read it.
    std::optional<Problem> m_problem;
    bool m_problemDismissed = false;
    QSettings m_settings;
    QFileSystemWatcher m_watcher;
    QByteArray m_lastSeenContent;
};
