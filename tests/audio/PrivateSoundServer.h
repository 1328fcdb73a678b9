// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QDeadlineTimer>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>
#include <csignal>
#include <optional>
#include <sys/prctl.h>

/// A PulseAudio server of the test's own, in a temporary folder, with no devices but those the
/// test loads into it.
///
/// Clients reach it through address() in PULSE_SERVER. It ends with this object, or with the test
/// process, should that die first.
class PrivateSoundServer
{
public:
    ~PrivateSoundServer() { kill(); }

    /// Starts the server and waits until it answers.
    bool start()
    {
        m_server.setProcessEnvironment(environment());
        m_server.setProcessChannelMode(QProcess::ForwardedChannels);
        // A server left behind by a test killed half-way would run for ever.
        m_server.setChildProcessModifier([] { ::prctl(PR_SET_PDEATHSIG, SIGKILL); });
        // -n: none of the system's default modules, so that no real device shows. As root,
        // PulseAudio warns but runs; a pid file would be shared with other servers.
        m_server.start(QStringLiteral("pulseaudio"),
                       {QStringLiteral("--daemonize=no"), QStringLiteral("--exit-idle-time=-1"),
                        QStringLiteral("--use-pid-file=no"), QStringLiteral("--log-level=error"),
                        QStringLiteral("-n"),
                        QStringLiteral("--load=module-native-protocol-unix auth-anonymous=1 "
                                       "socket=") +
                            socket()});
        const QDeadlineTimer deadline(10'000);
        while (m_server.waitForStarted() && !deadline.hasExpired()) {
            if (QFileInfo::exists(socket()) && pactl({QStringLiteral("info")}))
                return true;
            QThread::msleep(50);
        }
        return false;
    }

    /// Ends the server at once, as a crash would.
    void kill()
    {
        m_server.kill();
        m_server.waitForFinished();
    }

    /// What PULSE_SERVER holds to reach this server.
    QString address() const { return QStringLiteral("unix:") + socket(); }

    /// Runs pactl with \a arguments against the server: its output, or nothing when it failed.
    std::optional<QByteArray> pactl(const QStringList &arguments)
    {
        return run(QStringLiteral("pactl"), arguments);
    }

    /// Plays \a wavFile into the sink \a sink, and returns when it has been played.
    bool play(const QString &sink, const QString &wavFile)
    {
        return run(QStringLiteral("paplay"), {QStringLiteral("--device"), sink, wavFile})
            .has_value();
    }

private:
    QString socket() const { return m_directory.filePath(QStringLiteral("native")); }

    QProcessEnvironment environment() const
    {
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        // The server keeps its state and cookie here rather than in the user's home.
        environment.insert(QStringLiteral("HOME"), m_directory.path());
        environment.insert(QStringLiteral("XDG_RUNTIME_DIR"), m_directory.path());
        environment.insert(QStringLiteral("PULSE_SERVER"), address());
        return environment;
    }

    std::optional<QByteArray> run(const QString &program, const QStringList &arguments)
    {
        QProcess process;
        process.setProcessEnvironment(environment());
        process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        process.start(program, arguments);
        if (process.waitForFinished(30'000) && process.exitStatus() == QProcess::NormalExit &&
            process.exitCode() == 0)
            return process.readAllStandardOutput();
        process.kill();
        process.waitForFinished();
        return std::nullopt;
    }

    QTemporaryDir m_directory;
    QProcess m_server;
};
