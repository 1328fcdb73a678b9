// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QObject>
#include <QString>
#include <optional>

/// A model that tells the user about its failures: an error message, and whether an alert for it
/// is to be shown.
///
/// Every message set is reported to the crash reporter, named after the model's source file; it
/// raises the alert only when the user asked to see errors (the setting showErrors). Clearing the
/// message lowers the alert. The hosting view may set and clear both through its alert. Main
/// thread.
class ErrorReportingModel : public QObject
{
    Q_OBJECT
    Q_PROPERTY(bool shouldShowError READ shouldShowError WRITE setShouldShowError NOTIFY
                   shouldShowErrorChanged)

public:
    std::optional<QString> errorMessage() const { return m_errorMessage; }
    /// Sets the message (none clears it), and raises or lowers the alert as above.
    void setErrorMessage(const std::optional<QString> &message);

    bool shouldShowError() const { return m_shouldShowError; }
    void setShouldShowError(bool show);

Q_SIGNALS:
    void errorMessageChanged();
    void shouldShowErrorChanged();

protected:
    /// \a sourceFile names the model in error reports, such as "Core/ListeningModel".
    explicit ErrorReportingModel(QString sourceFile, QObject *parent = nullptr);

private:
    const QString m_sourceFile;
    std::optional<QString> m_errorMessage;
    bool m_shouldShowError = false;
};
