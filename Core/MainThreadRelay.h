// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QObject>
#include <QThreadPool>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <utility>

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

    /// Runs \a work, which may block, on a thread of Qt's global pool, then \a then with its
    /// result on a later turn of the main loop. Whatever \a then touches may be gone by then, so
    /// it must look first. Main thread.
    template <typename Work, typename Then>
    void runInBackground(Work work, Then then);

private:
    MainThreadRelay() = default;
    Q_INVOKABLE void runPosted();

    std::mutex m_mutex;
    std::deque<std::function<void()>> m_posted;
};

template <typename Work, typename Then>
void MainThreadRelay::runInBackground(Work work, Then then)
{
    // Shared, because the pool copies what it runs, and the work may hold what cannot be copied.
    const auto call = std::make_shared<std::pair<Work, Then>>(std::move(work), std::move(then));
    QThreadPool::globalInstance()->start([this, call] {
        post([call, result = call->first()]() mutable { call->second(std::move(result)); });
    });
}
