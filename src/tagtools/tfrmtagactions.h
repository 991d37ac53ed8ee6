#pragma once
// "Tag actions": one action on the tags of the selected playlist rows (all
// rows when none is selected): a letter case, a replace of text or of a
// regular expression, a tidy of blanks, a copy of one field into another, a
// swap of two, or track numbers in the playlist's order. The settings page
// chooses the action, its settings, the fields and the tags; the preview
// reads the files on the worker pool and lists each change (file, tag,
// field, old and new text) and marks the files that do not change; "Go !"
// asks first when ID3v1 texts lose characters their code page lacks, then
// writes only the files that change, on the worker pool. The finish page
// tells how many files were written and lists those that could not be. The
// last settings are kept with the program's settings.

#include "tagaction.h"
#include "tbatchwizard.h"

#include <vector>

class PlaylistRows;
class TFileInfo;
class TPreviewModel;
class TUndoRecorder;
class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QListView;
class QStandardItemModel;
class QRadioButton;
class QStackedWidget;
class QTableView;

class TfrmTagActions final : public TBatchWizard {
    Q_OBJECT
public:
    enum Column { FileNameColumn = 0, TagColumn, FieldColumn, OldColumn, NewColumn, NoteColumn };

    TfrmTagActions(PlaylistRows& playlist, Prompts& prompts, QWidget* parent = nullptr);
    ~TfrmTagActions() override;

    // Each file's tags are recorded there before they are written.
    void SetUndoRecorder(TUndoRecorder* recorder) { m_undo = recorder; }
    bool TagsSet() const { return m_tagsSet; }
    // The playlist rows the wizard works on, in list order.
    const std::vector<int>& Scope() const { return m_scope; }

    // The settings as the page shows them, and the page showing them.
    TagActionSettings CurrentSettings() const;
    void ShowSettings(const TagActionSettings& settings);

    TPreviewModel* Preview() const { return m_preview; }
    // The plans of the last preview, one per file in scope, in list order.
    const std::vector<TagAction::FilePlan>& Plans() const { return m_plans; }

    QComboBox* cbAction = nullptr;
    QStackedWidget* pgOptions = nullptr;
    QComboBox* cbCase = nullptr;
    QLineEdit* edtFind = nullptr;
    QLineEdit* edtReplacement = nullptr;
    QCheckBox* cbRegularExpression = nullptr;
    QCheckBox* cbCaseSensitive = nullptr;
    QCheckBox* cbTrim = nullptr;
    QCheckBox* cbCollapse = nullptr;
    QCheckBox* cbUnderscores = nullptr;
    QComboBox* cbFrom = nullptr;
    QComboBox* cbTo = nullptr;
    QLabel* labTo = nullptr;
    QRadioButton* rbPerFolder = nullptr;
    QRadioButton* rbOverAll = nullptr;
    QCheckBox* cbWithTotal = nullptr;
    // The fields the case, replace and tidy actions change: one checkable
    // row per field of TagFieldTable, in its order.
    QListView* lvFields = nullptr;
    bool FieldChecked(std::size_t field) const;
    void SetFieldChecked(std::size_t field, bool checked);
    QCheckBox* cbSetV1 = nullptr;
    QCheckBox* cbSetV2 = nullptr;
    QLabel* labScope = nullptr;
    QTableView* lvFiles = nullptr;

protected:
    QString SettingsMissing() const override;
    bool PreviewComplete() const override;
    int BuildPreview() override;
    QString NothingToDoMessage() const override;
    void RunStep() override;

private:
    void BuildSettingsPage();
    QWidget* BuildOptionsPages();
    void ActionChanged();
    // Next, and on the preview page "Go !" after the question about ID3v1
    // texts that lose characters.
    void actNextClick();
    bool ConfirmV1Losses() const;
    void ShowPlans();
    void WriteChanges();

    PlaylistRows& m_playlist;
    std::vector<int> m_scope;
    TPreviewModel* m_preview = nullptr;
    QStandardItemModel* m_fields = nullptr;
    std::vector<TagAction::FilePlan> m_plans;
    std::vector<TFileInfo*> m_records;
    // The action the preview was built with.
    std::unique_ptr<TagAction> m_action;
    bool m_tagsSet = false;
    TUndoRecorder* m_undo = nullptr;
};

struct TagActionsResult {
    bool TagsSet = false;
    std::vector<int> rows;
};

// Creates the wizard over the main window, shows it modally and destroys it.
// The files' tags are recorded by `undo` (when given) before they are written.
TagActionsResult ShowTagActionsWizard(PlaylistRows& playlist, Prompts& prompts, QWidget* parent = nullptr,
                                      TUndoRecorder* undo = nullptr);
