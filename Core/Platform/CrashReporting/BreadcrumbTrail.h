// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "Breadcrumb.h"

#include <QJsonArray>
#include <QMutex>
#include <atomic>
#include <memory>

/// The newest breadcrumbs, kept as the JSON that a report carries.
///
/// Each breadcrumb is written once, into a slot of fixed size allocated up front, so that a crash
/// report can copy the trail from a signal handler: no allocation, no lock. Adding takes a lock
/// against other writers only; a slot being written when a crash strikes is left out.
class BreadcrumbTrail
{
public:
    /// Room for one breadcrumb; longer messages are cut to fit.
    static constexpr int slotSize = 4096;

    explicit BreadcrumbTrail(int capacity);
    ~BreadcrumbTrail();

    /// Adds \a breadcrumb; past the capacity the oldest one falls off. Any thread.
    void add(const Breadcrumb &breadcrumb);

    /// The breadcrumbs, oldest first. Any thread.
    QJsonArray toJson() const;

    /// Writes the breadcrumbs, oldest first, as JSON objects separated by commas, through
    /// \a write. Safe in a signal handler when \a write is.
    void writeForCrash(void (*write)(const char *data, size_t length)) const;

    /// The JSON object of one breadcrumb, no larger than a slot.
    static QByteArray serialize(const Breadcrumb &breadcrumb);

private:
    struct Slot
    {
        /// 0 while empty or being written.
        std::atomic<int> length = 0;
        char json[slotSize];
    };

    template <typename Visit>
    void visit(Visit visitSlot) const;

    const int m_capacity;
    std::unique_ptr<Slot[]> m_slots;
    /// How many breadcrumbs were ever added; the newest is in slot (m_added - 1) % capacity.
    std::atomic<quint64> m_added = 0;
    mutable QMutex m_writers;
};
