// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QDateTime>
#include <QString>

/// One step of the trail that travels with the next error report.
struct Breadcrumb
{
    QString level = QStringLiteral("info");
    /// Where the step happened: the file stem, ":" and the method.
    QString category;
    QString message;
    QDateTime timestamp = QDateTime::currentDateTimeUtc();
};
