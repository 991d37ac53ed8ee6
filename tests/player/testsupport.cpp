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

ScopedEnvironment::~ScopedEnvironment()
{
    for (auto it = m_saved.rbegin(); it != m_saved.rend(); ++it) {
        if (it->second.isNull())
            qunsetenv(it->first);
        else
            qputenv(it->first, it->second);
    }
}

void ScopedEnvironment::set(const char* name, const QByteArray& value)
{
    m_saved.emplace_back(name, qgetenv(name));
    qputenv(name, value);
}

PrivateSoundServer::PrivateSoundServer()
{
    for (const char* folder : {"/runtime", "/state", "/home"})
        std::filesystem::create_directory(m_dir.path() + folder);
    std::filesystem::permissions(m_dir.path() + "/runtime", std::filesystem::perms::owner_all);
    m_environment.set("PULSE_SERVER", QByteArray::fromStdString("unix:" + m_dir.path() + "/native"));
    // No ALSA device either: the server is the only sound output.
    WriteFile(m_dir.path() + "/no-alsa.conf", "");
    m_environment.set("ALSA_CONFIG_PATH", QByteArray::fromStdString(m_dir.path() + "/no-alsa.conf"));
    start();
}

PrivateSoundServer::~PrivateSoundServer()
{
    kill();
}

bool PrivateSoundServer::start()
{
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    const QString dir = QString::fromStdString(m_dir.path());
    environment.insert("HOME", dir + "/home");
    environment.insert("XDG_CONFIG_HOME", dir + "/home/.config");
    environment.insert("XDG_RUNTIME_DIR", dir + "/runtime");
    environment.insert("PULSE_RUNTIME_PATH", dir + "/runtime/pulse");
    environment.insert("PULSE_STATE_PATH", dir + "/state");
    m_daemon.setProcessEnvironment(environment);
    m_daemon.setStandardOutputFile(QProcess::nullDevice());
    m_daemon.setStandardErrorFile(QProcess::nullDevice());
    m_daemon.start("pulseaudio", {"--daemonize=no", "--exit-idle-time=-1", "-n", "--use-pid-file=no",
                                  "--load=module-null-sink", "--load=module-stream-restore",
                                  "--load=module-native-protocol-unix socket=" + dir + "/native"});
    if (!m_daemon.waitForStarted(5000))
        return false;
    QElapsedTimer clock;
    clock.start();
    while (pactl({"info"}).isNull()) {
        if (clock.elapsed() > 10000 || m_daemon.state() != QProcess::Running)
            return false;
        QThread::msleep(50);
    }
    return true;
}

void PrivateSoundServer::kill()
{
    if (m_daemon.state() == QProcess::NotRunning)
        return;
    m_daemon.kill();
    m_daemon.waitForFinished(5000);
}

} // namespace playertest
