// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "SentryDsn.h"

#include <QStringList>

/// How a Sentry client is started.
struct SentryOptions
{
    SentryDsn dsn;
    /// The share of transactions that are traced.
    double tracesSampleRate = 1.0;
    /// Stack frames from modules whose names start with one of these count as the app's own.
    QStringList inAppIncludes;
    /// The release the events belong to, such as "voxlume@1.0.0".
    QString release;
    /// The client's "name/version", sent with every request.
    QString clientName;
    /// Where envelopes wait until they are sent.
    QString cacheDirectory;
    /// Like the service's own SDKs: the trail keeps the newest hundred steps.
    int maxBreadcrumbs = 100;
    /// Envelopes kept on disk at most; the oldest go first.
    int maxQueuedEnvelopes = 30;
};
