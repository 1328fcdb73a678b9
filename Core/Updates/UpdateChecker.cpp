// SPDX-License-Identifier: GPL-3.0-or-later
#include "UpdateChecker.h"

#include "Base/Logging.h"
#include "Base/MainThreadRelay.h"
#include "BuildConfig.h"
#include "Platform/PackageKit/PackageInstaller.h"
#include "Platform/Settings/SettingsKeys.h"
#include "ReleaseNotes.h"
#include "UpdateDownload.h"
#include "VersionComparison.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QDesktopServices>
#include <QFile>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QStandardPaths>
#include <QTextDocument>
#include <QTimer>

using namespace Qt::Literals::StringLiterals;

namespace {

constexpr int feedTimeoutMs = 30'000;
// A feed or its release notes are read whole into memory; real ones are a few hundred kilobytes.
constexpr qint64 maxFeedBytes = 4 * 1024 * 1024;
const char *const tooLargeProperty = "voxlumeTooLarge";
const char *const lateProperty = "voxlumeLate";

bool wasTooLarge(const QNetworkReply *reply)
{
    return reply->property(tooLargeProperty).toBool();
}

bool wasLate(const QNetworkReply *reply)
{
    return reply->property(lateProperty).toBool();
}

bool isWebPage(const QUrl &url)
{
    return url.isValid() && !url.host().isEmpty() &&
           (url.scheme() == u"https" || url.scheme() == u"http");
}

bool isNoPackageKit(const Error &error)
{
    return error.domain() == PackageInstaller::errorDomain() &&
           error.code() == PackageInstaller::Unavailable;
}

} // namespace

UpdateChecker::Configuration UpdateChecker::Configuration::fromBuild()
{
    const QString version = QCoreApplication::applicationVersion();
    Configuration configuration;
    configuration.feed = QUrl(QStringLiteral(VOXLUME_UPDATE_FEED));
    configuration.publicKey = QByteArrayLiteral(VOXLUME_UPDATE_PUBLIC_KEY);
    configuration.currentVersion = version.isEmpty() ? QStringLiteral(VOXLUME_VERSION) : version;
    configuration.downloadDirectory =
        QStandardPaths::writableLocation(QStandardPaths::CacheLocation) + u"/updates"_s;
    configuration.openUrl = [](const QUrl &url) { return QDesktopServices::openUrl(url); };
    return configuration;
}

UpdateChecker::UpdateChecker(Configuration configuration, QObject *parent)
    : QObject(parent)
    , m_configuration(std::move(configuration))
    , m_network(new QNetworkAccessManager(this))
{}

UpdateChecker::~UpdateChecker() = default;

void UpdateChecker::checkForUpdates()
{
    startCheck(false);
}

void UpdateChecker::checkInBackground()
{
    // A result on screen is the user's until they put it away.
    if (m_state == State::Idle)
        startCheck(true);
}

void UpdateChecker::startCheck(bool quiet)
{
    if (m_state == State::Checking) {
        m_quiet = m_quiet && quiet;
        return;
    }
    if (m_state == State::Downloading || m_state == State::Installing) {
        Q_EMIT attentionNeeded();
        return;
    }
    m_quiet = quiet;
    if (!hasFeed()) {
        conclude(State::ManagedBySystem);
        return;
    }
    if (!Appcast::isFetchable(m_configuration.feed)) {
        fail(tr("The update feed's address is not an https address: %1")
                 .arg(m_configuration.feed.toDisplayString()));
        return;
    }
    Logging::shared().breadcrumb(u"Checking for updates"_s);
    // Checking first: whoever the stored time wakes finds a check under way.
    setState(State::Checking);
    Setting(SettingsKeys::lastUpdateCheck)
        .setValue(QDateTime::currentDateTimeUtc().toString(Qt::ISODate));
    m_checkDeadline = QDeadlineTimer(m_configuration.checkDeadline);
    QNetworkReply *reply = fetch(m_configuration.feed);
    connect(reply, &QNetworkReply::finished, this, [this, reply] { takeFeed(reply); });
}

