// SPDX-License-Identifier: GPL-3.0-or-later
#include "HttpReceiver.h"

#include <QTcpSocket>

HttpReceiver::HttpReceiver()
{
    connect(&m_server, &QTcpServer::newConnection, this, &HttpReceiver::accept);
}

HttpReceiver::~HttpReceiver()
{
    // The server deletes its connections after our members are gone: they must not call back.
    for (QTcpSocket *socket : m_server.findChildren<QTcpSocket *>())
        socket->disconnect(this);
}

void HttpReceiver::accept()
{
    while (QTcpSocket *socket = m_server.nextPendingConnection()) {
        connect(socket, &QTcpSocket::readyRead, this, [this, socket] { readFrom(socket); });
        connect(socket, &QTcpSocket::disconnected, this, [this, socket] {
            m_buffers.remove(socket);
            socket->deleteLater();
        });
    }
}

void HttpReceiver::readFrom(QTcpSocket *socket)
{
    QByteArray &buffer = m_buffers[socket];
    buffer += socket->readAll();
    // A connection may carry several requests one after another.
    for (;;) {
        const qsizetype headerEnd = buffer.indexOf("\r\n\r\n");
        if (headerEnd < 0)
            return;
        const QList<QByteArray> lines = buffer.left(headerEnd).split('\n');
        Request request;
        const QList<QByteArray> requestLine = lines.first().trimmed().split(' ');
        request.method = requestLine.value(0);
        request.path = requestLine.value(1);
        for (const QByteArray &line : lines.mid(1)) {
            const qsizetype colon = line.indexOf(':');
            request.headers.insert(line.left(colon).trimmed().toLower(),
                                   line.mid(colon + 1).trimmed());
        }
        const qsizetype length = request.headers.value("content-length").toLongLong();
        if (buffer.size() < headerEnd + 4 + length)
            return;
        request.body = buffer.mid(headerEnd + 4, length);
        buffer.remove(0, headerEnd + 4 + length);
        m_requests.append(request);

        const Response response = m_responses.isEmpty() ? Response() : m_responses.takeFirst();
        QByteArray reply = "HTTP/1.1 " + QByteArray::number(response.status) + " Status\r\n";
        for (const auto &[name, value] : response.headers)
            reply += name + ": " + value + "\r\n";
        reply += "Content-Length: " + QByteArray::number(response.body.size()) + "\r\n\r\n";
        socket->write(reply + response.body);
    }
}
