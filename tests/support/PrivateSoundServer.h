// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>
#include <csignal>
#include <optional>
#include <sys/prctl.h>

/// A PulseAudio server of the test's own, in a temporary folder, with no devices but those the
/// test loads into it. Clients reach it through address() in PULSE_SERVER.
class PrivateSoundServer
{
public:
    ~PrivateSoundServer() { kill(); }

    /// Starts the server and waits until it answers.
    bool start()
    {
        using namespace Qt::Literals::StringLiterals;
        // It keeps its state and cookie in its folder rather than in the user's home.
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(u"HOME"_s, m_directory.path());
        environment.insert(u"XDG_RUNTIME_DIR"_s, m_directory.path());
        m_server.setProcessEnvironment(environment);
        m_server.setProcessChannelMode(QProcess::ForwardedChannels);
        // A server left behind by a test killed half-way would run for ever.
        m_server.setChildProcessModifier([] { ::prctl(PR_SET_PDEATHSIG, SIGKILL); });
        // -n: none of the system's default modules, so that no real device shows. A pid file
        // would be shared with other servers.
        m_server.start(u"pulseaudio"_s, {u"--daemonize=no"_s, u"--exit-idle-time=-1"_s,
                                         u"--use-pid-file=no"_s, u"--log-level=error"_s, u"-n"_s,
                                         u"--load=module-native-protocol-unix auth-anonymous=1 "
                                         u"socket="_s +
                                             socket()});
        for (int tries = 0; tries < 200 && m_server.waitForStarted(); ++tries) {
            if (QFileInfo::exists(socket()) && run(u"pactl"_s, {u"info"_s}))
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

    QString address() const { return QStringLiteral("unix:") + socket(); }

    /// Loads a microphone \a name that hears the new sink \a sink: its module index, if any.
    std::optional<QString> loadMicrophone(const QString &name, const QString &sink,
                                          const QStringList &sinkArguments = {})
    {
        using namespace Qt::Literals::StringLiterals;
        const auto module =
            run(u"pactl"_s,
                QStringList{u"load-module"_s, u"module-null-sink"_s, u"sink_name="_s + sink} +
                    sinkArguments)
                ? run(u"pactl"_s, {u"load-module"_s, u"module-remap-source"_s,
                                   u"master=%1.monitor"_s.arg(sink), u"source_name="_s + name})
                : std::nullopt;
        return module ? std::optional(QString::fromLatin1(module->trimmed())) : std::nullopt;
    }

    /// Runs \a program (pactl, paplay) against the server: its output, if it succeeded.
    std::optional<QByteArray> run(const QString &program, const QStringList &arguments)
    {
        QProcess process;
        process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        process.start(program, QStringList{QStringLiteral("--server=") + address()} + arguments);
        if (process.waitForFinished(30'000) && process.exitStatus() == QProcess::NormalExit &&
            process.exitCode() == 0)
            return process.readAllStandardOutput();
        process.kill();
        process.waitForFinished();
        return std::nullopt;
    }

private:
    QString socket() const { return m_directory.filePath(QStringLiteral("native")); }

    QTemporaryDir m_directory;
    QProcess m_server;
};
