// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QHash>
#include <QHostAddress>
#include <QList>
#include <QPointer>
#include <QSet>
#include <QTcpServer>
#include <QTcpSocket>
#include <memory>

// A tiny HTTP server on 127.0.0.1 inside the test process: fixed answers by path (404 for the
// rest), and paths whose requests are held, never answered, for as long as it lives.
class LocalHttpServer {
  public:
    LocalHttpServer() {
        server_.listen(QHostAddress::LocalHost);
        QObject::connect(&server_, &QTcpServer::newConnection, &server_, [this] {
            while (QTcpSocket* socket = server_.nextPendingConnection()) accept(socket);
        });
    }
    ~LocalHttpServer() {
        for (const auto& [socket, path] : std::as_const(held_))
            if (socket) socket->abort();
    }

    QString url(const QString& path) const {
        return QStringLiteral("http://127.0.0.1:%1%2").arg(server_.serverPort()).arg(path);
    }
    void page(const QString& path, const QByteArray& body,
              const QByteArray& contentType = "text/html; charset=utf-8", bool sendLength = true) {
        QByteArray head = "200 OK\r\n";
        if (!contentType.isEmpty()) head += "Content-Type: " + contentType + "\r\n";
        if (sendLength) head += "Content-Length: " + QByteArray::number(body.size()) + "\r\n";
        answers_.insert(path, head + "\r\n" + body);  // without a length the end of the body
    }                                                 // is the end of the connection
    void redirect(const QString& path, const QString& target) {
        answers_.insert(path, "302 Found\r\nLocation: " + target.toUtf8() + "\r\n\r\n");
    }
    void hold(const QString& path) { holding_.insert(path); }

  private:
    void accept(QTcpSocket* socket) {
        auto request = std::make_shared<std::pair<QByteArray, bool>>();  // read so far, complete
        QObject::connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
        QObject::connect(socket, &QTcpSocket::readyRead, socket, [this, socket, request] {
            auto& [data, complete] = *request;
            data += socket->readAll();
            if (complete || !data.contains("\r\n\r\n")) return;
            complete = true;
            const QString path = QString::fromLatin1(data.split(' ').value(1));
            if (holding_.contains(path)) {
                held_.append({socket, path});
                return;
            }
            const QByteArray answer = answers_.value(
                path, "404 Not Found\r\nContent-Type: text/html\r\n\r\n<title>Not Found</title>");
            socket->write("HTTP/1.1 " + answer.left(answer.indexOf("\r\n\r\n")) +
                          "\r\nConnection: close\r\nCache-Control: no-store" +
                          answer.mid(answer.indexOf("\r\n\r\n")));
            socket->disconnectFromHost();
        });
    }

    QTcpServer server_;
    QHash<QString, QByteArray> answers_;  // status line and headers, an empty line, the body
    QSet<QString> holding_;
    QList<std::pair<QPointer<QTcpSocket>, QString>> held_;
};
