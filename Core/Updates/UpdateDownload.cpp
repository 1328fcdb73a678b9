// SPDX-License-Identifier: GPL-3.0-or-later
#include "UpdateDownload.h"

#include "Base/MainThreadRelay.h"
#include "Platform/Updates/Ed25519Signature.h"

#include <QDir>
#include <QFileInfo>
#include <QNetworkAccessManager>
#include <QNetworkReply>

using namespace Qt::Literals::StringLiterals;

namespace {

constexpr int stallTimeoutMs = 60'000;

QString packageName(const QUrl &url)
{
    const QString name = QFileInfo(url.path()).fileName();
    return name.isEmpty() ? u"update.deb"_s : name;
}

} // namespace

UpdateDownload::UpdateDownload(QNetworkAccessManager &network, Appcast::Item item,
                               QByteArray publicKey, QString directory, QObject *parent)
    : QObject(parent)
    , m_network(network)
    , m_item(std::move(item))
    , m_publicKey(std::move(publicKey))
    , m_directory(std::move(directory))
{}

UpdateDownload::~UpdateDownload()
{
    dropReply();
    if (!m_verified)
        m_file.remove();
}

void UpdateDownload::start()
{
    // Refused before fetching anything: a package without a signature could never be installed.
    if (m_item.edSignature.isEmpty()) {
        fail(tr("The update feed gives no signature for the update, so it was not installed."));
        return;
    }
    m_file.setFileName(QDir(m_directory).filePath(packageName(m_item.enclosureUrl)));
    if (!QDir().mkpath(m_directory) || !m_file.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
        fail(tr("The update could not be saved: %1").arg(m_file.errorString()));
        return;
    }
    QNetworkRequest request(m_item.enclosureUrl);
    request.setTransferTimeout(stallTimeoutMs);
    m_reply = m_network.get(request);
    connect(m_reply, &QNetworkReply::readyRead, this, &UpdateDownload::takeData);
    connect(m_reply, &QNetworkReply::downloadProgress, this, &UpdateDownload::takeProgress);
    connect(m_reply, &QNetworkReply::finished, this, &UpdateDownload::downloaded);
}

void UpdateDownload::takeData()
{
    const QByteArray data = m_reply->readAll();
    m_received += data.size();
    // More than announced can only be refused: stop now rather than fill the disk.
    if (m_item.length > 0 && m_received > m_item.length) {
        fail(tr("The downloaded update is larger than the update feed says, so it was not "
                "installed."));
        return;
    }
    if (m_file.write(data) != data.size())
        fail(tr("The update could not be saved: %1").arg(m_file.errorString()));
}

void UpdateDownload::takeProgress(qint64 received, qint64 total)
{
    const qint64 expected = m_item.length > 0 ? m_item.length : total;
    Q_EMIT progressChanged(expected > 0 ? int(std::min<qint64>(received, expected) * 100 / expected)
                                        : -1);
}

void UpdateDownload::downloaded()
{
    takeData();
    if (!m_errorMessage.isEmpty())
        return;
    const QString failure =
        m_reply->error() == QNetworkReply::NoError ? QString() : m_reply->errorString();
    dropReply();
    if (!failure.isEmpty()) {
        fail(tr("The update could not be downloaded: %1.").arg(failure));
        return;
    }
    m_file.close();
    if (m_item.length > 0 && m_received != m_item.length) {
        fail(tr("The downloaded update is smaller than the update feed says, so it was not "
                "installed."));
        return;
    }
    MainThreadRelay::instance().runInBackground(
        [path = m_file.fileName(), signature = m_item.edSignature, key = m_publicKey] {
            return Ed25519Signature::verifyFile(path, signature, key);
        },
        [self = QPointer(this)](bool matches) {
            if (self)
                self->verified(matches);
        });
}

void UpdateDownload::verified(bool matches)
{
    if (!matches) {
        fail(tr("The downloaded update is not signed with Voxlume's key, so it was not "
                "installed."));
        return;
    }
    m_verified = true;
    Q_EMIT finished();
}

void UpdateDownload::fail(const QString &message)
{
    m_errorMessage = message;
    dropReply();
    m_file.close();
    m_file.remove();
    Q_EMIT finished();
}

void UpdateDownload::dropReply()
{
    if (!m_reply)
        return;
    m_reply->disconnect(this);
    m_reply->abort();
    m_reply->deleteLater();
    m_reply = nullptr;
}
