#pragma once
// "Rename wizard": renames playlist files after their ID3v1 and/or ID3v2
// tags by one of three name patterns or a pattern of the user's own, which
// may also move them into subfolders of their folders. The preview shows
// each file's new name and the folder it goes to, relative to its own,
// before anything is renamed, and marks the files whose new name is already
// taken (by another file of the folder or by an earlier row) or is longer
// than a file name may be. Renaming never replaces a file; the finish page
// tells how many files were renamed and lists every file that was not, with
// its new name and the reason.

#include "tbatchwizard.h"
#include "tmp3taginfo.h"
#include "tnamepattern.h"

#include <QPixmap>

#include <string>
#include <vector>

class PlaylistRows;
class TPreviewModel;
class TUndoRecorder;
class QCheckBox;
class QComboBox;
class QGroupBox;
class QLineEdit;
class QRadioButton;
class QTableView;

class TfrmBatchRename final : public TBatchWizard {
    Q_OBJECT
public:
    // Preview status texts and their state pictures.
    static const QString kOk;
    static const QString kSkipped;
    static const QString kNameTaken;
    static const QString kNameTooLong;
    enum StateImage { OkImage = 0, SkippedImage = 1, ConflictImage = 2 };
    enum Column { StatusColumn = 0, OldNameColumn, NewNameColumn, FolderColumn };
    // The folder column's text for a file that stays in its folder.
    static const QString kSameFolder;
    // The longest file name, in bytes, that a file system holds.
    static constexpr std::size_t kMaxNameBytes = 255;

    // `stateImages` are the playlist's state pictures (0 both tags, 1 none, 2 one).
    TfrmBatchRename(PlaylistRows& playlist, Prompts& prompts, std::vector<QPixmap> stateImages,
                    QWidget* parent = nullptr);
    ~TfrmBatchRename() override;

    bool RenameDone() const { return m_renameDone; }
    // Each renamed file is recorded there.
    void SetUndoRecorder(TUndoRecorder* recorder) { m_undo = recorder; }

    QGroupBox* sGroupBox1 = nullptr;
    QRadioButton* cbOnlyV1 = nullptr;
    QRadioButton* cbOnlyV2 = nullptr;
    QRadioButton* cbUseBoth = nullptr;
    QComboBox* cbUsagePriority = nullptr;
    QGroupBox* sGroupBox2 = nullptr;
    QComboBox* cbFileFormat = nullptr;
    // The pattern of the entry "Custom ...", the last one of cbFileFormat.
    QLineEdit* edtCustomPattern = nullptr;
    QCheckBox* cbRenameOnlySelected = nullptr;
    QCheckBox* cbIgnoreIncompleteTags = nullptr;
    QTableView* lvFiles = nullptr;
    TPreviewModel* Preview() const { return m_preview; }

    void cbClick();
    // Returns the number of "Ok" rows.
    int BuildRenamePreview();
    // The tags a new name is made of, as chosen on the settings page.
    struct TagChoice {
        bool useV1 = true;
        bool useV2 = true;
        bool v1First = false; // with both: ID3v1 values before ID3v2 ones
    };
    TagChoice CurrentTagChoice() const;
    // Reads the file with tag objects of its own, so it may run on any thread.
    static TMp3TagInfo ReadTagsForRename(const std::string& path, const TagChoice& choice);
    // Empty when the values are incomplete for the chosen pattern. With the
    // pattern of the user's own: the path relative to the file's folder.
    std::string MakeNewFileName(const TMp3TagInfo& values) const;
    void RenameFiles();

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

    PlaylistRows& m_playlist;
    TPreviewModel* m_preview = nullptr;
    bool m_renameDone = false;
    TNamePattern m_customPattern;
    TUndoRecorder* m_undo = nullptr;
};

// Creates the wizard over the main window, shows it modally and destroys it;
// true when the renaming ran. Each renamed file is recorded by `undo` (when given).
bool ShowRenameWizard(PlaylistRows& playlist, Prompts& prompts, std::vector<QPixmap> stateImages,
                      QWidget* parent = nullptr, TUndoRecorder* undo = nullptr);
