#include "testapplication.h"

#include <QApplication>

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>

namespace {

std::unique_ptr<QApplication> g_app;
std::string g_dataHome;

// Destroys the application at the end of the test run, while the rest of Qt
// is still alive (static destruction at exit is too late for it), and the
// test run's data folder.
class ApplicationEnvironment final : public ::testing::Environment {
public:
    void TearDown() override
    {
        g_app.reset();
        std::error_code ignored;
        std::filesystem::remove_all(g_dataHome, ignored);
    }
};

} // namespace

QApplication& TestApplication()
{
    static int argc = 1;
    static char name[] = "tunevault-test";
    static char* argv[] = {name, nullptr};
    if (!g_app) {
        if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
            qputenv("QT_QPA_PLATFORM", "offscreen");
        // What the program keeps in its data folder (the undo journal) goes
        // to a folder of this test run, never to the user's.
        std::string folder = "/tmp/tunevault-data.XXXXXX";
        if (mkdtemp(folder.data())) {
            g_dataHome = folder;
            qputenv("XDG_DATA_HOME", folder.c_str());
        }
        g_app = std::make_unique<QApplication>(argc, argv);
        ::testing::AddGlobalTestEnvironment(new ApplicationEnvironment);
    }
    return *g_app;
}
