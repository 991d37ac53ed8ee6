#pragma once
// Helpers shared by the player tests: a Qt application object for event
// delivery, waiting on the event loop, fixture files in a temporary folder,
// and looking at the process's open files and the sound server.

#include <QByteArray>
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

} // namespace playertest
