#pragma once
// One window per user: the first start listens on a local socket in the
// user's runtime folder (readable and writable by that user only); a later
// start connects, hands over its paths and ends, and the first one gets them
// through the receiver. A socket left behind by a crashed or killed run
// answers no one; the next start removes it and listens in its place.

#include <QObject>

#include <functional>
#include <memory>
#include <string>
#include <vector>

class QLocalServer;
class QLocalSocket;

class SingleInstance final : public QObject {
    Q_OBJECT
public:
    enum class Role {
        // This process listens; paths of later starts reach the receiver.
        Primary,
        // A running process took the paths; this one should end.
        HandedOver,
        // A running process accepted the connection but did not confirm.
        NoAnswer,
        // The socket could not be set up; this process runs on its own.
        Alone,
    };
    using Receiver = std::function<void(std::vector<std::string> paths)>;

    explicit SingleInstance(std::string socketPath, QObject* parent = nullptr);
    ~SingleInstance() override;

    // Hands `paths` to a running process, or becomes the one that listens.
    Role Start(const std::vector<std::string>& paths);
    // Paths that arrived before a receiver was set are handed to it now.
    void SetReceiver(Receiver receiver);

    const std::string& socketPath() const { return m_socketPath; }
    // "<runtime folder>/<application id>.socket".
    static std::string DefaultSocketPath();

private:
    enum class Delivery { NoServer, Delivered, NoAnswer };
    Delivery HandOver(const std::vector<std::string>& paths) const;
    bool Listen();
    void Accept();
    void Read(QLocalSocket* socket);
    void Deliver(std::vector<std::string> paths);

    std::string m_socketPath;
    std::unique_ptr<QLocalServer> m_server;
    Receiver m_receiver;
    std::vector<std::vector<std::string>> m_early;
};
