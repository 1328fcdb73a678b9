// SPDX-License-Identifier: GPL-3.0-or-later
#include "ApertiumRequest.h"

#include <qcoro/qcorosignal.h>

ApertiumRequest::ApertiumRequest(QString text)
    : m_text(std::move(text))
{}

void ApertiumRequest::finish(Result result)
{
    if (m_result)
        return;
    m_result = std::move(result);
    Q_EMIT finished();
}

QCoro::Task<ApertiumRequest::Result> ApertiumRequest::result()
{
    if (!m_result)
        co_await qCoro(this, &ApertiumRequest::finished);
    co_return *m_result;
}
