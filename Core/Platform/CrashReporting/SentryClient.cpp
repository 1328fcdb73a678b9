// SPDX-License-Identifier: GPL-3.0-or-later
#include "SentryClient.h"

#include "Base/Error.h"
#include "CrashHandler.h"
#include "SentryEvent.h"
#include "SentryTransport.h"

#include <QCoreApplication>

namespace {

// Frames of the reporting machinery itself (this method and the logging call above it) say
// nothing about where the error arose.
constexpr int reportingFrames = 2;

} // namespace

SentryClient::SentryClient(SentryOptions options)
    : m_options(std::move(options))
    , m_queue(m_options.cacheDirectory, m_options.maxQueuedEnvelopes)
    , m_trail(m_options.maxBreadcrumbs)
{
    CrashHandler::install(m_options, &m_trail);
    if (!QCoreApplication::instance())
        return;
    m_thread.setObjectName(QStringLiteral("Crash reports"));
    m_transport = new SentryTransport(m_options.dsn, m_options.clientName, m_queue);
    m_transport->moveToThread(&m_thread);
    QObject::connect(&m_thread, &QThread::finished, m_transport, &QObject::deleteLater);
    m_thread.start(QThread::LowPriority);
    sendPending();
}

SentryClient::~SentryClient()
{
    CrashHandler::uninstall(&m_trail);
    close();
}

void SentryClient::addBreadcrumb(const Breadcrumb &breadcrumb)
{
    m_trail.add(breadcrumb);
}

void SentryClient::captureError(const Error &error)
{
    const SentryEvent event(error, m_trail.toJson(), StackTrace::capture(reportingFrames),
                            m_options);
    if (!m_queue.store(event.envelope(m_options.dsn))) {
        qWarning("Crash report could not be written to %s", qPrintable(m_queue.directory()));
        return;
    }
    sendPending();
}

void SentryClient::close()
{
    if (!m_thread.isRunning())
        return;
    // A send cut short here is not lost: its envelope is still in the queue.
    m_thread.quit();
    m_thread.wait();
    m_transport = nullptr;
}

void SentryClient::sendPending()
{
    if (m_transport && m_thread.isRunning())
        QMetaObject::invokeMethod(m_transport, &SentryTransport::sendPending, Qt::QueuedConnection);
}
