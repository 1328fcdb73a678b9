// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "Base/Error.h"

#include <QObject>
#include <QString>
#include <optional>
#include <qcoro/qcorotask.h>
#include <variant>

/// One text waiting for its translation by a pipeline, shared by the session that asked and the
/// pipeline that answers.
///
/// Whoever finishes it first decides its result: the pipeline with the translation or a failure,
/// or the session with a cancellation, after which the pipeline's answer is dropped. Main thread.
class ApertiumRequest : public QObject
{
    Q_OBJECT

public:
    using Result = std::variant<QString, Error>;

    explicit ApertiumRequest(QString text);

    QString text() const { return m_text; }

    /// Whether the request has its result.
    bool isFinished() const { return m_result.has_value(); }

    /// Gives the request \a result, unless it has one already.
    void finish(Result result);

    /// Suspends until the request is finished, and returns its result.
    QCoro::Task<Result> result();

Q_SIGNALS:
    /// The request has its result.
    void finished();

private:
    const QString m_text;
    std::optional<Result> m_result;
};