QNetworkReply *UpdateChecker::fetch(const QUrl &url)
{
    QNetworkRequest request(url);
    request.setHeader(QNetworkRequest::UserAgentHeader, u"Voxlume/"_s + currentVersion());
    request.setTransferTimeout(feedTimeoutMs);
    QNetworkReply *reply = m_network->get(request);
    // The transfer timeout restarts with every byte; the check's deadline does not.
    QTimer::singleShot(
        std::chrono::ceil<std::chrono::milliseconds>(m_checkDeadline.remainingTimeAsDuration()),
        reply, [reply] {
            reply->setProperty(lateProperty, true);
            reply->abort();
        });
    connect(reply, &QNetworkReply::downloadProgress, reply, [reply](qint64 received, qint64) {
        if (received <= maxFeedBytes)
            return;
        reply->setProperty(tooLargeProperty, true);
        reply->abort();
    });
    return reply;
}

void UpdateChecker::takeFeed(QNetworkReply *reply)
{
    reply->deleteLater();
    if (wasTooLarge(reply)) {
        fail(tr("The update server's answer is larger than %1 MB, so it is not an update feed.")
                 .arg(maxFeedBytes / (1024 * 1024)));
        return;
    }
    if (wasLate(reply)) {
        fail(tr("The update server did not send its update feed within %1 seconds.")
                 .arg(std::chrono::ceil<std::chrono::seconds>(m_configuration.checkDeadline)
                          .count()));
        return;
    }
    const int status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    if (status >= 400) {
        fail(tr("The update server has no update feed at %1 (HTTP status %2).")
                 .arg(m_configuration.feed.toDisplayString())
                 .arg(status));
        return;
    }
    if (reply->error() != QNetworkReply::NoError) {
        fail(tr("Voxlume could not reach the update server: %1.").arg(reply->errorString()));
        return;
    }
    const auto parsed = Appcast::parse(reply->readAll());
    if (const auto *reason = std::get_if<QString>(&parsed)) {
        fail(tr("The update server's answer is not an update feed: %1.").arg(*reason));
        return;
    }
    const std::optional<Appcast::Item> newest = std::get<Appcast>(parsed).newestUsableItem();
    if (!newest) {
        fail(tr("The update feed offers no version of Voxlume that this computer can install."));
        return;
    }
    if (compareVersions(newest->version, currentVersion()) <= 0) {
        conclude(State::UpToDate);
        return;
    }
    if (m_quiet && compareVersions(newest->version,
                                   Setting(SettingsKeys::skippedUpdateVersion).value()) == 0) {
        conclude(State::Idle);
        return;
    }
    m_update = *newest;
    if (m_update.releaseNotes.isEmpty() && Appcast::isFetchable(m_update.releaseNotesLink)) {
        QNetworkReply *notes = fetch(m_update.releaseNotesLink);
        connect(notes, &QNetworkReply::finished, this, [this, notes] { takeReleaseNotes(notes); });
        return;
    }
    offerUpdate();
}

void UpdateChecker::takeReleaseNotes(QNetworkReply *reply)
{
    reply->deleteLater();
    if (reply->error() == QNetworkReply::NoError) {
        const QString text = QString::fromUtf8(reply->readAll());
        const bool plain = reply->header(QNetworkRequest::ContentTypeHeader)
                               .toString()
                               .startsWith(u"text/plain"_s);
        m_update.releaseNotes = plain ? Qt::convertFromPlainText(text, Qt::WhiteSpaceNormal) : text;
    } else {
        m_update.releaseNotes = notesByLink();
    }
    offerUpdate();
}

QString UpdateChecker::notesByLink() const
{
    if (!Appcast::isFetchable(m_update.releaseNotesLink))
        return u"<p>"_s + tr("The release notes are too long to show here.") + u"</p>"_s;
    const QString link = m_update.releaseNotesLink.toString().toHtmlEscaped();
    return u"<p>"_s + tr("The release notes are at %1.").arg(u"<a href=\"%1\">%1</a>"_s.arg(link)) +
           u"</p>"_s;
}

void UpdateChecker::offerUpdate()
{
    // Reduced off the main thread: hostile notes cost time in proportion to their size.
    MainThreadRelay::instance().runInBackground(
        [notes = m_update.releaseNotes] { return ReleaseNotes::flatten(notes); },
        [this, alive = QPointer(this),
         version = m_update.version](const std::optional<QString> &flat) {
            if (!alive || m_state != State::Checking || m_update.version != version)
                return;
            m_update.releaseNotes = flat ? *flat : notesByLink();
            Logging::shared().breadcrumb(u"Found version "_s + m_update.version);
            conclude(State::UpdateAvailable, true);
        });
}

