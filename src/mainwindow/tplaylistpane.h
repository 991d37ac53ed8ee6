#pragma once
// The left pane of the main window: the playlist `songsListView`, the player
// strip under it and the volume popup. It is the playlist object that other
// windows are given: rows, selection and records are reached through it.

#include "playlistrows.h"

#include <QElapsedTimer>
#include <QList>
#include <QUrl>
#include <QWidget>

#include <chrono>
#include <cstddef>
#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

class FolderAdd;
class Prompts;
class TFileInfo;
class TUndoRecorder;
class TPlaylistDelegate;
class TPlaylistModel;
class TPlayerStrip;
class TSongHintPanel;
class TSongsListView;
class TPlaylistColumns;
class TVolumePopup;
class TtmtListView;
class QAction;
class QMenu;

// What the playlist needs from the player: the open song's path, a way to
// stop it, and the news that the open song's file was renamed (the player
// holds it open and plays on under the new path). Until a player is
// connected they do nothing.
struct TPlayerHooks {
    std::function<std::string()> CurrentSongFile = [] { return std::string(); };
    std::function<void()> StopPlaying = [] {};
    std::function<void(const std::string& from, const std::string& to)> SongRenamed =
        [](const std::string&, const std::string&) {};
};

// How "Rename File" is recorded for undo: `Begin` gives the recorder of a
// rename command (nullptr: not recorded), `Commit` keeps what it recorded.
// Until they are set a rename is not recorded.
struct TRenameUndoHooks {
    std::function<std::unique_ptr<TUndoRecorder>()> Begin;
    std::function<void(std::unique_ptr<TUndoRecorder>)> Commit;
};

class TPlaylistPane final : public QWidget, public PlaylistRows {
    Q_OBJECT
public:
    // Switches the playlist's sorting off for a batch and back to by caption
    // (which sorts all rows once) on every way out.
    class SortingOff final {
    public:
        explicit SortingOff(TPlaylistModel& model);
        ~SortingOff();
        SortingOff(const SortingOff&) = delete;
        SortingOff& operator=(const SortingOff&) = delete;

    private:
        TPlaylistModel& m_model;
    };

    // An entry dropped from the file browser: its full path and kind.
    struct DroppedEntry {
        std::string fullName;
        bool isFolder = false;
    };

    // `hintParent` is the main window, over which the hover panel floats.
    TPlaylistPane(Prompts& prompts, QWidget* hintParent, QWidget* parent = nullptr);
    ~TPlaylistPane() override;

    void SetPlayerHooks(TPlayerHooks hooks) { m_player = std::move(hooks); }
    void SetRenameUndoHooks(TRenameUndoHooks hooks) { m_renameUndo = std::move(hooks); }
    // The folder the open-file and folder dialogs start in until the user
    // has picked one in them (the folder shown in the file browser).
    void SetDialogStartFolder(std::function<std::string()> folder) { m_browserFolder = std::move(folder); }

    // Adding. A file whose content is another format than MP3 is left out
    // (Mp3Content), whatever its name; one that cannot be read gets a row.
    bool AddFileToPlaylist(const std::string& path);
    void AddFolderToPlaylist(const std::string& path);
    bool IsInPlaylist(const std::string& path) const;
    // Lists of at least this many files are added under the wait window.
    static constexpr std::size_t kWaitFiles = 100;
    // Adds `paths` in order, sorting once at the end; their records are read
    // on the worker pool, under the wait window for a long list. Returns the
    // files left out as not MP3 files, in order.
    std::vector<std::string> AddFilesToPlaylist(const std::vector<std::string>& paths);
    void submAddSingleFileClick();
    void submAddDirClick();
    // "Save playlist as": the rows in list order as an M3U8, M3U or PLS
    // file, named and placed through the save dialog.
    void SavePlaylistAsClick();
    // "Open playlist": adds the files of M3U8, M3U and PLS playlists; the
    // entries that do not exist are named in one message.
    void OpenPlaylistClick();
    // The end of a drag onto the playlist: browser rows or desktop files. A
    // playlist file (.m3u, .m3u8, .pls) adds its entries as "Open playlist"
    // does.
    void filesViewEndDrag(const std::vector<DroppedEntry>& entries);
    void AddDroppedUrls(const QList<QUrl>& urls);

    // Removing and selecting.
    void Clearplaylist1Click();
    void removeselecteditems1Click();
    void mnuSelectAll1Click();
    void mnuSongPopup();
    // "Rename File". The playing file plays on under its new name: the row
    // keeps its now-playing mark and the player learns the new path. The
    // rename can be undone (TRenameUndoHooks).
    void mnuRenameFile1Click();

    // Hover panel.
    void songsListViewInfoTip(const QPoint& globalPos);
    void songsListViewMouseMove(const QPoint& viewportPos);
    void songsListViewMouseLeave();
    void songsListViewEndColumnResize(TtmtListView* sender, int columnIndex, int columnWidth);
    void songsListViewResize();
    void panLeftResize();

