// SPDX-License-Identifier: GPL-3.0-or-later
#include "SentryClient.h"

#include "Error.h"
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
    , m_queue(m_options.cacheDirectory, m_options.maxQueuedEnvelopes) {
    if (!QCoreApplication::instance())
        return;
    m_thread.setObjectName(QStringLiteral("Crash reports"));
    m_transport = new SentryTransport(m_options.dsn, m_options.clientName, m_queue);
    m_transport->moveToThread(&m_thread);
    QObject::connect(&m_thread, &QThread::finished, m_transport, &QObject::deleteLater);
    m_thread.start(QThread::LowPriority);
    sendPending();
}

SentryClient::~SentryClient() {
    close();
}

void SentryClient::addBreadcrumb(const Breadcrumb &breadcrumb) {
    const QMutexLocker lock(&m_mutex);
    m_breadcrumbs.push_back(breadcrumb);
    while (m_breadcrumbs.size() > size_t(std::max(m_options.maxBreadcrumbs, 0)))
        m_breadcrumbs.pop_front();
}

void SentryClient::captureError(const Error &error) {
    QList<Breadcrumb> trail;
    {
        const QMutexLocker lock(&m_mutex);
        trail = QList<Breadcrumb>(m_breadcrumbs.cbegin(), m_breadcrumbs.cend());
    }
    const SentryEvent event(error, trail, StackTrace::capture(reportingFrames), m_options);
    if (!m_queue.store(event.envelope(m_options.dsn))) {
        qWarning("Crash report could not be written to %s", qPrintable(m_queue.directory()));
        return;
    }
    sendPending();
}

void SentryClient::close() {
    if (!m_thread.isRunning())
        return;
    // A send cut short here is not lost: its envelope is still in the queue.
    m_thread.quit();
    m_thread.wait();
    m_transport = nullptr;
}

void SentryClient::sendPending() {
    if (m_transport && m_thread.isRunning())
        QMetaObject::invokeMethod(m_transport, &SentryTransport::sendPending, Qt::QueuedConnection);
}
