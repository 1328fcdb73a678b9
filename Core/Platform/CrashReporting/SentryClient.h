// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "BreadcrumbTrail.h"
#include "CrashReporter.h"
#include "EnvelopeQueue.h"
#include "SentryOptions.h"

#include <QThread>

class SentryTransport;

/// A crash reporter that speaks the Sentry protocol: breadcrumbs gather in a bounded trail, and
/// each captured error goes to the service as an event in an envelope, with the trail and the
/// stack of the capturing thread. A crash of the process is reported the same way, by the crash
/// handler, at the next start.
///
/// Envelopes are written to the on-disk queue first and sent from a thread of the client's own;
/// whatever an earlier run could not send goes out when the client starts. Sending needs a
/// QCoreApplication; without one, envelopes only wait on disk.
class SentryClient final : public CrashReporter
{
public:
    explicit SentryClient(SentryOptions options);
    /// How this program's reporting starts with \a dsn (the build's, for the shared log), or none
    /// when \a dsn is empty or not valid.
    static std::optional<SentryOptions> optionsFor(const QString &dsn);
    ~SentryClient() override;

    const SentryOptions &options() const { return m_options; }

    void addBreadcrumb(const Breadcrumb &breadcrumb) override;
    void captureError(const Error &error) override;
    void close() override;

private:
    void sendPending();

    const SentryOptions m_options;
    EnvelopeQueue m_queue;
    BreadcrumbTrail m_trail;
    QThread m_thread;
    SentryTransport *m_transport = nullptr;
};
