// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QList>
#include <QMap>
#include <QTcpServer>

/// A small HTTP server on the loopback interface that records what it receives and answers with
/// the responses a test queues (200 with an empty body when none is queued).
class HttpReceiver : public QObject
{
    Q_OBJECT

public:
    struct Request
    {
        QByteArray method;
        QByteArray path;
        /// Header names in lower case.
        QMap<QByteArray, QByteArray> headers;
        QByteArray body;
    };

    struct Response
    {
        int status = 200;
        QList<std::pair<QByteArray, QByteArray>> headers;
        QByteArray body;
    };

    HttpReceiver();
    ~HttpReceiver() override;

    /// Listens on a free port of 127.0.0.1.
    bool listen() { return m_server.listen(QHostAddress::LocalHost); }
    quint16 port() const { return m_server.serverPort(); }

    void queueResponse(const Response &response) { m_responses.append(response); }
    const QList<Request> &requests() const { return m_requests; }

private:
    void accept();
    void readFrom(QTcpSocket *socket);

    QTcpServer m_server;
    QList<Response> m_responses;
    QList<Request> m_requests;
    QMap<QTcpSocket *, QByteArray> m_buffers;
};
