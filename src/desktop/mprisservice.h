#pragma once
// The player on the session bus as an MPRIS 2 media player
// (org.mpris.MediaPlayer2 and org.mpris.MediaPlayer2.Player at
// /org/mpris/MediaPlayer2), so that media keys and the desktop's sound menu
// control it. Every command goes through the player controls of the main
// window, as a click would, so the window shows what the bus did; commands
// are ignored while the window takes none from the user either (a modal
// window is open or a long operation runs).
//
// Property changes are found when the event loop is about to wait, by
// comparing with what was last announced, and sent as PropertiesChanged.

#include <QDBusConnection>
#include <QDBusObjectPath>
#include <QObject>
#include <QString>
#include <QVariantMap>

#include <cstdint>
#include <optional>
#include <string>

class TfrmMain;
class TPlayerControls;
class TPlaylistPane;

class MprisService final : public QObject {
    Q_OBJECT
public:
    static constexpr const char* ObjectPath = "/org/mpris/MediaPlayer2";
    static constexpr const char* RootInterface = "org.mpris.MediaPlayer2";
    static constexpr const char* PlayerInterface = "org.mpris.MediaPlayer2.Player";
    static constexpr const char* BaseServiceName = "org.mpris.MediaPlayer2.tunevault";

    // The window must have its player controls.
    explicit MprisService(TfrmMain& window, QObject* parent = nullptr);
    ~MprisService() override;

    // Registers the object and the bus name (BaseServiceName, or one with
    // ".instance<pid>" when that is taken). False, silently, when the
    // connection is not up or the bus refuses.
    bool Register(const QDBusConnection& connection);
    // The registered bus name; empty before a successful Register.
    const QString& serviceName() const { return m_serviceName; }

    // org.mpris.MediaPlayer2
    void Raise();
    void Quit();

    // org.mpris.MediaPlayer2.Player. Positions and offsets in microseconds.
    void Play();
    void Pause();
    void PlayPause();
    void Stop();
    void Next();
    void Previous();
    void Seek(qlonglong offset);
    void SetPosition(const QDBusObjectPath& trackId, qlonglong position);
    void OpenUri(const QString& uri);
    QString PlaybackStatus() const;
    QVariantMap Metadata();
    qlonglong Position() const;
    // The program's wave volume, 0.0 to 1.0.
    double Volume() const;
    void SetVolume(double volume);
    bool CanGoNext();
    bool CanGoPrevious();
    bool CanPlay() const;
    bool CanPause() const;
    bool CanSeek() const;

signals:
    // The position jumped (seeks of the bus and of the window alike).
    void Seeked(qlonglong position);

private:
    struct Announced {
        QString status;
        std::uint64_t track = 0;
        bool canGoNext = false;
        bool canGoPrevious = false;
        bool canPlay = false;
        bool canPause = false;
        bool canSeek = false;
    };
    struct Track {
        std::string path;
        std::uint64_t number = 0;
        QString title;
        QString artist;
        QString album;
    };

    // Sends PropertiesChanged for what differs from the last announcement.
    void Refresh();
    void EmitChanged(const char* interface, const QVariantMap& changed);
    // Follows the player's song; a new song gets a new track id and its tags.
    void UpdateTrack();
    QDBusObjectPath TrackId() const;
    // The playlist row of the song being played, else the first selected
    // row; -1 when there is neither.
    int CurrentRow() const;
    int RowOf(const std::string& path) const;
    // Selects the row alone and plays it as a double click does.
    void PlayRow(int row);
    bool Accepts() const;

    TfrmMain& m_window;
    TPlayerControls& m_controls;
    TPlaylistPane& m_playlist;
    std::optional<QDBusConnection> m_connection;
    QString m_serviceName;
    Announced m_announced;
    Track m_track;
    // Rows, selection or song changed since the row-based values were computed.
    bool m_rowsDirty = true;
};
