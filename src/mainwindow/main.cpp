// Tunevault's entry: settings, application, main window, the three windows of
// long operations, then the event loop.

#include "tfrmmain.h"

#include "gstmediabackend.h"
#include "mainwindowregistry.h"
#include "poptions.h"
#include "progresswindows.h"
#include "pulsemixerbackend.h"
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
    // The last step of the window's creation: the player on GStreamer and
    // the volume control on the sound server.
    frmMain.CreatePlayerControls(std::make_unique<GstMediaBackend>(),
                                 [] { return std::make_unique<PulseMixerBackend>(); });
    SetMainWindow(&frmMain);
    // Closing the window saves the settings, then stops the player; Exit
    // skips this.
    frmMain.SetCloseHandler([] { SaveOptions(); });

    // Created after the main window, which must not use them while it is created.
    ProgressWindows windows;

    frmMain.show();
    return app.exec();
}
