// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "AudioSourceReader.h"

#include <QByteArray>
#include <future>
#include <memory>

class AudioTapFeeder;
struct pa_context;
struct pa_stream;
struct pa_threaded_mainloop;

/// Reads one source of the sound server by its name through libpulse: for the sources that Qt
/// Multimedia does not list, the monitors of the outputs.
///
/// The samples come as floats in the source's own rate and channel count, on a thread of
/// libpulse's, which hands them to the feeder. The recording is never moved to another source: a
/// source that goes away is a failure.
class PulseSourceReader : public AudioSourceReader
{
    Q_OBJECT

public:
    /// Reads the source named \a source into \a feeder.
    PulseSourceReader(QByteArray source, std::shared_ptr<AudioTapFeeder> feeder);
    ~PulseSourceReader() override;

    /// Blocks until the source records or refuses, for a few seconds at the most.
    QAudio::Error start() override;
    void stop() override;

private:
    /// Connects to the server and asks for the recording; false when that fails at once. Under the
    /// loop's lock.
    bool connectStream();
    /// Sets the opening's outcome once; a failure after it is reported as one. libpulse's thread.
    void settle(QAudio::Error outcome);

    static void contextStateChanged(pa_context *context, void *reader);
    static void streamStateChanged(pa_stream *stream, void *reader);
    static void readable(pa_stream *stream, size_t bytes, void *reader);
    /// The server reported \a event, a pa_subscription_event_type_t. libpulse's thread.
    static void serverEvent(int event, void *reader);

    const QByteArray m_source;
    const std::shared_ptr<AudioTapFeeder> m_feeder;
    pa_threaded_mainloop *m_loop = nullptr;
    pa_context *m_context = nullptr;
    pa_stream *m_stream = nullptr;
    std::promise<QAudio::Error> m_opened;
    bool m_settled = false;
};
