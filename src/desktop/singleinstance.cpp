#include "singleinstance.h"

#include <QDataStream>
#include <QFile>
#include <QLocalServer>
#include <QLocalSocket>
#include <QLockFile>
#include <QStandardPaths>

namespace {

// The message: magic, version, then the paths as byte arrays.
constexpr quint32 kMagic = 0x54564c31; // "TVL1"
constexpr char kAck = 'A';
// A message from the same user is trusted, but never without bounds.
constexpr qint64 kMaxMessage = 64 * 1024 * 1024;
constexpr int kConnectTimeoutMs = 2000;
constexpr int kAnswerTimeoutMs = 10000;

QString SocketName(const std::string& path)
{
    return QFile::decodeName(QByteArray::fromStdString(path));
}

} // namespace

SingleInstance::SingleInstance(std::string socketPath, QObject* parent)
    : QObject(parent)
    , m_socketPath(std::move(socketPath))
{
}

SingleInstance::~SingleInstance() = default;

std::string SingleInstance::DefaultSocketPath()
{
    // The runtime folder is the user's own (mode 0700); Qt makes a private
    // one under /tmp when the session names none.
    const QString folder = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
    return QFile::encodeName(folder).toStdString() + "/" TV_APP_ID ".socket";
}

SingleInstance::Role SingleInstance::Start(const std::vector<std::string>& paths)
{
    // Two starts at the same moment must not both decide to listen: the
    // decision is taken under a lock file, which Qt takes over when the
    // process that held it is gone.
    QLockFile lock(SocketName(m_socketPath + ".lock"));
    lock.tryLock(kConnectTimeoutMs);

    switch (HandOver(paths)) {
    case Delivery::Delivered:
        return Role::HandedOver;
    case Delivery::NoAnswer:
        return Role::NoAnswer;
    case Delivery::NoServer:
        break;
    }
    return Listen() ? Role::Primary : Role::Alone;
}

SingleInstance::Delivery SingleInstance::HandOver(const std::vector<std::string>& paths) const
{
    QLocalSocket socket;
    socket.connectToServer(SocketName(m_socketPath));
    if (!socket.waitForConnected(kConnectTimeoutMs))
        return Delivery::NoServer;

    QByteArray message;
    QDataStream out(&message, QIODevice::WriteOnly);
    out << kMagic << static_cast<quint32>(paths.size());
    for (const auto& path : paths)
        out << QByteArray::fromStdString(path);
    socket.write(message);
    socket.flush();
    while (socket.bytesToWrite() > 0) {
        if (!socket.waitForBytesWritten(kAnswerTimeoutMs))
            return Delivery::NoAnswer;
    }
    if (!socket.waitForReadyRead(kAnswerTimeoutMs))
        return Delivery::NoAnswer;
    char answer = 0;
    return socket.getChar(&answer) && answer == kAck ? Delivery::Delivered : Delivery::NoAnswer;
}

bool SingleInstance::Listen()
{
    // Nobody answered: what lies at the path is left from a run that ended
    // without closing it.
    QLocalServer::removeServer(SocketName(m_socketPath));
    m_server = std::make_unique<QLocalServer>();
    m_server->setSocketOptions(QLocalServer::UserAccessOption);
    if (!m_server->listen(SocketName(m_socketPath))) {
        m_server.reset();
        return false;
    }
    connect(m_server.get(), &QLocalServer::newConnection, this, &SingleInstance::Accept);
    return true;
}

void SingleInstance::Accept()
{
    while (QLocalSocket* socket = m_server->nextPendingConnection()) {
        // The server owns the socket; it goes when the peer hangs up.
        connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
        connect(socket, &QLocalSocket::readyRead, this, [this, socket] { Read(socket); });
        if (socket->bytesAvailable() > 0)
            Read(socket);
    }
}

void SingleInstance::Read(QLocalSocket* socket)
{
    if (socket->bytesAvailable() > kMaxMessage) {
        socket->abort();
        return;
    }
    QDataStream in(socket);
    in.startTransaction();
    quint32 magic = 0;
    quint32 count = 0;
    in >> magic >> count;
    if (in.status() == QDataStream::Ok && magic != kMagic) {
        socket->abort();
        return;
    }
    std::vector<std::string> paths;
    for (quint32 i = 0; i < count && in.status() == QDataStream::Ok; ++i) {
        QByteArray path;
        in >> path;
        if (in.status() == QDataStream::Ok)
            paths.push_back(path.toStdString());
    }
    // Not all there yet: the transaction puts the bytes back for the next read.
    if (!in.commitTransaction())
        return;
    socket->putChar(kAck);
    socket->flush();
    socket->disconnectFromServer();
    Deliver(std::move(paths));
}

void SingleInstance::SetReceiver(Receiver receiver)
{
    m_receiver = std::move(receiver);
    auto early = std::move(m_early);
    m_early.clear();
    for (auto& paths : early)
        Deliver(std::move(paths));
}

void SingleInstance::Deliver(std::vector<std::string> paths)
{
    if (m_receiver)
        m_receiver(std::move(paths));
    else
        m_early.push_back(std::move(paths));
}
