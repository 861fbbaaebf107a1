#pragma once

#include <QByteArray>
#include <QHash>
#include <QList>
#include <QPointer>
#include <QTcpServer>
#include <QTcpSocket>

// A small HTTP server on 127.0.0.1 for download tests, served from the test's own event loop:
// GET for a known path answers with its bytes, any other path with 404.
class TestHttpServer : public QObject {
    Q_OBJECT
public:
    enum Mode {
        Whole,          // 200 with Content-Length and the whole body
        DropHalfway,    // 200 with Content-Length, half the body, then the connection closes
        StallHalfway,   // 200 with Content-Length, half the body, then nothing more
        CloseDelimited, // 200 without Content-Length: the body ends when the connection closes
    };

    TestHttpServer();
    // The base address, "http://127.0.0.1:PORT/".
    QString BaseUrl() const;
    void Serve(const QString& path, const QByteArray& body, Mode mode = Whole);
    int Requests() const { return m_nRequests; }

private:
    struct Route {
        QByteArray body;
        Mode mode;
    };
    void OnConnection();
    void Answer(QTcpSocket* socket, const QByteArray& path);

    QTcpServer m_server;
    QHash<QByteArray, Route> m_routes;
    QList<QPointer<QTcpSocket>> m_stalled;
    int m_nRequests = 0;
};
