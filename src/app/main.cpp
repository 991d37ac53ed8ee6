// Tunevault's entry: command line, settings, application, the hand-over to a
// window that already runs, main window, the three windows of long
// operations, the desktop session, then the event loop.

#include "tfrmmain.h"

#include "commandline.h"
#include "desktopsession.h"
#include "gstmediabackend.h"
#include "mainwindowregistry.h"
#include "optionvalues.h"
#include "poptions.h"
#include "progresswindows.h"
#include "pulsemixerbackend.h"
#include "qtprompts.h"
#include "settingskeeper.h"
#include "singleinstance.h"
#include "terminationsignals.h"

#include <QApplication>
#include <QDBusConnection>
#include <QFile>
#include <QStandardPaths>
#include <QTextStream>

#include <cstdio>

namespace {

void SetIdentity()
{
    QCoreApplication::setApplicationName(QStringLiteral("Tunevault"));
    QCoreApplication::setOrganizationName(QStringLiteral("Orvanel Soft"));
    QCoreApplication::setApplicationVersion(QStringLiteral(TV_VERSION));
}

// --help and --version need no window system.
int PrintAndExit(const CommandLine& commandLine, int argc, char* argv[])
{
    QCoreApplication core(argc, argv);
    QTextStream out(stdout);
    if (commandLine.action() == CommandLine::Action::ShowHelp)
        out << commandLine.HelpText();
    else
        out << QCoreApplication::applicationName() << ' ' << QCoreApplication::applicationVersion() << '\n';
    return 0;
}

} // namespace

int main(int argc, char* argv[])
{
    SetIdentity();
    if (const CommandLine early(argc, argv); early.action() != CommandLine::Action::Run)
        return PrintAndExit(early, argc, argv);

    const OptionsLoadReport settingsLoad = LoadOptions();

    QApplication app(argc, argv);
    QGuiApplication::setDesktopFileName(QStringLiteral(TV_APP_ID));
    // Read again without the toolkit's own options (-style, -session, ...),
    // which the application took out of argv.
    const CommandLine commandLine(argc, argv);
    for (const QString& error : commandLine.errors())
        std::fprintf(stderr, "tunevault: %s\n", qPrintable(error));
    const CommandLine::Launch launch = CommandLine::Classify(commandLine.paths());
    CommandLine::ReportIgnored(launch.ignored);

    // A window of this user runs already: it takes the paths and comes to
    // the front.
    SingleInstance instance(SingleInstance::DefaultSocketPath());
    switch (instance.Start(CommandLine::PathsOf(launch))) {
    case SingleInstance::Role::HandedOver:
        return 0;
    case SingleInstance::Role::NoAnswer:
        std::fprintf(stderr, "tunevault: the running Tunevault window does not answer\n");
        return 1;
    case SingleInstance::Role::Alone:
    case SingleInstance::Role::Primary:
        break;
    }

    QtPrompts prompts;
    TfrmMain frmMain(prompts);
    // The last step of the window's creation: the player on GStreamer and
    // the volume control on the sound server.
    frmMain.CreatePlayerControls(std::make_unique<GstMediaBackend>(),
                                 [] { return std::make_unique<PulseMixerBackend>(); });
    SetMainWindow(&frmMain);
    // Closing the window saves the settings (a failure is shown), then stops
    // the player. A settings file that could not be read at start is
    // replaced only when the user agrees.
    SettingsKeeper settingsKeeper(prompts);
    frmMain.SetSettingsSaver([&settingsKeeper](std::string& reason) { return settingsKeeper.Save(reason); });

    // Created after the main window, which must not use them while it is created.
    ProgressWindows windows;

    DesktopSession session(frmMain, &instance);
    session.OfferPlayer(QDBusConnection::sessionBus());

    // The playlist of the last close, in the program's data folder.
    frmMain.SetPlaylistFile(
        QFile::encodeName(QStandardPaths::writableLocation(QStandardPaths::AppDataLocation)).toStdString()
        + "/playlist.m3u8");

    frmMain.ShowStartFolder(options::browserFolder);
    frmMain.show();
    // A logout, a shutdown or Ctrl+C closes the window as its close button does.
    const TerminationSignals terminations(frmMain);
    settingsKeeper.ReportLoad(settingsLoad);
    frmMain.RecoverInterruptedSaves();
    frmMain.LoadSavedPlaylist();
    session.OpenPaths(CommandLine::PathsOf(launch));
    return app.exec();
}
