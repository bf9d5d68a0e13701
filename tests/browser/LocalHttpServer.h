// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QHash>
#include <QHostAddress>
#include <QList>
#include <QPointer>
#include <QSet>
#include <QStringList>
#include <QTcpServer>
#include <QTcpSocket>
#include <memory>

// A tiny HTTP/1.0-style server on 127.0.0.1 inside the test process: fixed answers by path,
// and answers that are held back until the test releases them.
class LocalHttpServer {
  public:
    struct Answer {
        int status = 200;
        QByteArray reason = "OK";
        QList<QPair<QByteArray, QByteArray>> headers;
        QByteArray body;
        bool sendLength = true;  // false: the end of the connection ends the body
    };

    LocalHttpServer() {
        server_.listen(QHostAddress::LocalHost);
        QObject::connect(&server_, &QTcpServer::newConnection, &server_, [this] {
            while (QTcpSocket* socket = server_.nextPendingConnection()) accept(socket);
        });
    }
    ~LocalHttpServer() {
        for (const auto& held : std::as_const(held_)) {
            if (held.socket) held.socket->abort();
        }
    }

    quint16 port() const { return server_.serverPort(); }
    QString url(const QString& path) const {
        return QStringLiteral("http://127.0.0.1:%1%2").arg(port()).arg(path);
    }

    void page(const QString& path, const QByteArray& body,
              const QByteArray& contentType = "text/html; charset=utf-8") {
        Answer answer;
        answer.body = body;
        if (!contentType.isEmpty()) answer.headers.append({"Content-Type", contentType});
        answers_.insert(path, answer);
    }
    void answer(const QString& path, const Answer& answer) { answers_.insert(path, answer); }
    void redirect(const QString& path, const QString& target, int status = 302) {
        Answer answer;
        answer.status = status;
        answer.reason = "Found";
        answer.headers.append({"Location", target.toUtf8()});
        answers_.insert(path, answer);
    }

    // Requests for `path` wait until release().
    void hold(const QString& path) { holding_.insert(path); }
    void release(const QString& path) {
        holding_.remove(path);
        for (int i = held_.size() - 1; i >= 0; --i) {
            if (held_[i].path != path) continue;
            const Held held = held_.takeAt(i);
            if (held.socket) respond(held.socket, held.path);
        }
    }
    int heldCount(const QString& path) const {
        int count = 0;
        for (const Held& held : held_) count += held.path == path && held.socket ? 1 : 0;
        return count;
    }

  private:
    struct Held {
        QPointer<QTcpSocket> socket;
        QString path;
    };

    void accept(QTcpSocket* socket) {
        struct Request {
            QByteArray data;
            bool complete = false;
        };
        auto request = std::make_shared<Request>();
        QObject::connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
        QObject::connect(socket, &QTcpSocket::readyRead, socket, [this, socket, request] {
            if (request->complete) return;
            request->data += socket->readAll();
            if (!request->data.contains("\r\n\r\n")) return;
            request->complete = true;
            const QByteArray& data = request->data;
            const QList<QByteArray> requestLine = data.left(data.indexOf("\r\n")).split(' ');
            const QString path =
                requestLine.size() >= 2 ? QString::fromLatin1(requestLine.at(1)) : QString();
            if (holding_.contains(path)) {
                held_.append({socket, path});
                return;
            }
            respond(socket, path);
        });
    }

    void respond(QTcpSocket* socket, const QString& path) {
        Answer answer;
        if (answers_.contains(path)) {
            answer = answers_.value(path);
        } else {
            answer.status = 404;
            answer.reason = "Not Found";
            answer.body = "<html><title>Not Found</title>No such page.</html>";
            answer.headers.append(qMakePair(QByteArray("Content-Type"), QByteArray("text/html")));
        }
        QByteArray head =
            "HTTP/1.1 " + QByteArray::number(answer.status) + ' ' + answer.reason + "\r\n";
        for (const auto& header : std::as_const(answer.headers)) {
            head += header.first + ": " + header.second + "\r\n";
        }
        if (answer.sendLength)
            head += "Content-Length: " + QByteArray::number(answer.body.size()) + "\r\n";
        head += "Connection: close\r\nCache-Control: no-store\r\n\r\n";
        socket->write(head + answer.body);
        socket->disconnectFromHost();
    }

    QTcpServer server_;
    QHash<QString, Answer> answers_;
    QSet<QString> holding_;
    QList<Held> held_;
};
