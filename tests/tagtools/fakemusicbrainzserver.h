#pragma once
// A small HTTP server on 127.0.0.1 at a port of its own choosing that
// stands in for the MusicBrainz web service and the Cover Art Archive in
// tests: it answers each path with the answer set for it (a status, a
// body, a redirect, or no answer at all) and keeps every request it got,
// with its User-Agent and the moment it came.

#include <QByteArray>
#include <QObject>
#include <QTcpServer>

#include <chrono>
#include <map>
#include <vector>

class QTcpSocket;

class FakeMusicBrainzServer final : public QObject {
    Q_OBJECT
public:
    struct Answer {
        int status = 200;
        QByteArray body;
        QByteArray contentType = "application/json";
        QByteArray location;  // sent with a redirect status
        bool hang = false;    // reads the request and never answers

        static Answer Json(QByteArray body, int status = 200);
        static Answer Other(int status, QByteArray body, QByteArray contentType);
        static Answer Redirect(QByteArray location);
        static Answer Hang();
    };
    struct Request {
        QByteArray path;      // without the query
        QByteArray query;     // after "?", still percent-encoded
        QByteArray userAgent;
        std::chrono::steady_clock::time_point at;
    };

    FakeMusicBrainzServer();

    // "http://127.0.0.1:PORT".
    QString Address() const;
    // The answer to requests for `path`; other paths get 404.
    void SetAnswer(const QByteArray& path, Answer answer);
    const std::vector<Request>& Requests() const { return m_requests; }

private:
    void Accept();
    void Read(QTcpSocket* socket);

    QTcpServer m_server;
    std::map<QByteArray, Answer> m_answers;
    std::map<QTcpSocket*, QByteArray> m_received;
    std::vector<Request> m_requests;
};
