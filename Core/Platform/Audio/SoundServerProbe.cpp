// SPDX-License-Identifier: GPL-3.0-or-later
#include "SoundServerProbe.h"

#include <pulse/context.h>
#include <pulse/introspect.h>
#include <pulse/mainloop.h>

#include <climits>
#include <memory>

namespace {

struct Query
{
    bool serverAnswered = false;
    bool sourcesAnswered = false;
    SoundServerProbe::Answer answer;

    bool isAnswered() const { return serverAnswered && sourcesAnswered; }
};

void serverInfoReceived(pa_context *, const pa_server_info *info, void *userdata)
{
    auto *query = static_cast<Query *>(userdata);
    query->serverAnswered = true;
    if (info && info->default_source_name)
        query->answer.defaultSource = info->default_source_name;
    if (info && info->default_sink_name)
        query->answer.defaultSink = info->default_sink_name;
}

void sourceInfoReceived(pa_context *, const pa_source_info *info, int endOfList, void *userdata)
{
    auto *query = static_cast<Query *>(userdata);
    // Negative: the list failed part-way; what came is kept rather than waited for in vain.
    if (endOfList != 0 || !info) {
        query->sourcesAnswered = true;
        return;
    }
    query->answer.sources.append({info->name, QString::fromUtf8(info->description),
                                  info->monitor_of_sink != PA_INVALID_INDEX});
}

using Operation = std::unique_ptr<pa_operation, decltype(&pa_operation_unref)>;

void cancel(const Operation &operation)
{
    if (operation && pa_operation_get_state(operation.get()) == PA_OPERATION_RUNNING)
        pa_operation_cancel(operation.get());
}

} // namespace

std::optional<SoundServerProbe::Answer> SoundServerProbe::ask(std::chrono::milliseconds timeout)
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

    Query query;
    Operation serverInfo(nullptr, &pa_operation_unref);
    Operation sources(nullptr, &pa_operation_unref);
    while (!query.isAnswered() && PA_CONTEXT_IS_GOOD(pa_context_get_state(context.get()))) {
        if (!serverInfo && pa_context_get_state(context.get()) == PA_CONTEXT_READY) {
            serverInfo.reset(
                pa_context_get_server_info(context.get(), &serverInfoReceived, &query));
            sources.reset(
                pa_context_get_source_info_list(context.get(), &sourceInfoReceived, &query));
        }
        const auto left = duration_cast<microseconds>(deadline - steady_clock::now()).count();
        if (left <= 0 ||
            pa_mainloop_prepare(loop.get(), int(std::min<qint64>(left, INT_MAX))) < 0 ||
            pa_mainloop_poll(loop.get()) < 0 || pa_mainloop_dispatch(loop.get()) < 0)
            break;
    }

    cancel(serverInfo);
    cancel(sources);
    pa_context_disconnect(context.get());
    if (!query.isAnswered())
        return std::nullopt;
    return query.answer;
}
