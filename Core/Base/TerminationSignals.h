// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QObject>

class QSocketNotifier;

/// Turns Ctrl-C (SIGINT) and SIGTERM into a signal on the main loop, so that the program ends as
/// its own quit command would rather than losing the run's last text.
///
/// The signal handler only writes a byte to a pipe; everything else happens on the main thread.
/// One instance per process, made on the main thread.
class TerminationSignals : public QObject
{
    Q_OBJECT

public:
    explicit TerminationSignals(QObject *parent = nullptr);
    ~TerminationSignals() override;

Q_SIGNALS:
    /// SIGINT or SIGTERM arrived.
    void received();

private:
    QSocketNotifier *m_notifier = nullptr;
};
