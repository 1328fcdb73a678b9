// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QDBusContext>
#include <QObject>
#include <QVariantMap>

/// Keeps the program to one instance in the desktop session: the first launch takes the
/// program's name on the session bus and answers there, as the freedesktop.org
/// org.freedesktop.Application interface asks; a later launch hands its request to it and ends.
///
/// The instance's object also serves the adaptors given to it as children, such as
/// CaptionsInterface. A session without a bus has no way to find the running instance, so every
/// launch runs on its own there. Main thread.
class SingleInstance : public QObject, protected QDBusContext
{
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.Application")

public:
    /// What a launch asks of the program.
    enum class Request {
        /// A plain launch.
        Activate,
        /// `--toggle`: start or stop live subtitles.
        ToggleLiveSubtitles,
    };
    /// What became of a launch's claim to be the instance.
    enum class Claim {
        /// This is the instance; requests from later launches arrive as signals.
        First,
        /// The running instance has the request; this launch is done.
        HandedOver,
        /// No session bus: this launch runs on its own.
        NoSessionBus,
        /// An instance holds the name but did not take the request; see error().
        Failed,
    };

    explicit SingleInstance(QObject *parent = nullptr);

    /// Becomes the session's instance, or hands \a request to the one that runs. Blocks on the bus
    /// (for seconds at worst, if the running instance hangs): call it before the event loop runs.
    Claim claim(Request request);
    /// Why the last claim failed.
    QString error() const { return m_error; }

    /// The name on the bus, which is the program's application id, and the object's path there.
    static QString serviceName();
    static QString objectPath();
    /// The action name of `--toggle`, as the launcher entry's action names it too.
    static QString toggleAction();

public Q_SLOTS:
    // The interface's methods, named as the bus calls them; each arrives on the main thread.
    Q_SCRIPTABLE void Activate(const QVariantMap &platformData);
    Q_SCRIPTABLE void ActivateAction(const QString &actionName, const QVariantList &parameter,
                                     const QVariantMap &platformData);
    /// The program opens no files; a launch with some is a plain launch.
    Q_SCRIPTABLE void Open(const QStringList &uris, const QVariantMap &platformData);

Q_SIGNALS:
    /// A later launch asked for the program.
    void activateRequested();
    /// A later launch asked to start or stop live subtitles.
    void toggleRequested();

private:
    enum class HandOver { Taken, NoInstance, Refused };
    /// Sends \a request to the instance that holds the name.
    HandOver handOver(Request request);

    QString m_error;
};
