// SPDX-License-Identifier: GPL-3.0-or-later
#include "PulseSourceReader.h"

#include "AudioTapFeeder.h"

#include <pulse/context.h>
#include <pulse/stream.h>
#include <pulse/subscribe.h>
#include <pulse/thread-mainloop.h>

#include <span>

using namespace std::chrono_literals;

namespace {

// A server that answers at all answers within milliseconds; this only keeps a stuck one from
// holding the capture thread.
constexpr auto openTimeout = 3s;
// Short enough that a level meter moves with the sound and the subtitles wait for no more than a
// spoken syllable's length; long enough not to wake the thread often: at 20 ms, it woke nearly
// twice as often.
constexpr pa_usec_t fragmentTime = 40'000;

/// Holds the loop's lock for a scope.
class LoopLock
{
public:
    explicit LoopLock(pa_threaded_mainloop *loop)
        : m_loop(loop)
    {
        pa_threaded_mainloop_lock(m_loop);
    }
    ~LoopLock() { pa_threaded_mainloop_unlock(m_loop); }
    LoopLock(const LoopLock &) = delete;
    LoopLock &operator=(const LoopLock &) = delete;

private:
    pa_threaded_mainloop *m_loop;
};

} // namespace

PulseSourceReader::PulseSourceReader(QByteArray source, std::shared_ptr<AudioTapFeeder> feeder)
    : m_source(std::move(source))
    , m_feeder(std::move(feeder))
{}

PulseSourceReader::~PulseSourceReader()
{
    stop();
}

QAudio::Error PulseSourceReader::start()
{
    m_loop = pa_threaded_mainloop_new();
    std::future<QAudio::Error> opened = m_opened.get_future();
    {
        const LoopLock lock(m_loop);
        if (!connectStream() || pa_threaded_mainloop_start(m_loop) < 0)
            settle(QAudio::OpenError);
    }
    const QAudio::Error outcome = opened.wait_for(openTimeout) == std::future_status::ready
                                      ? opened.get()
                                      : QAudio::OpenError;
    if (outcome != QAudio::NoError)
        stop();
    return outcome;
}

bool PulseSourceReader::connectStream()
{
    m_context = pa_context_new(pa_threaded_mainloop_get_api(m_loop), "Voxlume");
    if (!m_context)
        return false;
    pa_context_set_state_callback(m_context, &PulseSourceReader::contextStateChanged, this);
    // No autospawn: a server that is not running is a failure to report, not one to start.
    return pa_context_connect(m_context, nullptr, PA_CONTEXT_NOAUTOSPAWN, nullptr) >= 0;
}

void PulseSourceReader::serverEvent(int event, void *reader)
{
    if ((event & PA_SUBSCRIPTION_EVENT_FACILITY_MASK) == PA_SUBSCRIPTION_EVENT_SERVER)
        Q_EMIT static_cast<PulseSourceReader *>(reader)->serverChanged();
}

void PulseSourceReader::contextStateChanged(pa_context *context, void *reader)
{
    auto *self = static_cast<PulseSourceReader *>(reader);
    const pa_context_state_t state = pa_context_get_state(context);
    if (!PA_CONTEXT_IS_GOOD(state)) {
        self->settle(QAudio::FatalError);
        return;
    }
    if (state != PA_CONTEXT_READY || self->m_stream)
        return;
    // Told by the server, rather than asking it over and over, when the default output changes.
    pa_context_set_subscribe_callback(
        context,
        [](pa_context *, pa_subscription_event_type_t event, uint32_t, void *reader) {
            serverEvent(int(event), reader);
        },
        self);
    if (pa_operation *subscription =
            pa_context_subscribe(context, PA_SUBSCRIPTION_MASK_SERVER, nullptr, nullptr))
        pa_operation_unref(subscription);
    // The rate and channels are the source's own (the FIX flags); these only stand in until then.
    const pa_sample_spec placeholder{PA_SAMPLE_FLOAT32NE, 48'000, 2};
    self->m_stream = pa_stream_new(context, "Voxlume", &placeholder, nullptr);
    if (!self->m_stream) {
        self->settle(QAudio::OpenError);
        return;
    }
    pa_stream_set_state_callback(self->m_stream, &PulseSourceReader::streamStateChanged, self);
    pa_stream_set_read_callback(self->m_stream, &PulseSourceReader::readable, self);
    const auto unset = uint32_t(-1);
    const pa_buffer_attr buffering{unset, unset, unset, unset,
                                   uint32_t(pa_usec_to_bytes(fragmentTime, &placeholder))};
    const auto flags = pa_stream_flags_t(PA_STREAM_FIX_RATE | PA_STREAM_FIX_CHANNELS |
                                         PA_STREAM_DONT_MOVE | PA_STREAM_ADJUST_LATENCY);
    if (pa_stream_connect_record(self->m_stream, self->m_source.constData(), &buffering, flags) < 0)
        self->settle(QAudio::OpenError);
}

void PulseSourceReader::streamStateChanged(pa_stream *stream, void *reader)
{
    auto *self = static_cast<PulseSourceReader *>(reader);
    const pa_stream_state_t state = pa_stream_get_state(stream);
    if (state == PA_STREAM_READY) {
        // Before the first samples, which come on this same thread.
        const pa_sample_spec *format = pa_stream_get_sample_spec(stream);
        self->m_feeder->setFormat(int(format->rate), format->channels);
        self->settle(QAudio::NoError);
    } else if (!PA_STREAM_IS_GOOD(state)) {
        self->settle(QAudio::OpenError);
    }
}

void PulseSourceReader::readable(pa_stream *stream, size_t, void *reader)
{
    auto *self = static_cast<PulseSourceReader *>(reader);
    const void *data = nullptr;
    size_t bytes = 0;
    while (pa_stream_readable_size(stream) > 0 && pa_stream_peek(stream, &data, &bytes) == 0) {
        // No data with a size is a hole in the recording: nothing to hand on.
        if (data) {
            self->m_feeder->append(
                std::span(static_cast<const float *>(data), bytes / sizeof(float)));
        }
        if (bytes == 0 || pa_stream_drop(stream) < 0)
            break;
    }
}

void PulseSourceReader::settle(QAudio::Error outcome)
{
    if (!m_settled) {
        m_settled = true;
        m_opened.set_value(outcome);
        return;
    }
    if (outcome != QAudio::NoError)
        Q_EMIT failed(outcome == QAudio::FatalError ? QAudio::FatalError : QAudio::IOError);
}

void PulseSourceReader::stop()
{
    if (!m_loop)
        return;
    {
        const LoopLock lock(m_loop);
        // Our own stop is no failure.
        if (m_stream) {
            pa_stream_set_state_callback(m_stream, nullptr, nullptr);
            pa_stream_set_read_callback(m_stream, nullptr, nullptr);
            pa_stream_disconnect(m_stream);
        }
        if (m_context) {
            pa_context_set_state_callback(m_context, nullptr, nullptr);
            pa_context_disconnect(m_context);
        }
    }
    pa_threaded_mainloop_stop(m_loop);
    if (m_stream)
        pa_stream_unref(m_stream);
    if (m_context)
        pa_context_unref(m_context);
    pa_threaded_mainloop_free(m_loop);
    m_stream = nullptr;
    m_context = nullptr;
    m_loop = nullptr;
}
