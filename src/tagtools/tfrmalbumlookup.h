#pragma once
// "Look up album online": looks the album of the selected playlist files up
// in the MusicBrainz database and fills their tags from the release the
// user picks. The search takes the album and artist the files' tags give
// (editable) and the number of files; the releases found are listed with
// their title, artist, date, country, format, track count and, once the
// release's tracks are known, how many matched lengths agree. The chosen
// release's tracks stand beside the files, matched by track number, else
// by title and length; the user can give a file another track or none,
// and uncheck files. Apply writes the checked, matched files through the
// save of every tag command, with the chosen extras (genre, identifiers,
// front cover from the Cover Art Archive). The requests run in the
// background: the window shows what it is waiting for and Stop gives up.
// A request that fails shows its message, and then nothing is written.

#include "albumrelease.h"
#include "trackmatcher.h"

#include <QDialog>

#include <map>
#include <memory>
#include <string>
#include <vector>

class AlbumLookupService;
class PlaylistRows;
class Prompts;
class TFileInfo;
class TPreviewModel;
class TUndoRecorder;
class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QTableView;

class TfrmAlbumLookup final : public QDialog {
    Q_OBJECT
public:
    enum ReleaseColumn { TitleColumn = 0, ArtistColumn, DateColumn, CountryColumn, FormatColumn, TracksColumn,
                         LengthsColumn };
    enum TrackColumn { FileColumn = 0, FileLengthColumn, NumberColumn, TrackTitleColumn, TrackLengthColumn };

    TfrmAlbumLookup(PlaylistRows& playlist, Prompts& prompts, AlbumLookupService& service,
                    QWidget* parent = nullptr);
    ~TfrmAlbumLookup() override;

    // Each file's tags are recorded there before they are written.
    void SetUndoRecorder(TUndoRecorder* recorder) { m_undo = recorder; }
    bool TagsWritten() const { return m_tagsWritten; }
    // A request is under way.
    bool Busy() const;
    // The release whose tracks are shown; nullptr before one is.
    const AlbumRelease* ShownRelease() const;
    // For each file (in playlist order) the index of its track in the
    // shown release, or -1.
    const std::vector<int>& Matching() const { return m_matching; }
    TPreviewModel* Releases() const { return m_releaseList; }
    TPreviewModel* Tracks() const { return m_trackList; }

    QLineEdit* edtAlbum = nullptr;
    QLineEdit* edtArtist = nullptr;
    QPushButton* btnSearch = nullptr;
    QPushButton* btnStop = nullptr;
    QLabel* labStatus = nullptr;
    QTableView* lvReleases = nullptr;
    QTableView* lvTracks = nullptr;
    QComboBox* cbTrackForFile = nullptr;
    QCheckBox* cbGenre = nullptr;
    QCheckBox* cbIdentifiers = nullptr;
    QCheckBox* cbCover = nullptr;
    QCheckBox* cbOriginalCover = nullptr;
    QCheckBox* cbSetV1 = nullptr;
    QPushButton* btnApply = nullptr;
    QPushButton* btnClose = nullptr;

    void btnSearchClick();
    void btnStopClick();
    void btnApplyClick();
    // Shows the tracks of the release in this row of the list, looking it
    // up first when its tracks are not known yet.
    void SelectRelease(int row);
    // Gives the file of this track-list row the track at `track` of the
    // shown release (-1: none); a file that had it loses it.
    void SetTrackOfFile(int fileRow, int track);

signals:
    // A request ended, or what the window shows changed.
    void stateChanged();

protected:
    void done(int result) override;

private:
    struct File {
        TFileInfo* record = nullptr;
        std::string path;
        TrackMatcher::File match;
        bool checked = true;
    };

    void BuildWindow();
    // Lists the releases the search finds.
    void Search(ReleaseQuery query);
    void ReadFiles();
    void SetStatus(const QString& text, bool busy);
    void Failed(const QString& message);
    void ShowRelease(const AlbumRelease& release);
    void ShowTracks();
    void UpdateTrackChoice();
    void UpdateButtons();
    void ReleaseLengthsKnown(const AlbumRelease& release);
    // Reads the tracks of a release that is not chosen yet.
    void ReadAhead(const QString& releaseId);

    // The releases at the top of the list whose tracks are read at once.
    static constexpr std::size_t kReleasesReadAhead = 3;
    // Writes the checked, matched files with this cover (none: unchanged).
    void WriteTags(std::shared_ptr<const std::string> cover);

    PlaylistRows& m_playlist;
    Prompts& m_prompts;
    AlbumLookupService& m_service;
    TPreviewModel* m_releaseList = nullptr;
    TPreviewModel* m_trackList = nullptr;
    std::vector<File> m_files;
    std::vector<ReleaseCandidate> m_candidates;
    std::map<QString, AlbumRelease> m_known;
    QString m_shown;
    QString m_wanted;
    std::vector<int> m_matching;
    bool m_busy = false;
    bool m_tagsWritten = false;
    TUndoRecorder* m_undo = nullptr;
};

// Creates the window over the main window with a MusicBrainz client on the
// servers of the settings, shows it modally and destroys both. Returns
// whether tags were written; `undo` records each file before its write.
bool ShowAlbumLookup(PlaylistRows& playlist, Prompts& prompts, QWidget* parent = nullptr,
                     TUndoRecorder* undo = nullptr);