void UpdateChecker::installUpdate()
{
    if (m_state != State::UpdateAvailable)
        return;
    m_quiet = false;
    // PackageKit installs Debian packages only; anything else is the release page's to explain.
    if (m_configuration.publicKey.isEmpty() || !m_update.enclosureUrl.path().endsWith(u".deb"_s)) {
        openReleasePage();
        return;
    }
    startDownload();
}

void UpdateChecker::startDownload()
{
    Logging::shared().breadcrumb(u"Downloading "_s + m_update.enclosureUrl.toDisplayString());
    setPercent(-1);
    setState(State::Downloading);
    m_download = new UpdateDownload(*m_network, m_update, m_configuration.publicKey,
                                    m_configuration.downloadDirectory, this);
    connect(m_download, &UpdateDownload::progressChanged, this, &UpdateChecker::setPercent);
    connect(m_download, &UpdateDownload::finished, this, &UpdateChecker::downloaded);
    m_download->start();
}

void UpdateChecker::downloaded()
{
    UpdateDownload *download = m_download;
    m_download = nullptr;
    download->deleteLater();
    if (!download->errorMessage().isEmpty()) {
        fail(download->errorMessage());
        return;
    }
    Logging::shared().breadcrumb(u"Checked "_s + download->filePath() +
                                 u"; handing it to PackageKit"_s);
    handOver(download->filePath());
}

QCoro::Task<> UpdateChecker::handOver(QString path)
{
    const QPointer<UpdateChecker> self(this);
    setPercent(-1);
    setState(State::Installing);
    // In the coroutine's frame, so that it lasts as long as the installation, whatever becomes of
    // the checker.
    PackageInstaller installer(PackageInstaller::busAt(m_configuration.packageKitBusAddress));
    const std::optional<Error> error =
        co_await installer.installFiles(QStringList(1, path), progressReporter());
    QFile::remove(path);
    if (self)
        self->installed(error);
}

std::function<void(int)> UpdateChecker::progressReporter()
{
    return [self = QPointer(this)](int percent) {
        if (self)
            self->setPercent(percent);
    };
}

void UpdateChecker::installed(const std::optional<Error> &error)
{
    if (!error) {
        conclude(State::Installed);
        return;
    }
    if (isNoPackageKit(*error)) {
        openReleasePage();
        return;
    }
    fail(tr("The update could not be installed: %1").arg(error->localizedDescription()));
}

void UpdateChecker::openReleasePage()
{
    // The feed's own link only when it is a web page: it must not start other programs.
    const QUrl page = isWebPage(m_update.link) ? m_update.link : m_update.enclosureUrl;
    Logging::shared().breadcrumb(u"Opening "_s + page.toDisplayString());
    if (!m_configuration.openUrl || !m_configuration.openUrl(page)) {
        fail(tr("No web browser could open %1.").arg(page.toDisplayString()));
        return;
    }
    conclude(State::OpenedReleasePage);
}

void UpdateChecker::openLink(const QUrl &url)
{
    // Relative links are relative to where the notes came from.
    const QUrl base =
        m_update.releaseNotesLink.isEmpty() ? m_configuration.feed : m_update.releaseNotesLink;
    const QUrl page = base.resolved(url);
    if (isWebPage(page) && m_configuration.openUrl)
        m_configuration.openUrl(page);
}

void UpdateChecker::skipThisVersion()
{
    if (m_state != State::UpdateAvailable)
        return;
    Setting(SettingsKeys::skippedUpdateVersion).setValue(m_update.version);
    setState(State::Idle);
}

void UpdateChecker::remindMeLater()
{
    if (m_state == State::UpdateAvailable)
        setState(State::Idle);
}

void UpdateChecker::dismiss()
{
    switch (m_state) {
    case State::Checking:
        m_quiet = true;
        return;
    case State::Installing:
        return;
    case State::Downloading:
        delete m_download;
        [[fallthrough]];
    default:
        setState(State::Idle);
    }
}

void UpdateChecker::conclude(State state, bool found)
{
    if (m_quiet && !found) {
        setState(State::Idle);
        return;
    }
    setState(state);
    Q_EMIT attentionNeeded();
}

void UpdateChecker::fail(const QString &message)
{
    Logging::shared().breadcrumb(message);
    m_errorMessage = message;
    conclude(State::Failed);
}

void UpdateChecker::setState(State state)
{
    if (m_state == state)
        return;
    m_state = state;
    Q_EMIT stateChanged();
}

void UpdateChecker::setPercent(int percent)
{
    if (m_percent == percent)
        return;
    m_percent = percent;
    Q_EMIT percentChanged();
}
