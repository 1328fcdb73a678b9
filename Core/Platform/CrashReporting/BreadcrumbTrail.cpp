// SPDX-License-Identifier: GPL-3.0-or-later
#include "BreadcrumbTrail.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <cstring>

using namespace Qt::Literals::StringLiterals;

BreadcrumbTrail::BreadcrumbTrail(int capacity)
    : m_capacity(std::max(capacity, 1))
    , m_slots(std::make_unique<Slot[]>(size_t(m_capacity)))
{}

BreadcrumbTrail::~BreadcrumbTrail() = default;

void BreadcrumbTrail::add(const Breadcrumb &breadcrumb)
{
    const QByteArray json = serialize(breadcrumb);
    const QMutexLocker lock(&m_writers);
    const quint64 index = m_added.load(std::memory_order_relaxed);
    Slot &slot = m_slots[index % quint64(m_capacity)];
    slot.length.store(0, std::memory_order_release);
    m_added.store(index + 1, std::memory_order_release);
    std::memcpy(slot.json, json.constData(), size_t(json.size()));
    slot.length.store(int(json.size()), std::memory_order_release);
}

template <typename Visit>
void BreadcrumbTrail::visit(Visit visitSlot) const
{
    const quint64 added = m_added.load(std::memory_order_acquire);
    const quint64 first = added > quint64(m_capacity) ? added - quint64(m_capacity) : 0;
    for (quint64 i = first; i < added; ++i) {
        const Slot &slot = m_slots[i % quint64(m_capacity)];
        const int length = slot.length.load(std::memory_order_acquire);
        if (length > 0)
            visitSlot(slot.json, size_t(length));
    }
}

QJsonArray BreadcrumbTrail::toJson() const
{
    const QMutexLocker lock(&m_writers);
    QJsonArray trail;
    visit([&](const char *json, size_t length) {
        trail.append(QJsonDocument::fromJson(QByteArray(json, qsizetype(length))).object());
    });
    return trail;
}

void BreadcrumbTrail::writeForCrash(void (*write)(const char *, size_t)) const
{
    bool first = true;
    visit([&](const char *json, size_t length) {
        if (!first)
            write(",", 1);
        write(json, length);
        first = false;
    });
}

QByteArray BreadcrumbTrail::serialize(const Breadcrumb &breadcrumb)
{
    QString message = breadcrumb.message;
    for (;;) {
        const QJsonObject object{
            {u"type"_s, u"default"_s},
            {u"level"_s, breadcrumb.level},
            {u"category"_s, breadcrumb.category.left(256)},
            {u"message"_s, message},
            {u"timestamp"_s, breadcrumb.timestamp.toUTC().toString(Qt::ISODateWithMs)}};
        const QByteArray json = QJsonDocument(object).toJson(QJsonDocument::Compact);
        if (json.size() <= slotSize)
            return json;
        // Escapes make the JSON longer than the text: cut by what is over, and a little more.
        qsizetype keep = std::max<qsizetype>(message.size() - (json.size() - slotSize) - 16, 0);
        if (keep > 0 && message.at(keep - 1).isHighSurrogate())
            --keep;
        message.truncate(keep);
        message.append(u'…');
    }
}
