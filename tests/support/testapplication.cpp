#include "testapplication.h"

#include <QApplication>

#include <gtest/gtest.h>

#include <memory>

namespace {

std::unique_ptr<QApplication> g_app;

// Destroys the application at the end of the test run, while the rest of Qt
// is still alive (static destruction at exit is too late for it).
class ApplicationEnvironment final : public ::testing::Environment {
public:
    void TearDown() override { g_app.reset(); }
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
        g_app = std::make_unique<QApplication>(argc, argv);
        ::testing::AddGlobalTestEnvironment(new ApplicationEnvironment);
    }
    return *g_app;
}
