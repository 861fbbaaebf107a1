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
        Endless,        // 200 without Content-Length, the body repeated for ever, at full speed
        Drip,           // 200 with Content-Length, one byte of the body every DripMs()
        ClaimLength,    // 200 with the body's size as Content-Length, but no body at all
    };

    TestHttpServer();
    // The base address, "http://127.0.0.1:PORT/".
    QString BaseUrl() const;
    void Serve(const QString& path, const QByteArray& body, Mode mode = Whole);
    // Answers a path with "302 Found" and that Location.
    void Redirect(const QString& path, const QByteArray& location);
    // ClaimLength: the length stated instead of the body's.
    void SetClaimedLength(qint64 bytes) { m_nClaimed = bytes; }
    static constexpr int DripMs() { return 200; }
    int Requests() const { return m_nRequests; }

private:
    struct Route {
        QByteArray body;
        Mode mode;
    };
    void OnConnection();
    void Answer(QTcpSocket* socket, const QByteArray& path);
    void Endlessly(QTcpSocket* socket, const QByteArray& body);
    void Trickle(QTcpSocket* socket, const QByteArray& body);

    QTcpServer m_server;
    QHash<QByteArray, Route> m_routes;
    QHash<QByteArray, QByteArray> m_redirects;
    qint64 m_nClaimed = -1;
    QList<QPointer<QTcpSocket>> m_stalled;
    int m_nRequests = 0;
};
