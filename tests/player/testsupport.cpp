#include "testsupport.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QThread>

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>

#include <unistd.h>

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

namespace {

// Raw volume of the first channel of a pactl JSON volume object.
std::optional<std::uint32_t> firstChannelVolume(const QJsonObject& object)
{
    const QJsonObject volume = object.value("volume").toObject();
    if (volume.isEmpty())
        return std::nullopt;
    const QJsonObject channel = volume.begin()->toObject();
    return static_cast<std::uint32_t>(channel.value("value").toInteger(-1));
}

} // namespace

std::optional<std::uint32_t> defaultSinkVolume()
{
    const QString name = QString::fromUtf8(pactl({"get-default-sink"})).trimmed();
    const QJsonArray sinks = QJsonDocument::fromJson(pactl({"-f", "json", "list", "sinks"})).array();
    for (const QJsonValue& sink : sinks)
        if (sink.toObject().value("name").toString() == name)
            return firstChannelVolume(sink.toObject());
    return std::nullopt;
}

std::vector<std::pair<int, std::uint32_t>> ownSinkInputs()
{
    std::vector<std::pair<int, std::uint32_t>> found;
    const QString pid = QString::number(::getpid());
    const QJsonArray inputs = QJsonDocument::fromJson(pactl({"-f", "json", "list", "sink-inputs"})).array();
    for (const QJsonValue& input : inputs) {
        const QJsonObject object = input.toObject();
        if (object.value("properties").toObject().value("application.process.id").toString() == pid)
            found.emplace_back(object.value("index").toInt(), firstChannelVolume(object).value_or(0));
    }
    return found;
}

} // namespace playertest
