// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "Appcast.h"

#include <QFile>
#include <QObject>
#include <QPointer>

class QNetworkAccessManager;
class QNetworkReply;

/// Fetches an update's package into a folder and keeps it only when it is what the feed announced:
/// as long as the feed says, and signed with the build's key.
///
/// A refused, failed or abandoned download leaves no file behind; deleting the object abandons it.
/// The signature is checked on a worker thread, which reads the whole file; everything else, the
/// signals included, happens on the main thread.
class UpdateDownload : public QObject
{
    Q_OBJECT

public:
    /// Will fetch \a item's package through \a network into \a directory, and check it against
    /// the base64 Ed25519 \a publicKey.
    UpdateDownload(QNetworkAccessManager &network, Appcast::Item item, QByteArray publicKey,
                   QString directory, QObject *parent = nullptr);
    ~UpdateDownload() override;

    void start();

    /// The checked package, once finished without an error.
    QString filePath() const { return m_file.fileName(); }
    /// Why the package was refused or not fetched; empty when it is there and checked.
    QString errorMessage() const { return m_errorMessage; }

Q_SIGNALS:
    /// How much has arrived, 0 to 100, or -1 when neither the feed nor the server says how much
    /// will.
    void progressChanged(int percent);
    /// The package is there and checked, or errorMessage() says why not.
    void finished();

private:
    void takeData();
    void takeProgress(qint64 received, qint64 total);
    void downloaded();
    void verified(bool matches);
    void fail(const QString &message);
    void dropReply();

    QNetworkAccessManager &m_network;
    const Appcast::Item m_item;
    const QByteArray m_publicKey;
    const QString m_directory;
    QFile m_file;
    QPointer<QNetworkReply> m_reply;
    qint64 m_received = 0;
    QString m_errorMessage;
    bool m_verified = false;
};
