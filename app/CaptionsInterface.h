// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QDBusAbstractAdaptor>
#include <QPointer>

class AppMenuModel;
class SingleInstance;
class SubtitleOverlayWindow;
struct CaptionCue;

/// The live subtitles on the session bus, for other programs: what the subtitle window shows as it
/// changes, each cue the run finishes, whether subtitles run and in which languages, and a way to
/// start and stop them. docs/dbus.md describes the interface for its users.
///
/// Served beside org.freedesktop.Application on the program's own name and object. It follows each
/// window that the menu's controller opens until that window is gone, so that the end of a run (its
/// last cue, the emptied display) goes out too. Signals are sent whether or not anyone listens:
/// the bus then hands them to no one, and nothing here polls or waits. Main thread.
class CaptionsInterface : public QDBusAbstractAdaptor
{
    Q_OBJECT
    // The program's name on the bus (SingleInstance::serviceName()) and ".Captions"; moc takes no
    // expression here.
    Q_CLASSINFO("D-Bus Interface", "io.github.voxlume.Voxlume.Captions")
    Q_PROPERTY(bool Listening READ listening)
    Q_PROPERTY(QString SpokenLanguage READ spokenLanguage)
    Q_PROPERTY(QString TranslatedLanguage READ translatedLanguage)

public:
    /// Serves the interface on \a instance's object, which exports its adaptors and owns this one,
    /// for the runs that \a menu opens. \a menu may go first: the interface then answers that
    /// nothing runs.
    CaptionsInterface(SingleInstance &instance, AppMenuModel &menu);
    ~CaptionsInterface() override;

    /// The interface's name, as its callers and PropertiesChanged give it.
    static QString interfaceName();

    /// Whether a subtitle window is open.
    bool listening() const;
    /// The spoken language's raw value as the settings hold it ("en-US").
    QString spokenLanguage() const;
    /// The translation language's raw value; the spoken one's when the run does not translate.
    QString translatedLanguage() const;

public Q_SLOTS:
    // The interface's methods, named as the bus calls them.
    /// Starts live subtitles as the menu does; a window already open is brought back instead.
    void Start();
    /// Closes the subtitle window as its close button does, which ends the run; nothing when
    /// none is open.
    void Stop();

Q_SIGNALS:
    /// What the subtitle window shows has changed: the spoken display text and its translation,
    /// each empty when none shows. Both empty once a run has ended.
    void TextChanged(const QString &source, const QString &translation);
    /// The run has finished a cue: its start and end in seconds of the run, its text, and its
    /// translation, empty when it has none.
    void CueFinished(double start, double end, const QString &text, const QString &translation);

private:
    struct Properties
    {
        bool listening = false;
        QString spokenLanguage;
        QString translatedLanguage;
    };

    Properties properties() const;
    /// Starts following the menu's current window, unless it is followed already.
    void follow();
    void sendText(const QString &source, const QString &translation);
    void sendCue(const CaptionCue &cue);
    /// Sends PropertiesChanged with each property that differs from what was last announced.
    void announceProperties();

    const QPointer<AppMenuModel> m_menu;
    QPointer<SubtitleOverlayWindow> m_followed;
    QString m_sentSource;
    QString m_sentTranslation;
    Properties m_announced;
};
