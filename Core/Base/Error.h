// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>
#include <QVariantMap>

/// An error value with a domain, a code and a map of user information, as platform services
/// and the models report them.
///
/// The domain names where the error arose, the code tells errors of one domain apart, and the user
/// information carries the rest; its entry under localizedDescriptionKey is the text for the user.
class Error
{
public:
    /// The user-information key whose text is shown to the user.
    static inline const QString localizedDescriptionKey = QStringLiteral("localizedDescription");

    Error(QString domain, qint64 code, QVariantMap userInfo = {});

    /// An error whose user information holds only \a message as its localized description.
    static Error fromMessage(const QString &message, const QString &domain, qint64 code);

    QString domain() const { return m_domain; }
    qint64 code() const { return m_code; }
    QVariantMap userInfo() const { return m_userInfo; }

    /// The text for the user: the localized description in the user information, or a general
    /// sentence naming the domain and the code when there is none.
    QString localizedDescription() const;

    /// A one-line description for logs, naming the domain, the code, the description and the
    /// user information.
    QString description() const;

    friend bool operator==(const Error &, const Error &) = default;

private:
    QString m_domain;
    qint64 m_code;
    QVariantMap m_userInfo;
};
