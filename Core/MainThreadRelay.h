// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QObject>
#include <deque>
#include <functional>
#include <mutex>

/// Runs functions that other threads hand over on the main thread, in the order handed over.
///
/// The functions wait in a queue under a lock of our own, so that the hand-over is ordered for
/// ThreadSanitizer too; what crosses Qt's event queue carries nothing of ours.
class MainThreadRelay : public QObject
{
    Q_OBJECT

public:
    /// The relay; made on first use, which must be on the main thread.
    static MainThreadRelay &instance();

    /// Runs \a function on a later turn of the main loop. Any thread.
    void post(std::function<void()> function);

private:
    MainThreadRelay() = default;
    Q_INVOKABLE void runPosted();

    std::mutex m_mutex;
    std::deque<std::function<void()>> m_posted;
};
