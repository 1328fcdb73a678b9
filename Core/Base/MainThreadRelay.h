// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QObject>
#include <QThreadPool>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <utility>

/// Runs functions that other threads hand over on the main thread, in the order handed over: the
/// one way in which work of a worker, the decoder, the audio or a platform callback reaches the
/// main thread. (The main thread's own work, put off to a later turn, is a queued call on the
/// object it belongs to, which Qt drops with that object; nothing crosses a thread there.)
///
/// Why this way and not Qt's queued calls or signals: what those carry crosses Qt's event queue,
/// whose lock ThreadSanitizer cannot see, so every value they hand over shows as a race, and a
/// QPointer made on the sending thread is itself one. Here the functions wait in a queue under a
/// std::mutex, and what crosses Qt's queue carries nothing of ours. A function whose receiver may
/// be gone by the time it runs holds it by a weak reference, or by a number that the main thread
/// looks up, never by a pointer it trusts.
class MainThreadRelay : public QObject
{
    Q_OBJECT

public:
    /// The relay; made on first use, which must be on the main thread.
    static MainThreadRelay &instance();

    /// Runs \a function on a later turn of the main loop. Any thread.
    void post(std::function<void()> function);
    /// Runs \a function on a later turn of the main loop, unless \a receiver has gone by then.
    /// Any thread; \a receiver must be let go of on the main thread.
    template <typename T>
    void post(std::weak_ptr<T> receiver, std::function<void()> function)
    {
        post([receiver = std::move(receiver), function = std::move(function)] {
            if (!receiver.expired())
                function();
        });
    }

    /// Runs \a work, which may block, on a thread of Qt's global pool, then \a then with its
    /// result on a later turn of the main loop. Whatever \a then touches may be gone by then, so
    /// it must look first. Main thread.
    template <typename Work, typename Then>
    void runInBackground(Work work, Then then);

private:
    MainThreadRelay() = default;
    Q_INVOKABLE void runPosted();
    // A thread of the pool: runs the oldest function handed to it.
    static void runInPool();

    std::mutex m_mutex;
    std::deque<std::function<void()>> m_posted;
    std::deque<std::function<void()>> m_pooled;
};

template <typename Work, typename Then>
void MainThreadRelay::runInBackground(Work work, Then then)
{
    // Shared, because the work may hold what cannot be copied.
    const auto call = std::make_shared<std::pair<Work, Then>>(std::move(work), std::move(then));
    {
        const std::lock_guard lock(m_mutex);
        m_pooled.push_back([this, call] {
            post([call, result = call->first()]() mutable { call->second(std::move(result)); });
        });
    }
    // The pool gets a function that holds nothing: the work crosses in the queue above, as the
    // class comment says, not in Qt's pool.
    QThreadPool::globalInstance()->start(&MainThreadRelay::runInPool);
}
