// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QObject>
#include <QString>
#include <optional>

/// A model that tells the user about its failures: an error message, and whether an alert for it
/// is to be shown.
///
/// Every message set is reported to the crash reporter, named after the model's source file. A
/// report raises the alert only when the user asked to see errors (the setting showErrors); a
/// failure that leaves the user without what they asked for raises it always. Clearing the
/// message lowers the alert. The hosting view may set and clear both through its alert. Main
/// thread.
class ErrorReportingModel : public QObject
{
    Q_OBJECT
    Q_PROPERTY(bool shouldShowError READ shouldShowError WRITE setShouldShowError NOTIFY
                   shouldShowErrorChanged)

public:
    /// When a message raises the alert.
    enum class Alert {
        /// Only when the user asked to see errors: a report of what went wrong on the way.
        IfErrorsShown,
        /// Always: nothing else on screen would tell the user that what they asked for failed.
        Always,
    };

    std::optional<QString> errorMessage() const { return m_errorMessage; }
    /// Sets the message (none clears it), and raises the alert as \a alert says, or lowers it.
    void setErrorMessage(const std::optional<QString> &message, Alert alert = Alert::IfErrorsShown);

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
