#pragma once
// Helpers shared by the player tests: a Qt application object for event
// delivery, waiting on the event loop, fixture files in a temporary folder,
// and looking at the process's open files and the sound server.

#include <QByteArray>
#include <QProcess>
#include <QStringList>

#include <chrono>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "filefixtures.h"

namespace playertest {

// Creates the one QCoreApplication of the test process on first use.
void ensureApplication();

// Runs the event loop until pred() holds or the time is up; returns pred().
bool waitUntil(const std::function<bool()>& pred, std::chrono::milliseconds timeout);
// Runs the event loop for the given time.
void spinFor(std::chrono::milliseconds duration);

// Copies a fixture from the test data folder into `dir` under `name`;
// returns its path.
std::string copyFixture(const TempDir& dir, const std::string& fixture, const std::string& name);
// Writes a file of the given bytes into `dir`; returns its path.
std::string writeFile(const TempDir& dir, const std::string& name, const std::string& bytes);

// True when this process holds the file open (by its real path).
bool processHoldsFile(const std::string& path);

// Runs pactl with the arguments; returns its standard output, or a null
// array when it failed.
QByteArray pactl(const QStringList& arguments);
// Raw volume of the first channel of the default sink.
std::optional<std::uint32_t> defaultSinkVolume();
// This process's sink inputs: index and raw volume of the first channel.
std::vector<std::pair<int, std::uint32_t>> ownSinkInputs();

// Environment variables set for a while and put back as they were.
class ScopedEnvironment final {
public:
    ScopedEnvironment() = default;
    ~ScopedEnvironment();
    ScopedEnvironment(const ScopedEnvironment&) = delete;
    ScopedEnvironment& operator=(const ScopedEnvironment&) = delete;

    void set(const char* name, const QByteArray& value);

private:
    std::vector<std::pair<const char*, QByteArray>> m_saved;
};

// A PulseAudio daemon of the test's own (a null sink and the stream-restore
// database) in folders of its own; while the object lives, this process's
// PULSE_SERVER names it, so that nothing else (other tests running beside,
// the user's server) sees what the test does to it. It can be killed and
// started again on the same socket, as a sound server restarts.
class PrivateSoundServer final {
public:
    PrivateSoundServer();
    ~PrivateSoundServer();
    PrivateSoundServer(const PrivateSoundServer&) = delete;
    PrivateSoundServer& operator=(const PrivateSoundServer&) = delete;

    // Starts the daemon and waits until it answers; false when it does not.
    bool start();
    // Kills the daemon (as a crash would) and waits until it is gone.
    void kill();

private:
    TempDir m_dir;
    QProcess m_daemon;
    ScopedEnvironment m_environment;
};

} // namespace playertest
