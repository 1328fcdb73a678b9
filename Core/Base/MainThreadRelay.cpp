// SPDX-License-Identifier: GPL-3.0-or-later
#include "MainThreadRelay.h"

MainThreadRelay &MainThreadRelay::instance()
{
    static auto *relay = new MainThreadRelay;
    return *relay;
}

void MainThreadRelay::post(std::function<void()> function)
{
    {
        const std::lock_guard lock(m_mutex);
        m_posted.push_back(std::move(function));
    }
    // By name: the queued call then holds no object made here for the main thread to read.
    QMetaObject::invokeMethod(this, "runPosted", Qt::QueuedConnection);
}

void MainThreadRelay::runPosted()
{
    std::function<void()> function;
    {
        const std::lock_guard lock(m_mutex);
        if (m_posted.empty())
            return;
        function = std::move(m_posted.front());
        m_posted.pop_front();
    }
    function();
}

void MainThreadRelay::runInPool()
{
    MainThreadRelay &relay = instance();
    std::function<void()> function;
    {
        const std::lock_guard lock(relay.m_mutex);
        // One function for each start of the pool, so that there is always one.
        function = std::move(relay.m_pooled.front());
        relay.m_pooled.pop_front();
    }
    function();
}
