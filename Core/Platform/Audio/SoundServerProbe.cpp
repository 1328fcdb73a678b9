// SPDX-License-Identifier: GPL-3.0-or-later
#include "SoundServerProbe.h"

#include <pulse/context.h>
#include <pulse/introspect.h>
#include <pulse/mainloop.h>

#include <climits>
#include <memory>

namespace {

struct ServerInfoQuery
{
    bool answered = false;
    QByteArray defaultSource;
};

void serverInfoReceived(pa_context *, const pa_server_info *info, void *userdata)
{
    auto *query = static_cast<ServerInfoQuery *>(userdata);
    query->answered = true;
    if (info && info->default_source_name)
        query->defaultSource = info->default_source_name;
}

} // namespace

std::optional<QByteArray> SoundServerProbe::defaultSourceName(std::chrono::milliseconds timeout)
{
    using namespace std::chrono;
    const steady_clock::time_point deadline = steady_clock::now() + timeout;

    const std::unique_ptr<pa_mainloop, decltype(&pa_mainloop_free)> loop(pa_mainloop_new(),
                                                                         &pa_mainloop_free);
    const std::unique_ptr<pa_context, decltype(&pa_context_unref)> context(
        pa_context_new(pa_mainloop_get_api(loop.get()), "Voxlume"), &pa_context_unref);
    // No autospawn: a server that is not running is what the caller wants to know about.
    if (!context || pa_context_connect(context.get(), nullptr, PA_CONTEXT_NOAUTOSPAWN, nullptr) < 0)
        return std::nullopt;

    ServerInfoQuery query;
    std::unique_ptr<pa_operation, decltype(&pa_operation_unref)> operation(nullptr,
                                                                           &pa_operation_unref);
    while (!query.answered && PA_CONTEXT_IS_GOOD(pa_context_get_state(context.get()))) {
        if (!operation && pa_context_get_state(context.get()) == PA_CONTEXT_READY)
            operation.reset(pa_context_get_server_info(context.get(), &serverInfoReceived, &query));
        const auto left = duration_cast<microseconds>(deadline - steady_clock::now()).count();
        if (left <= 0 ||
            pa_mainloop_prepare(loop.get(), int(std::min<qint64>(left, INT_MAX))) < 0 ||
            pa_mainloop_poll(loop.get()) < 0 || pa_mainloop_dispatch(loop.get()) < 0)
            break;
    }

    if (operation && pa_operation_get_state(operation.get()) == PA_OPERATION_RUNNING)
        pa_operation_cancel(operation.get());
    pa_context_disconnect(context.get());
    if (!query.answered)
        return std::nullopt;
    return query.defaultSource;
}
