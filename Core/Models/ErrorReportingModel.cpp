// SPDX-License-Identifier: GPL-3.0-or-later
#include "ErrorReportingModel.h"

#include "Base/Logging.h"
#include "Platform/Settings/SettingsKeys.h"

using namespace Qt::Literals::StringLiterals;

ErrorReportingModel::ErrorReportingModel(QString sourceFile, QObject *parent)
    : QObject(parent)
    , m_sourceFile(std::move(sourceFile))
{}

void ErrorReportingModel::setErrorMessage(const std::optional<QString> &message, Alert alert)
{
    m_errorMessage = message;
    Q_EMIT errorMessageChanged();
    if (!message) {
        setShouldShowError(false);
        return;
    }
    if (alert == Alert::Always || Setting(SettingsKeys::showErrors).value())
        setShouldShowError(true);
    Logging::shared().logErrorMessage(*message, m_sourceFile, u"_errorMessage"_s,
                                      SourceLocation::current().line());
}

void ErrorReportingModel::setShouldShowError(bool show)
{
    if (m_shouldShowError == show)
        return;
    m_shouldShowError = show;
    Q_EMIT shouldShowErrorChanged();
}
