#include "common/TestHttpServer.h"

#include <QTimer>

#include <memory>

TestHttpServer::TestHttpServer() {
    m_server.listen(QHostAddress::LocalHost);
    connect(&m_server, &QTcpServer::newConnection, this, &TestHttpServer::OnConnection);
}

QString TestHttpServer::BaseUrl() const {
    return QStringLiteral("http://127.0.0.1:%1/").arg(m_server.serverPort());
}

void TestHttpServer::Serve(const QString& path, const QByteArray& body, Mode mode) {
    m_routes.insert(path.toUtf8(), {body, mode});
}

void TestHttpServer::Redirect(const QString& path, const QByteArray& location) {
    m_redirects.insert(path.toUtf8(), location);
}

void TestHttpServer::OnConnection() {
    while (QTcpSocket* socket = m_server.nextPendingConnection()) {
        connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
        connect(socket, &QTcpSocket::readyRead, this, [this, socket] {
            QByteArray request = socket->property("request").toByteArray() + socket->readAll();
            socket->setProperty("request", request);
            if (!request.contains("\r\n\r\n"))
                return;
            ++m_nRequests;
            const QList<QByteArray> words = request.left(request.indexOf("\r\n")).split(' ');
            Answer(socket, words.value(1));
        });
    }
}

void TestHttpServer::Answer(QTcpSocket* socket, const QByteArray& path) {
    if (m_redirects.contains(path)) {
        socket->write("HTTP/1.1 302 Found\r\nLocation: " + m_redirects.value(path) +
                      "\r\nContent-Length: 0\r\nConnection: close\r\n\r\n");
        socket->disconnectFromHost();
        return;
    }
    const auto it = m_routes.constFind(path);
    if (it == m_routes.constEnd()) {
        socket->write("HTTP/1.1 404 Not Found\r\nContent-Length: 9\r\nConnection: close\r\n\r\n"
                      "not found");
        socket->disconnectFromHost();
        return;
    }
    const Route& route = it.value();
    QByteArray head = "HTTP/1.1 200 OK\r\nContent-Type: application/zip\r\nConnection: close\r\n";
    if (route.mode == ClaimLength)
        head += "Content-Length: " +
                QByteArray::number(m_nClaimed >= 0 ? m_nClaimed : route.body.size()) + "\r\n";
    else if (route.mode != CloseDelimited && route.mode != Endless)
        head += "Content-Length: " + QByteArray::number(route.body.size()) + "\r\n";
    socket->write(head + "\r\n");
    socket->flush();
    if (route.mode == Endless) {
        Endlessly(socket, route.body);
        return;
    }
    if (route.mode == Drip) {
        Trickle(socket, route.body);
        return;
    }
    if (route.mode == ClaimLength) {
        m_stalled.append(socket);
        return;
    }
    // The body follows a moment after the head, its first bytes alone, as from a real server
    // (Qt reports progress only for data that comes after it has handled the head).
    const QByteArray body =
        route.mode == Whole ? route.body : route.body.left(route.body.size() / 2);
    const Mode mode = route.mode;
    QTimer::singleShot(100, socket, [socket, body] {
        socket->write(body.left(1024));
        socket->flush();
    });
    QTimer::singleShot(150, socket, [this, socket, body, mode] {
        socket->write(body.mid(1024));
        if (mode == StallHalfway) {
            socket->flush();
            m_stalled.append(socket);
            return;
        }
        socket->disconnectFromHost();
    });
}

// Refills the socket whenever what it holds runs low, until the client goes.
void TestHttpServer::Endlessly(QTcpSocket* socket, const QByteArray& body) {
    const QByteArray piece = body.repeated(qMax<qsizetype>(1, 256 * 1024 / body.size()));
    auto refill = [socket, piece] {
        while (socket->state() == QAbstractSocket::ConnectedState &&
               socket->bytesToWrite() < 4 * piece.size())
            socket->write(piece);
    };
    connect(socket, &QTcpSocket::bytesWritten, socket, refill);
    refill();
}

void TestHttpServer::Trickle(QTcpSocket* socket, const QByteArray& body) {
    auto* timer = new QTimer(socket);
    auto sent = std::make_shared<qsizetype>(0);
    connect(timer, &QTimer::timeout, socket, [socket, body, sent] {
        if (*sent < body.size())
            socket->write(body.mid((*sent)++, 1));
    });
    timer->start(DripMs());
}
