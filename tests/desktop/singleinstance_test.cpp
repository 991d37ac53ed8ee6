// One window per user: a later start hands its paths over the local socket,
// which is the user's alone; a socket left by a killed run and garbage from a
// client do not stop the next start.

#include "singleinstance.h"

#include "filefixtures.h"
#include "testapplication.h"

#include <QApplication>
#include <QLocalSocket>

#include <gtest/gtest.h>

#include <atomic>
#include <cstring>
#include <thread>

#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

namespace {

// Runs `body` on another thread while this one serves the events of the
// instance that listens.
template <typename Body>
void WhileServing(Body body)
{
    std::atomic<bool> done = false;
    std::thread other([&] {
        body();
        done = true;
    });
    while (!done)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    other.join();
    QCoreApplication::processEvents();
}

SingleInstance::Role StartSecond(const std::string& socketPath, const std::vector<std::string>& paths)
{
    SingleInstance::Role role = SingleInstance::Role::Alone;
    WhileServing([&] { role = SingleInstance(socketPath).Start(paths); });
    return role;
}

class SingleInstanceTest : public ::testing::Test {
protected:
    void SetUp() override { TestApplication(); }

    TempDir dir;
    const std::string socketPath = dir.file("tv.socket");
    std::vector<std::vector<std::string>> received;
};

} // namespace

TEST_F(SingleInstanceTest, AStaleSocketAndGarbageDoNotStopStartsAndPathsArriveByteForByte)
{
    // A socket file nobody listens on, as a killed run leaves it.
    const int fd = socket(AF_UNIX, SOCK_STREAM, 0);
    sockaddr_un address {};
    address.sun_family = AF_UNIX;
    std::strncpy(address.sun_path, socketPath.c_str(), sizeof(address.sun_path) - 1);
    ASSERT_EQ(bind(fd, reinterpret_cast<const sockaddr*>(&address), sizeof(address)), 0);
    close(fd);

    SingleInstance first(socketPath);
    ASSERT_EQ(first.Start({"/m/x.mp3"}), SingleInstance::Role::Primary);
    // Only the user may reach the new socket.
    struct stat st {};
    ASSERT_EQ(stat(socketPath.c_str(), &st), 0);
    EXPECT_TRUE(S_ISSOCK(st.st_mode));
    EXPECT_EQ(st.st_mode & 077, 0u);

    // Paths that come before there is a receiver wait for it.
    const std::vector<std::string> paths = {"/m/caf\xe9 au lait.mp3", "/m/new\nline", "/m/folder"};
    ASSERT_EQ(StartSecond(socketPath, paths), SingleInstance::Role::HandedOver);
    first.SetReceiver([this](std::vector<std::string> got) { received.push_back(std::move(got)); });
    ASSERT_EQ(received.size(), 1u);
    EXPECT_EQ(received[0], paths);

    // A client that sends something else is dropped without a delivery...
    WhileServing([&] {
        QLocalSocket socket;
        socket.connectToServer(QString::fromStdString(socketPath));
        ASSERT_TRUE(socket.waitForConnected(2000));
        socket.write(QByteArray(64, 'x'));
        socket.waitForBytesWritten(2000);
        socket.waitForDisconnected(2000);
    });
    EXPECT_EQ(received.size(), 1u);
    // ...and the next start is served.
    ASSERT_EQ(StartSecond(socketPath, {}), SingleInstance::Role::HandedOver);
    ASSERT_EQ(received.size(), 2u);
    EXPECT_TRUE(received[1].empty());
}
