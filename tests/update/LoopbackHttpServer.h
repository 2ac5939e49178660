#pragma once

#include <QByteArray>
#include <QHash>
#include <QHostAddress>
#include <QPointer>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTimer>
#include <QUrl>

// A tiny HTTP/1.1 server on 127.0.0.1 in the test process, answering from a table of paths. It runs in
// the test's thread: the program's local event loop serves it while a download waits.
class LoopbackHttpServer : public QObject {
public:
    struct Reply {
        int status = 200;
        QByteArray body;
        QByteArray location;       // a redirect target
        bool sendLength = true;    // Content-Length header; without it the body ends with the connection
        qint64 claimedLength = -1; // a Content-Length other than the body's
        int stopAfter = -1;        // send only this many body bytes, then stall (keep the connection)
        bool closeEarly = false;   // with stopAfter: close the connection instead of stalling
        QByteArray encoding;       // Content-Encoding
        int trickleMs = 0;         // send the body one byte at a time, this far apart

        static Reply ok(QByteArray bytes) {
            Reply r;
            r.body = std::move(bytes);
            return r;
        }
        static Reply answer(int code, QByteArray bytes = {}) {
            Reply r = ok(std::move(bytes));
            r.status = code;
            return r;
        }
        static Reply redirect(int code, QByteArray to) {
            Reply r = answer(code);
            r.location = std::move(to);
            return r;
        }
        // The body packed with zlib, as "deflate".
        Reply deflated() const {
            Reply r = *this;
            r.body = qCompress(body).mid(4);
            r.encoding = "deflate";
            return r;
        }
        Reply withoutLength() const {
            Reply r = *this;
            r.sendLength = false;
            return r;
        }
        Reply claiming(qint64 length) const {
            Reply r = *this;
            r.claimedLength = length;
            return r;
        }
        Reply stoppingAfter(int bytes, bool close) const {
            Reply r = *this;
            r.stopAfter = bytes;
            r.closeEarly = close;
            return r;
        }
        Reply trickling(int ms) const {
            Reply r = *this;
            r.trickleMs = ms;
            return r;
        }
    };

    LoopbackHttpServer() {
        m_server.listen(QHostAddress::LocalHost);
        QObject::connect(&m_server, &QTcpServer::newConnection, this, [this] {
            while (QTcpSocket* socket = m_server.nextPendingConnection()) {
                socket->setParent(this);
                QObject::connect(socket, &QTcpSocket::readyRead, this, [this, socket] { serve(socket); });
            }
        });
    }

    void route(const QString& path, Reply reply) { m_routes.insert(path, std::move(reply)); }
    QUrl base() const { return QUrl(QStringLiteral("http://127.0.0.1:%1").arg(m_server.serverPort())); }
    QUrl url(const QString& path) const { return QUrl(base().toString() + path); }
    int port() const { return m_server.serverPort(); }
    // How often each path was asked for.
    int hits(const QString& path) const { return m_hits.value(path); }

private:
    void serve(QTcpSocket* socket) {
        QByteArray& pending = m_pending[socket];
        pending += socket->readAll();
        const qsizetype end = pending.indexOf("\r\n\r\n");
        if (end < 0)
            return;
        const QList<QByteArray> requestLine = pending.left(pending.indexOf("\r\n")).split(' ');
        // One request per connection: the answer closes it.
        QObject::disconnect(socket, &QTcpSocket::readyRead, this, nullptr);
        m_pending.remove(socket);
        const QString path = requestLine.size() > 1 ? QString::fromLatin1(requestLine[1]) : QString();
        ++m_hits[path];
        const Reply reply = m_routes.value(path, Reply::answer(404, "not here"));
        QByteArray head = "HTTP/1.1 " + QByteArray::number(reply.status) + " Answer\r\n";
        if (!reply.location.isEmpty())
            head += "Location: " + reply.location + "\r\n";
        if (!reply.encoding.isEmpty())
            head += "Content-Encoding: " + reply.encoding + "\r\n";
        if (reply.sendLength)
            head += "Content-Length: " +
                    QByteArray::number(reply.claimedLength >= 0 ? reply.claimedLength : reply.body.size()) +
                    "\r\n";
        head += "Connection: close\r\n\r\n";
        socket->write(head);
        if (reply.trickleMs > 0) {
            auto* timer = new QTimer(socket);
            QObject::connect(timer, &QTimer::timeout, socket,
                             [socket, timer, body = reply.body, sent = 0]() mutable {
                                 if (sent >= body.size()) {
                                     timer->stop();
                                     socket->disconnectFromHost();
                                     return;
                                 }
                                 socket->write(body.mid(sent++, 1));
                             });
            timer->start(reply.trickleMs);
            return;
        }
        const QByteArray body = reply.stopAfter >= 0 ? reply.body.left(reply.stopAfter) : reply.body;
        socket->write(body);
        if (reply.stopAfter >= 0 && !reply.closeEarly)
            return; // stalls until the client gives up
        socket->disconnectFromHost();
    }

    QTcpServer m_server;
    QHash<QString, Reply> m_routes;
    QHash<QString, int> m_hits;
    QHash<QTcpSocket*, QByteArray> m_pending;
};

Q_DECLARE_METATYPE(LoopbackHttpServer::Reply)
