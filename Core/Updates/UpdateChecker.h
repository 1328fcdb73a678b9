// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "Appcast.h"
#include "Base/Error.h"

#include <QDeadlineTimer>
#include <QObject>
#include <QPointer>
#include <QUrl>
#include <chrono>
#include <functional>
#include <qcoro/qcorotask.h>

class QNetworkAccessManager;
class QNetworkReply;
class UpdateDownload;

/// "Check for Updates…": asks the build's update feed whether a newer version exists, and installs
/// it when the user wants: the package is fetched, checked against the feed's length and Ed25519
/// signature, and handed to PackageKit, which asks for the user's consent.
///
/// A check the user started always ends in a result to show; a check in the background is quiet
/// unless it finds a version the user has not skipped. Without a public key, a package that is
/// not a .deb, or PackageKit, "Install Update" opens the release's page in the browser instead.
/// Main thread; only the signature check runs on a worker thread.
class UpdateChecker : public QObject
{
    Q_OBJECT

public:
    /// Where updates come from, and how they are installed.
    struct Configuration
    {
        /// The feed; empty when the system's package manager brings updates.
        QUrl feed;
        /// The base64 Ed25519 key that signs the packages; empty to install from the release page.
        QByteArray publicKey;
        /// The running version, as the feed's sparkle:version counts.
        QString currentVersion;
        /// The D-Bus address where PackageKit is found; empty for the system bus.
        QString packageKitBusAddress;
        /// Where packages are kept while they are checked and installed.
        QString downloadDirectory;
        /// Opens a page in the user's browser; false when nothing could.
        std::function<bool(const QUrl &)> openUrl;
        /// How long a whole check (the feed and its release notes) may take: a server that sends
        /// a byte now and then would otherwise hold it for ever.
        std::chrono::milliseconds checkDeadline = std::chrono::seconds(30);

        /// What the build names, the program's version, the system bus, the user's cache and the
        /// desktop's browser.
        static Configuration fromBuild();
    };

    /// Where the checker is. Results stay until the user dismisses them.
    enum class State {
        Idle,
        Checking,
        UpToDate,
        UpdateAvailable,
        Downloading,
        Installing,
        Installed,
        /// The release's page is open in the browser, where the user installs by hand.
        OpenedReleasePage,
        Failed,
        /// The build has no feed: the system's package manager brings updates.
        ManagedBySystem,
    };
    Q_ENUM(State)

    explicit UpdateChecker(Configuration configuration, QObject *parent = nullptr);
    ~UpdateChecker() override;

    State state() const { return m_state; }
    /// The newer version found, from UpdateAvailable on.
    const Appcast::Item &update() const { return m_update; }
    /// While Downloading or Installing: how far, 0 to 100, or -1 when it cannot be told.
    int percent() const { return m_percent; }
    /// When Failed: what failed, for the user.
    QString errorMessage() const { return m_errorMessage; }
    QString currentVersion() const { return m_configuration.currentVersion; }
    bool hasFeed() const { return !m_configuration.feed.isEmpty(); }

    /// Checks now, and shows the result whatever it is.
    void checkForUpdates();
    /// Checks now without a word unless a version the user has not skipped is found.
    void checkInBackground();
    /// Installs the version found.
    void installUpdate();
    /// Offers the version found no more in background checks.
    void skipThisVersion();
    /// Leaves the version found for the next check.
    void remindMeLater();
    /// Opens \a url, a link of the release notes, in the browser if it is a web page.
    void openLink(const QUrl &url);
    /// The user closed the window: a result is put away, a download abandoned, a check goes on
    /// quietly. An installation goes on, and its result is shown.
    void dismiss();

Q_SIGNALS:
    void stateChanged();
    void percentChanged();
    /// There is something to show the user: a result of theirs, or a version found.
    void attentionNeeded();

private:
    void startCheck(bool quiet);
    QNetworkReply *fetch(const QUrl &url);
    void takeFeed(QNetworkReply *reply);
    void takeReleaseNotes(QNetworkReply *reply);
    /// Notes that only point to the release notes' page, for notes that cannot be shown.
    QString notesByLink() const;
    /// Offers the version found, once its notes are reduced to what can be shown.
    void offerUpdate();
    void startDownload();
    void downloaded();
    QCoro::Task<> handOver(QString path);
    // Out of the coroutine, whose arrays (string literals, initializer lists) GCC 12 cannot
    // compile.
    std::function<void(int)> progressReporter();
    void installed(const std::optional<Error> &error);
    void openReleasePage();
    void conclude(State state, bool found = false);
    void fail(const QString &message);
    void setState(State state);
    void setPercent(int percent);

    const Configuration m_configuration;
    QNetworkAccessManager *m_network;
    State m_state = State::Idle;
    Appcast::Item m_update;
    int m_percent = -1;
    QString m_errorMessage;
    /// When the check under way must have ended.
    QDeadlineTimer m_checkDeadline;
    /// Whether the step under way shows its result only when something is found.
    bool m_quiet = false;
    QPointer<UpdateDownload> m_download;
};
