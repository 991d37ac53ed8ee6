#pragma once
// The media player: one song at a time, with the only player state of the
// process. While a song is open a position poller asks, through the
// playerPosition() signal, for a refresh of the seek gauge every 500 ms, the
// first one at once; none arrives after StopPlaying() has returned.
//
// The end of a song changes nothing in the player's state: it stays
// "playing" until the user stops, pauses, seeks or starts another song. The
// poller notices the end, though, and tells it once through songEnded(), so
// that whoever owns the player can start the next song. A song that cannot be
// played is told, not hidden: a failed open and a stream that fails while it
// plays (the player then stops) both give playbackFailed() with the reason.
// All operations run on the user-interface thread; the signals are delivered
// there too.

#include "mediabackend.h"

#include <QObject>
#include <QTimer>

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

class MusikPlayer final : public QObject {
    Q_OBJECT

public:
    static constexpr int PositionPollInterval = 500;
    static constexpr std::uint32_t FallbackLength = 100;

    explicit MusikPlayer(std::unique_ptr<MediaBackend> backend, QObject* parent = nullptr);
    ~MusikPlayer() override;

    MusikPlayer(const MusikPlayer&) = delete;
    MusikPlayer& operator=(const MusikPlayer&) = delete;

    // Stops any open song, opens the file and starts it. False when the file
    // cannot be opened; the player is idle then, LastError() tells why and
    // playbackFailed() has been emitted.
    bool PlayFile(const std::string& path);
    // Stops and closes; always safe.
    void StopPlaying();
    // Each of these does nothing while no song is open.
    void StartPlaying();
    void PausePlaying();
    void ResumePlaying();
    // Moves to the position and leaves the song stopped there until the next
    // StartPlaying(). A target outside the song is refused; the position and
    // the state stay as they were.
    void SeekTo(std::int64_t positionMs);

    // Length of the open song in ms; 100 when unknown or nothing is open.
    std::uint32_t GetSongLength();
    // The same, but nullopt when unknown or nothing is open.
    std::optional<std::uint32_t> QuerySongLength();
    // Position in ms; 0 when unknown or nothing is open.
    std::uint32_t GetSongPosition();

    // A song is playing, paused, or has run to its end.
    bool IsPlayerActive() const;
    bool IsPlayerPaused() const;
    // The path of the open song; empty when none is open. Compared with a
    // row's path, byte for byte, to learn whether that row is playing.
    const std::string& CurrentSongFile() const;
    // The open song's file was renamed (or moved) from `from` to `to`: the
    // player, which holds it open, plays on and knows it by its new path.
    // Nothing happens when `from` is not the open song.
    void SongFileRenamed(const std::string& from, const std::string& to);
    // Why the last song failed: its open, or its stream while it played;
    // empty once a song has opened since.
    const std::string& LastError() const;

    // True while the position poller runs (exactly while a song is open).
    bool IsPollerRunning() const;

signals:
    // Refresh the seek gauge from GetSongLength() and GetSongPosition().
    void playerPosition();
    // CurrentSongFile() changed: a song opened or closed, or its file was
    // renamed.
    void songChanged();
    // The open song has played to its end: once each time it gets there
    // (again only after a seek back into it). The song stays open.
    void songEnded();
    // `path` could not be opened, or its stream failed while it played and
    // the player stopped; `reason` says why, in words for the user.
    void playbackFailed(const std::string& path, const std::string& reason);

private:
    void startPoller();
    void stopPoller();
    void pollPosition();

    std::unique_ptr<MediaBackend> m_backend;
    std::string m_currentSongFile;
    std::string m_lastError;
    bool m_deviceOpen = false;
    bool m_active = false;
    bool m_paused = false;
    QTimer m_poller;
    // Bumped whenever the poller starts or stops, so that a first refresh
    // queued for an earlier song is dropped.
    std::uint64_t m_pollerGeneration = 0;
};
