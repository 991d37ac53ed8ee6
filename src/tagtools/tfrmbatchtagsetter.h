#pragma once
// "Tag setup": fills the artist, title and (optionally) track of the ID3v1
// and/or ID3v2 tags of playlist files from the captions the playlist shows,
// split at hyphens, or the fields of a pattern of the user's own (which may
// also name the album, year and genre, and for ID3v2 the album artist, disc,
// composer and BPM) matched against the captions. The
// preview lists what each file will get, with a check box per file, and the
// files whose captions cannot be split or matched, unchecked, with the
// reason. A caption that is not UTF-8 (a file name from an older system) is
// read in the ID3v1 code page, and the tags get the text the preview shows.
// A track number goes only into a tag that can hold it (ID3v1 0..255,
// ID3v2 0..65535); any other number leaves that track as it was.
// "Go !" first asks when texts for ID3v1 tags have characters their code
// page cannot hold; No stays on the preview and writes nothing.
// The finish page tells how many files were written and lists every file
// that could not be, with the reason.

#include "tagoptions.h"
#include "tbatchwizard.h"
#include "tnamepattern.h"

#include <QStringList>

#include <optional>
#include <string>
#include <string_view>

class FolderFlushes;
class PlaylistRows;
class TPreviewModel;
class TUndoRecorder;
class QAction;
class QCheckBox;
class QComboBox;
class QLineEdit;
class QMenu;
class QTableView;

class TfrmBatchTagSetter final : public TBatchWizard {
    Q_OBJECT
public:
    enum Format { ArtistTitle = 0, ArtistTrackTitle = 1, Custom = 2 };
    enum Scope { SelectedItems = 0, AllItems = 1 };
    // Preview columns; those from the album on show only for a pattern of
    // the user's own that has those fields.
    enum Column {
        FileNameColumn = 0,
        ArtistColumn,
        TitleColumn,
        TrackColumn,
        AlbumColumn,
        YearColumn,
        GenreColumn,
        AlbumArtistColumn,
        DiscColumn,
        ComposerColumn,
        BpmColumn
    };

    // What is written into a tag: each field that is given (a track only
    // when the tag can hold it); every other field stays as loaded.
    struct TagTexts {
        std::optional<std::string> artist, title, album, year, genre;
        std::optional<long long> track;
        // ID3v2 only.
        std::optional<std::string> albumArtist = {}, disc = {}, composer = {}, bpm = {};
    };

    TfrmBatchTagSetter(PlaylistRows& playlist, Prompts& prompts, QWidget* parent = nullptr);
    ~TfrmBatchTagSetter() override;

    bool TagsSet() const { return m_tagsSet; }
    // Each file's tags are recorded there before they are written.
    void SetUndoRecorder(TUndoRecorder* recorder) { m_undo = recorder; }
    // The scope chosen: true for "All items in the list".
    bool AllItemsChosen() const;

    QCheckBox* cbSetV1 = nullptr;
    QCheckBox* cbSetV2 = nullptr;
    QComboBox* cbFileFormat = nullptr;
    // The pattern of the entry "Custom ...", the last one of cbFileFormat.
    QLineEdit* edtCustomPattern = nullptr;
    QComboBox* cbSelectedItems = nullptr;
    QTableView* lvFiles = nullptr;
    QMenu* mnuFileList = nullptr;
    QAction* SelectAll1 = nullptr;
    QAction* SelectNone1 = nullptr;
    TPreviewModel* Preview() const { return m_preview; }

    // Splits a caption at its first hyphen into the artist and the rest,
    // cuts the rest before ".mp3" (any letter case) and, with `withTrack`,
    // splits the rest again at its first hyphen into middle and last. All
    // parts are trimmed. False (all parts empty) when there is no hyphen.
    static bool SplitCaption(std::string_view text, bool withTrack, std::string& artist, std::string& middle,
                             std::string& last);
    // A whole number in decimal, with an optional sign; nullopt otherwise.
    static std::optional<long long> WholeNumber(std::string_view text);

    // Returns the number of preview rows that can be checked.
    int BuildTagPreview();
    // A caption as text: itself when it is UTF-8, otherwise its bytes read
    // in the code page of the tag options (Windows-1252 for a name the
    // options give no code page for).
    static std::string CaptionText(const std::string& caption, const TagOptions& options);
    void SetAllPreviewChecks(bool checked);
    bool AnyPreviewRowChecked() const;
    void WriteTags();
    // Writes the given texts into the tags of one file that are asked for.
    // Returns the reasons of its failures ("ID3v1: ...", "ID3v2: ..."),
    // none when all worked. Touches no widget: runs on the worker pool (see
    // Tmp3TagV2::SaveToFile for `laterFlushes`).
    static QStringList WriteTexts(const std::string& path, const TagTexts& texts, bool setV1, bool setV2,
                                  FolderFlushes* laterFlushes = nullptr);
    void SelectAll1Click() { SetAllPreviewChecks(true); }
    void SelectNone1Click() { SetAllPreviewChecks(false); }

protected:
    QString SettingsMissing() const override;
    bool PreviewComplete() const override;
    int BuildPreview() override;
    QString NothingToDoMessage() const override;
    void RunStep() override;

private:
    void BuildSettingsPage();
    void BuildPreviewPage();
    void FormCreate();
    // The texts to write from a preview row.
    TagTexts RowTexts(const QStringList& texts) const;
    // Next, and on the preview page "Go !" after the question about ID3v1
    // texts that lose characters.
    void actNextClick();
    // True when no ID3v1 text of the checked rows loses characters, or when
    // the user wants to go on all the same.
    bool ConfirmV1Losses() const;

    PlaylistRows& m_playlist;
    TPreviewModel* m_preview = nullptr;
    TNamePattern m_customPattern;
    // The preview was built with the pattern of the user's own.
    bool m_previewCustom = false;
    bool m_hadSelection = false;
    bool m_tagsSet = false;
    TUndoRecorder* m_undo = nullptr;
};

struct TagSetterResult {
    bool TagsSet = false;
    // The scope was "All items in the list" (else "Selected items").
    bool AllItems = true;
};

// Creates the wizard over the main window, shows it modally and destroys it.
// The files' tags are recorded by `undo` (when given) before they are written.
TagSetterResult ShowTagSetterWizard(PlaylistRows& playlist, Prompts& prompts, QWidget* parent = nullptr,
                                    TUndoRecorder* undo = nullptr);
