// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QList>
#include <QtNumeric>
#include <algorithm>

/// The value below which \a share (0 to 1) of \a values lie; not a number when there are none.
inline double percentile(QList<double> values, double share)
{
    if (values.isEmpty())
        return qQNaN();
    std::sort(values.begin(), values.end());
    return values.at(qsizetype(share * double(values.size() - 1)));
}
