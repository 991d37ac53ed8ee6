#pragma once
// Helpers shared by the player tests: a Qt application object for event
// delivery, waiting on the event loop, fixture files in a temporary folder,
// and looking at the process's open files and the sound server.

#include <QByteArray>
#include <QStringList>

#include <chrono>
#include <functional>
#include <string>

namespace playertest {

// Creates the one QCoreApplication of the test process on first use.
void ensureApplication();

// Runs the event loop until pred() holds or the time is up; returns pred().
bool waitUntil(const std::function<bool()>& pred, std::chrono::milliseconds timeout);
// Runs the event loop for the given time.
void spinFor(std::chrono::milliseconds duration);

// A fresh temporary folder, removed with the object.
class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    const std::string& path() const { return m_path; }
    // Copies a fixture from the test data folder under the given name.
    std::string copyFixture(const std::string& fixture, const std::string& name) const;
    // Writes a file with the given bytes.
    std::string writeFile(const std::string& name, const std::string& bytes) const;

private:
    std::string m_path;
};

// True when this process holds the file open (by its real path).
bool processHoldsFile(const std::string& path);

// Runs pactl with the arguments; returns its standard output, or a null
// array when it failed.
QByteArray pactl(const QStringList& arguments);

} // namespace playertest
