#include "fakemusicbrainzserver.h"

#include <QHostAddress>
#include <QTcpSocket>

FakeMusicBrainzServer::Answer FakeMusicBrainzServer::Answer::Json(QByteArray body, int status)
{
    Answer answer;
    answer.status = status;
    answer.body = std::move(body);
    return answer;
}

FakeMusicBrainzServer::Answer FakeMusicBrainzServer::Answer::Other(int status, QByteArray body, QByteArray contentType)
{
    Answer answer = Json(std::move(body), status);
    answer.contentType = std::move(contentType);
    return answer;
}

FakeMusicBrainzServer::Answer FakeMusicBrainzServer::Answer::Redirect(QByteArray location)
{
    Answer answer = Other(307, {}, "text/plain");
    answer.location = std::move(location);
    return answer;
}

FakeMusicBrainzServer::Answer FakeMusicBrainzServer::Answer::Hang()
{
    Answer answer;
    answer.hang = true;
    return answer;
}

FakeMusicBrainzServer::FakeMusicBrainzServer()
{
    m_server.listen(QHostAddress::LocalHost, 0);
    connect(&m_server, &QTcpServer::newConnection, this, &FakeMusicBrainzServer::Accept);
}

QString FakeMusicBrainzServer::Address() const
{
    return QStringLiteral("http://127.0.0.1:%1").arg(m_server.serverPort());
}

void FakeMusicBrainzServer::SetAnswer(const QByteArray& path, Answer answer)
{
    m_answers[path] = std::move(answer);
}

void FakeMusicBrainzServer::Accept()
{
    while (QTcpSocket* socket = m_server.nextPendingConnection()) {
        connect(socket, &QTcpSocket::readyRead, this, [this, socket] { Read(socket); });
        connect(socket, &QTcpSocket::disconnected, this, [this, socket] {
            m_received.erase(socket);
            socket->deleteLater();
        });
    }
}

void FakeMusicBrainzServer::Read(QTcpSocket* socket)
{
    QByteArray& received = m_received[socket];
    received += socket->readAll();
    const qsizetype end = received.indexOf("\r\n\r\n");
    if (end < 0)
        return;
    const QList<QByteArray> lines = received.left(end).split('\n');
    received.clear();
    Request request;
    request.at = std::chrono::steady_clock::now();
    const QList<QByteArray> first = lines.front().trimmed().split(' ');
    const QByteArray target = first.size() > 1 ? first[1] : QByteArray("/");
    const qsizetype question = target.indexOf('?');
    request.path = question < 0 ? target : target.left(question);
    request.query = question < 0 ? QByteArray() : target.mid(question + 1);
    for (const QByteArray& line : lines) {
        if (line.toLower().startsWith("user-agent:"))
            request.userAgent = line.mid(11).trimmed();
    }
    m_requests.push_back(request);

    const auto found = m_answers.find(request.path);
    Answer answer = found != m_answers.end() ? found->second : Answer::Json("{\"error\":\"Not Found\"}", 404);
    if (answer.hang)
        return;
    QByteArray reply = "HTTP/1.1 " + QByteArray::number(answer.status) + " Status\r\n";
    reply += "Content-Type: " + answer.contentType + "\r\n";
    if (!answer.location.isEmpty())
        reply += "Location: " + answer.location + "\r\n";
    reply += "Content-Length: " + QByteArray::number(answer.body.size()) + "\r\nConnection: close\r\n\r\n";
    reply += answer.body;
    socket->write(reply);
    socket->disconnectFromHost();
}
