#include "testapplication.h"

#include <QApplication>

#include <memory>

QApplication& TestApplication()
{
    static int argc = 1;
    static char name[] = "tunevault-test";
    static char* argv[] = {name, nullptr};
    static std::unique_ptr<QApplication> app;
    if (!app) {
        if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
            qputenv("QT_QPA_PLATFORM", "offscreen");
        app = std::make_unique<QApplication>(argc, argv);
    }
    return *app;
}
