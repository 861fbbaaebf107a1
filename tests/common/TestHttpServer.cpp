#include "common/TestHttpServer.h"

#include <QTimer>

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
    const auto it = m_routes.constFind(path);
    if (it == m_routes.constEnd()) {
        socket->write("HTTP/1.1 404 Not Found\r\nContent-Length: 9\r\nConnection: close\r\n\r\n"
                      "not found");
        socket->disconnectFromHost();
        return;
    }
    const Route& route = it.value();
    QByteArray head = "HTTP/1.1 200 OK\r\nContent-Type: application/zip\r\nConnection: close\r\n";
    if (route.mode != CloseDelimited)
        head += "Content-Length: " + QByteArray::number(route.body.size()) + "\r\n";
    socket->write(head + "\r\n");
    socket->flush();
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