    // The playlist object.
    TSongsListView* songsListView() const { return m_view; }
    TPlaylistModel* model() const { return m_model; }
    TPlaylistDelegate* delegate() const { return m_delegate; }
    int Count() const override;
    // Selected row positions, ascending.
    std::vector<int> SelectedRows() const override;
    // The number of selected rows; kept between changes of the selection or
    // the rows, so that asking at every idle turn costs nothing.
    int SelectedCount() const;
    // The selected rows as disjoint ranges [first, last], ascending.
    std::vector<std::pair<int, int>> SelectedRanges() const;
    TFileInfo* FileAt(int row) const override;

    // After a row's file may have changed its tags: the record re-reads them,
    // the row takes the new caption and tag-state image, and its now-playing
    // mark is cleared. The row moves only while sorting is on.
    void RefreshTagRow(int row);
    // RefreshTagRow for each of `rows` (positions) with sorting switched off
    // and repainting suspended, the list also hidden when `hideList`; then
    // sorting by caption again, which re-sorts all rows once.
    void RefreshTagRows(const std::vector<int>& rows, bool hideList = false);
    // After the files of `rows` (positions) were renamed through their
    // records, which then read the files under their new names: the rows
    // take the new captions and tag-state images with sorting switched off,
    // then sorted by caption once. Now-playing marks stay.
    void ShowRenamedRows(const std::vector<int>& rows);
    // Every record reads its tags again (the tag options changed how texts
    // read) on the worker pool, under the progress window, whose Cancel
    // leaves the records not read yet as they were; the rows take the new
    // captions with the next refresh of the model.
    void RereadAllTags();

    TPlayerStrip* playerStrip() const { return m_strip; }
    TVolumePopup* pVolumeControl() const { return m_volume; }
    // The view choices: tag columns and the orders of the rows.
    TPlaylistColumns& Columns() const { return *m_columns; }
    TSongHintPanel* panSongsHint() const { return m_hint; }
    QMenu* mnuSong() const { return m_mnuSong; }

    // The items of `mnuSong` (their commands come with later parts).
    QAction* PlayFile1 = nullptr;
    QAction* mnuCopyselectedsongs1 = nullptr;
    QAction* mnuMoveselectedsongs1 = nullptr;
    QAction* mnuSelectAll1 = nullptr;
    QAction* mnuRenameFile1 = nullptr;
    QAction* Changemp3tags1 = nullptr;
    QAction* Removemp3tags1 = nullptr;
    QAction* ID3v11 = nullptr;
    QAction* ID3v12 = nullptr;
    QAction* Alltags1 = nullptr;

signals:
    void MousePressed();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void BuildMenu();
    // The row takes the caption and tag-state image of its record's last
    // read, and loses its now-playing mark.
    void ShowReadTags(int row);
    // Reads the tags of `rows` on the worker pool, each into a copy of the
    // row's record, which then takes the row's place, in row order; `taken`
    // runs for each row so refreshed, `tick` about every `interval` with the
    // number done (false cancels: rows not read by then keep their records).
    void ReadRowsTags(const std::vector<int>& rows, const std::function<void(int row)>& taken,
                      const std::function<bool(int done)>& tick, std::chrono::milliseconds interval);
    // An add that shows its paths in the wait window and stops at its Cancel.
    FolderAdd WaitWindowAdd() const;
    void AddPathsAsDrop(const std::vector<DroppedEntry>& entries);
    // One warning naming the files left out as not MP3 files; none for none.
    void ReportNotMp3(const std::vector<std::string>& files);
    // The files that playlist files list, in order, those that exist in
    // `found`; the missing ones and the playlists that cannot be read are
    // added to the other two.
    struct PlaylistEntries {
        std::vector<std::string> found;
        std::vector<std::string> missing;
        QStringList unreadable;
    };
    static void ReadPlaylistEntries(const std::string& playlist, PlaylistEntries& entries);
    // One error for the playlists that could not be read and one warning
    // naming the missing entries; nothing when there are none.
    void ReportPlaylistProblems(const PlaylistEntries& entries);
    std::string DialogStartFolder() const;

    Prompts& m_prompts;
    TPlayerHooks m_player;
    TRenameUndoHooks m_renameUndo;
    std::function<std::string()> m_browserFolder;
    std::string m_pickedFolder; // the last folder picked in the dialogs
    TSongsListView* m_view = nullptr;
    TPlaylistModel* m_model = nullptr;
    TPlaylistDelegate* m_delegate = nullptr;
    TPlayerStrip* m_strip = nullptr;
    TVolumePopup* m_volume = nullptr;
    TPlaylistColumns* m_columns = nullptr; // a child of the view
    TSongHintPanel* m_hint = nullptr;
    QMenu* m_mnuSong = nullptr;
    QElapsedTimer m_clock;
    qint64 m_hintTick = 0;
    mutable int m_selectedCount = -1; // -1: to be counted again
};
