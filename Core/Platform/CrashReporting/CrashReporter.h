// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "Breadcrumb.h"

class Error;

/// A crash-reporting service: keeps a trail of breadcrumbs and sends captured errors with it.
///
/// Every method may be called from any thread. Failures stay inside: the caller is never told.
class CrashReporter
{
public:
    virtual ~CrashReporter() = default;

    /// Adds \a breadcrumb to the trail; the oldest ones fall off past the service's limit.
    virtual void addBreadcrumb(const Breadcrumb &breadcrumb) = 0;

    /// Reports \a error with the trail so far.
    virtual void captureError(const Error &error) = 0;

    /// Stops sending; what was not sent yet is kept for the next start. Called before the
    /// application object goes away.
    virtual void close() {}
};
