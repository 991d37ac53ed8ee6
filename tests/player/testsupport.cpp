#include "testsupport.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QProcess>
#include <QThread>

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>

namespace playertest {

namespace {

std::unique_ptr<QCoreApplication> g_application;

// Destroys the application at the end of the run, while the rest of Qt is
// still alive; static destruction at exit is too late for it.
class ApplicationEnvironment final : public ::testing::Environment {
public:
    void TearDown() override { g_application.reset(); }
};

} // namespace

void ensureApplication()
{
    static int argc = 1;
    static char name[] = "playertest";
    static char* argv[] = {name, nullptr};
    if (!QCoreApplication::instance()) {
        g_application = std::make_unique<QCoreApplication>(argc, argv);
        ::testing::AddGlobalTestEnvironment(new ApplicationEnvironment);
    }
}

bool waitUntil(const std::function<bool()>& pred, std::chrono::milliseconds timeout)
{
    QElapsedTimer clock;
    clock.start();
    while (!pred()) {
        if (clock.elapsed() >= timeout.count())
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        QThread::msleep(2);
    }
    return true;
}

void spinFor(std::chrono::milliseconds duration)
{
    QElapsedTimer clock;
    clock.start();
    while (clock.elapsed() < duration.count()) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        QThread::msleep(2);
    }
}



std::string copyFixture(const TempDir& dir, const std::string& fixture, const std::string& name)
{
    const std::string target = dir.file(name);
    std::filesystem::copy_file(std::string(TV_TEST_DATA_DIR) + "/" + fixture, target);
    return target;
}

std::string writeFile(const TempDir& dir, const std::string& name, const std::string& bytes)
{
    const std::string target = dir.file(name);
    WriteFile(target, bytes);
    return target;
}

bool processHoldsFile(const std::string& path)
{
    const std::filesystem::path wanted = std::filesystem::canonical(path);
    for (const auto& entry : std::filesystem::directory_iterator("/proc/self/fd")) {
        std::error_code error;
        const std::filesystem::path target = std::filesystem::read_symlink(entry.path(), error);
        if (!error && target == wanted)
            return true;
    }
    return false;
}

QByteArray pactl(const QStringList& arguments)
{
    QProcess process;
    process.start("pactl", arguments);
    if (!process.waitForFinished(10000) || process.exitStatus() != QProcess::NormalExit ||
        process.exitCode() != 0)
        return {};
    QByteArray out = process.readAllStandardOutput();
    if (out.isNull())
        out = QByteArray("");
    return out;
}

} // namespace playertest
