#pragma once
// The main window's part in the desktop session: the MP3 files and folders
// given on the command line or handed over by a later start are added to
// the playlist (folders with their subfolders, as "Add directory ..." does),
// a hand-over brings the window to the front, and the player is offered on
// the session bus for media keys and the sound menu.

#include <QObject>

#include <memory>
#include <string>
#include <vector>

class MprisService;
class QDBusConnection;
class SingleInstance;
class TfrmMain;

class DesktopSession final : public QObject {
    Q_OBJECT
public:
    // `instance` may be null (no single window); the window must have its
    // player controls.
    DesktopSession(TfrmMain& window, SingleInstance* instance, QObject* parent = nullptr);
    ~DesktopSession() override;

    // Registers the player on the bus; false, silently, without one.
    bool OfferPlayer(const QDBusConnection& bus);

    // Adds the paths once the event loop runs and the window takes commands
    // (not while a modal window is open or a long operation runs). Paths
    // that are neither MP3 files nor folders are reported on stderr.
    void OpenPaths(const std::vector<std::string>& paths);

private:
    void AddPending();

    TfrmMain& m_window;
    std::unique_ptr<MprisService> m_mpris;
    std::vector<std::string> m_pending;
    bool m_scheduled = false;
    // A later start asked for the window: it comes to the front after adding.
    bool m_raise = false;
};
