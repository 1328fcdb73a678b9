// SPDX-License-Identifier: GPL-3.0-or-later
#include "SentryClient.h"

#include "Base/Error.h"
#include "BuildConfig.h"
#include "CrashHandler.h"
#include "SentryEvent.h"
#include "SentryTransport.h"

#include <QCoreApplication>
#include <QStandardPaths>

using namespace Qt::Literals::StringLiterals;

namespace {

// Frames of the reporting machinery itself (this method and the logging call above it) say
// nothing about where the error arose.
constexpr int reportingFrames = 2;

} // namespace

std::optional<SentryOptions> SentryClient::optionsFor(const QString &dsnText)
{
    if (dsnText.isEmpty())
        return std::nullopt;
    std::optional<SentryDsn> dsn = SentryDsn::parse(dsnText);
    if (!dsn) {
        qWarning("Crash reporting is off: the DSN is not valid");
        return std::nullopt;
    }
    return SentryOptions{
        .dsn = *std::move(dsn),
        .tracesSampleRate = 1.0,
        .inAppIncludes = {u"VoxlumeCore"_s},
        .release = u"voxlume@"_s + QStringLiteral(VOXLUME_VERSION),
        .clientName = u"voxlume.sentry/"_s + QStringLiteral(VOXLUME_VERSION),
        .cacheDirectory = QStandardPaths::writableLocation(QStandardPaths::GenericCacheLocation) +
                          u"/Voxlume/crash-reports"_s,
    };
}

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
