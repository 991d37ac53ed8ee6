// Tunevault's entry: settings, application, main window, the three windows of
// long operations, then the event loop.

#include "tfrmmain.h"

#include "mainwindowregistry.h"
#include "poptions.h"
#include "progresswindows.h"
#include "qtprompts.h"

#include <QApplication>

int main(int argc, char* argv[])
{
    LoadOptions();

    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Tunevault"));
    QApplication::setOrganizationName(QStringLiteral("Orvanel Soft"));

    QtPrompts prompts;
    TfrmMain frmMain(prompts);
    SetMainWindow(&frmMain);
    // Closing the window saves the settings (and stops the player once one
    // is connected); Exit skips this.
    frmMain.SetCloseHandler([] { SaveOptions(); });

    // Created after the main window, which must not use them while it is created.
    ProgressWindows windows;

    frmMain.show();
    return app.exec();
}
