// SPDX-License-Identifier: GPL-3.0-or-later
#include "Logging.h"

#include "BuildConfig.h"
#include "CharacterSequence.h"
#include "Platform/CrashReporting/SentryClient.h"

#include <QCoreApplication>
#include <QFileInfo>

using namespace Qt::Literals::StringLiterals;

Logging &Logging::shared()
{
    static Logging *const log = [] {
        const std::optional<SentryOptions> options =
            SentryClient::optionsFor(QStringLiteral(VOXLUME_SENTRY_DSN));
        auto *created =
            new Logging(options ? std::make_unique<SentryClient>(*options) : nullptr, stdout);
        // The log lives to the end of the process, but its sending thread must end with the
        // application object it relies on.
        if (QCoreApplication::instance())
            qAddPostRoutine([] {
                if (shared().m_reporter)
                    shared().m_reporter->close();
            });
        return created;
    }();
    return *log;
}

Logging::Logging(std::unique_ptr<CrashReporter> reporter, FILE *echo)
    : m_reporter(std::move(reporter))
    , m_echo(echo)
{}

Logging::~Logging() = default;

void Logging::logError(const Error &error, const std::optional<QVariantMap> &additionalUserInfo)
{
    writeLine(u"Error: "_s + error.description());
    if (!m_reporter)
        return;
    QVariantMap userInfo = error.userInfo();
    userInfo.insert(u"domain"_s, error.domain());
    userInfo.insert(u"code"_s, error.code());
    if (additionalUserInfo)
        userInfo.insert(*additionalUserInfo);
    m_reporter->captureError(Error(error.domain(), error.code(), userInfo));
}

void Logging::logErrorMessage(const QString &message, const QString &file,
                              const QString &methodName, unsigned line)
{
    logError(Error::fromMessage(message, locationLabel(file, methodName), line));
}

void Logging::logBreadcrumb(const QString &message, const QString &file, const QString &methodName,
                            unsigned line)
{
    const QString label = locationLabel(file, methodName);
    if (m_reporter)
        m_reporter->addBreadcrumb({.level = u"info"_s, .category = label, .message = message});
    writeLine(u"Breadcrumb: %1 from %2 at line %3"_s.arg(message, label, QString::number(line)));
}

void Logging::breadcrumb(const QString &message, SourceLocation where)
{
    logBreadcrumb(message, QString::fromUtf8(where.file_name()), functionLabel(where),
                  where.line());
}

void Logging::errorMessage(const QString &message, SourceLocation where)
{
    logErrorMessage(message, QString::fromUtf8(where.file_name()), functionLabel(where),
                    where.line());
}

QString Logging::excerpt(const QString &text)
{
    // Enough for the words around the newest splice.
    constexpr qsizetype kept = 300;
    const QString count = u"(%1 characters) "_s.arg(CharacterSequence::count(text));
    if (text.size() <= kept)
        return count + text;
    qsizetype start = text.size() - kept;
    if (text.at(start).isLowSurrogate())
        ++start;
    return count + u"…"_s + text.mid(start);
}

QString Logging::locationLabel(const QString &file, const QString &methodName)
{
    return QFileInfo(file).completeBaseName() + u':' + methodName;
}

QString Logging::functionLabel(const SourceLocation &where)
{
    // The compiler's text reads "QCoro::Task<> ListeningModel::start(quint64)", or for a lambda
    // "ListeningModel::ListeningModel(...)::<lambda(const QString&)>": the name is what precedes
    // the first bracket outside template arguments, after its last scope.
    const std::string_view text = where.function_name();
    int depth = 0;
    std::size_t end = 0;
    for (; end < text.size(); ++end) {
        if (text[end] == '<')
            ++depth;
        else if (text[end] == '>')
            --depth;
        else if (text[end] == '(' && depth == 0)
            break;
    }
    const std::string_view qualified = text.substr(0, end);
    const std::size_t scope = qualified.rfind("::");
    std::string_view name =
        scope == std::string_view::npos ? qualified : qualified.substr(scope + 2);
    if (const std::size_t space = name.rfind(' '); space != std::string_view::npos)
        name = name.substr(space + 1);
    return QString::fromUtf8(name.data(), qsizetype(name.size())) + u"()"_s;
}

void Logging::writeLine(const QString &line)
{
    // One write per line, so that lines from several threads interleave but never mix.
    const QByteArray bytes = (line + u'\n').toUtf8();
    std::fwrite(bytes.constData(), 1, size_t(bytes.size()), m_echo);
    std::fflush(m_echo);
}
