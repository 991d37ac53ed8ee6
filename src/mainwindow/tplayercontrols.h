#pragma once
// The player controls of the main window: the strip under the playlist (Play
// with its action, Pause, Stop, Previous and Next, the seek gauge, Volume),
// the floating volume panel with its two bars, the playing mark of the
// playlist rows, and the idle-time enabling of the player buttons and the
// playlist commands.
//
// It owns the media player and the mixer volume control. The volume control
// is made last, from the mixer factory; when that fails the error is shown
// once and the program runs on without one (the bars then change nothing).
//
// The strip shows the elapsed and the total time beside the gauge; the
// playing song's caption and the failures of songs that cannot be played
// go out as signals for the window's title and status line (a line, not a
// message box, so that many failures in a row ask for nothing). A row is
// marked as playing only while its song is open: every way the player
// stops clears the marks.
//
// Previous and Next play the row above or below the playing song's row in
// the playlist's order of the moment (the rows may have been sorted again
// since it started); with no song playing, Next plays the first selected row
// (row 0 without a selection) and Previous the row above it. With the option
// to play on, the end of a song plays the next row, and the last row's end
// stops the player.

#include "taudiovolumecontrol.h"

#include <QObject>

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

class MediaBackend;
class MixerBackend;
class MusikPlayer;
class Prompts;
class TPlaylistPane;
class QAction;
class QProgressBar;
class QSlider;
class QWidget;

class TPlayerControls final : public QObject {
    Q_OBJECT

public:
    using MixerFactory = std::function<std::unique_ptr<MixerBackend>()>;
    static constexpr std::int64_t ArrowSeekStep = 5000;

    // `updateFrameActions` recomputes the frame's playlist commands (the
    // search button and the menu items); it runs at the end of each idle-time
    // update.
    TPlayerControls(TPlaylistPane& playlist, Prompts& prompts, std::unique_ptr<MediaBackend> media,
                    const MixerFactory& mixer, std::function<void()> updateFrameActions,
                    QObject* parent = nullptr);
    ~TPlayerControls() override;

    MusikPlayer& player() const { return *m_player; }
    // Null when the mixer could not be opened.
    TAudioVolumeControl* VolumeControl() const { return m_volumeControl.get(); }
    QAction* playAction() const { return m_playAction; }
    // The gauge's dragging flag.
    bool isDragging() const { return m_dragging; }

    void playActionExecute();
    void playActionUpdate();
    void songsListViewDblClick();
    // Plays the row's song and moves the playing mark to it, as a double
    // click on the row does; the selection stays as it is.
    void PlayRow(int row);
    void butPreviousClick();
    void butNextClick();
    // The rows Previous and Next play; -1 when there is none.
    int PreviousRow() const;
    int NextRow() const;
    void butPauseClick();
    void butStopClick();
    // The position refresh: gauge maximum and position from the player.
    void PlayerPosition();
    // X relative to the gauge.
    void progressMouseDown(int x);
    void progressMouseMove(int x);
    void progressMouseUp();
    // Left and Right seek; the key goes on to the list in any case.
    void songsListViewKeyDown(int key, Qt::KeyboardModifiers modifiers);
    // What every seek of the controls does: move to the target, play from
    // there, refresh the gauge. A target outside the song is refused by the
    // player, which then plays on from where it was.
    void SeekAndPlay(std::int64_t targetMs);
    void butVolumeClick();
    void pVolumeControlExit();
    void hideVolumeControlMouseDown();
    void onManualVolumeChange(QSlider* bar);
    void VolumeControlChanged(VolumeKind kind, std::uint32_t value);

signals:
    // After each SeekAndPlay, with the position the player is at.
    void seeked(std::int64_t positionMs);
    // The open song's caption (its row's), or empty when no song is open.
    void songCaptionChanged(const QString& caption);
    // A line for the user about the player: why a song cannot be played;
    // empty (nothing to say) once a song has started.
    void playerMessage(const QString& text);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void CreateVolumeControl(const MixerFactory& mixer);
    void ClearPlayingMarks();
    // The player opened, closed or renamed its song.
    void SongChanged();
    // The open song has played to its end.
    void SongEnded();
    // The row of the open song; -1 when none is open or no row holds it.
    int PlayingRow() const;
    // The first selected row; -1 without a selection.
    int FirstSelectedRow() const;
    void PlaybackFailed(const std::string& path, const std::string& reason);
    // The caption of the row that holds `path`; its file name when none does.
    QString CaptionOf(const std::string& path) const;
    bool inVolumePanel(const QWidget* widget) const;

    TPlaylistPane& m_playlist;
    Prompts& m_prompts;
    std::function<void()> m_updateFrameActions;
    std::unique_ptr<MusikPlayer> m_player;
    std::unique_ptr<TAudioVolumeControl> m_volumeControl;
    QAction* m_playAction = nullptr;
    QProgressBar* m_progress = nullptr;
    QSlider* m_volumeBar1 = nullptr;
    QSlider* m_volumeBar2 = nullptr;
    bool m_dragging = false;
    // Where PlayingRow() last found the song, tried first (the enabling
    // asks for it whenever the program goes idle).
    mutable int m_playingRowHint = -1;
    // The playing song that no row held when last looked for: the idle-time
    // enabling does not look through every row again until rows are added
    // or changed.
    mutable std::string m_unlistedSong;
};
