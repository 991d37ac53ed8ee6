#pragma once
// What the two batch wizards share: a modal window with five pages in a
// notebook without tabs (introduction, settings, preview, running, finish),
// the current page's title above it, the "< Back", Next and "Cancel" buttons
// below it with their enabling per page, the line that says what the
// settings still lack while "Preview >" is disabled, the close guard of the
// running page, the gauge of the run and the finish page's report of the
// files that could not be handled.
//
// A wizard provides its pages' contents, the preview build, the run and the
// enabling checks of its settings and preview pages.

#include <QDialog>
#include <QElapsedTimer>
#include <QStringList>

#include <array>
#include <vector>

class PlaylistRows;
class TNamePattern;
class Prompts;
class TPreviewModel;
class QAction;
class QComboBox;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QProgressBar;
class QPushButton;
class QStackedWidget;
class QTableView;
class QTreeView;

template <typename Result>
class WriteBatch;

class TBatchWizard : public QDialog {
    Q_OBJECT
public:
    enum Page { InfoPage = 0, SettingsPage, PreviewPage, RunningPage, FinishPage };

    ~TBatchWizard() override;

    QLabel* labPageTitle = nullptr;
    QStackedWidget* pages = nullptr;
    QWidget* tsInfo = nullptr;
    QWidget* tsSettings = nullptr;
    QWidget* tsPreview = nullptr;
    QWidget* tsRunning = nullptr;
    QWidget* tsFinish = nullptr;
    QPlainTextEdit* memInfo = nullptr;
    QProgressBar* pbProgress = nullptr;
    // The finish page: how many files were handled, and the files that were not.
    QLabel* labResult = nullptr;
    QTreeView* lvFailures = nullptr;
    // Shown beside the buttons while a long preview is being built.
    QProgressBar* pbReading = nullptr;
    // What the settings still lack, shown while "Preview >" is disabled.
    QLabel* labMissing = nullptr;
    QPushButton* btnBack = nullptr;
    QPushButton* btnNext = nullptr;
    QPushButton* btnCancel = nullptr;
    QAction* actNext = nullptr;

    int CurrentPage() const;
    QString PageTitle(int page) const { return m_titles[static_cast<std::size_t>(page)]; }

    void UpdatePageTitle();
    // The enabling and captions of the three buttons for the current page.
    void UpdateWizardButtons();
    // The enabling check of Next, run whenever the application is idle.
    void actNextUpdate();
    void actNextExecute();
    void btnBackClick();
    void pagesPageChanged();
    // False while the running page is shown.
    bool FormCloseQuery() const;

    // True when the last entry of the format box, "Custom ...", is chosen.
    bool CustomChosen() const;

    // The playlist rows a wizard works on, in list order: the selected ones
    // or all.
    static std::vector<int> RowsInScope(const PlaylistRows& playlist, bool selectedOnly);

public slots:
    // Cancel and Escape: refused on the running page; while a preview is
    // being built they stop the build instead.
    void reject() override;

protected:
    TBatchWizard(Prompts& prompts, const QString& caption, std::array<QString, 5> titles,
                 QWidget* parent = nullptr);

    void closeEvent(QCloseEvent* event) override;

    // What the settings lack for Next on the settings page, as a sentence
    // for the user; empty when Next may be enabled.
    virtual QString SettingsMissing() const { return {}; }
    // "Go !" on the preview page is enabled when this holds.
    virtual bool PreviewComplete() const = 0;
    // Builds the preview; returns how many rows let the wizard go on, or -1
    // when the user cancelled the build.
    virtual int BuildPreview() = 0;
    // The information shown when BuildPreview found nothing to do.
    virtual QString NothingToDoMessage() const = 0;
    // The work of the running page.
    virtual void RunStep() = 0;

    // Called once per playlist row while a preview is built, or every few
    // hundredths of a second while its rows are awaited. Once the build
    // has taken a noticeable time, the reading gauge shows the progress and
    // pending events run, so the window repaints and Cancel is heard.
    // Returns false when the user cancelled.
    bool PreviewProgress(int done, int total);

    // The running page's gauge: 0 of `count`, then one step per file.
    void StartGauge(int count);
    void StepGauge();
    // Lets pending events run, so the window repaints; in a loop at most
    // every few hundredths of a second.
    void ProcessPendingEvents();

    // What writing one file gave: its name as listed, and why it failed
    // (empty when it was written).
    struct WriteOutcome {
        QString fileName;
        QStringList reasons;
    };
    // Takes the outcomes of `batch` in list order, one gauge step each, and
    // shows the finish report: `summary` with the files written (%1) of
    // `count` (%2), and the failures.
    void FinishWrites(WriteBatch<WriteOutcome>& batch, int count, const QString& summary);

    // The finish page: the summary line, and the files that failed as rows
    // under `headers` (the list stays hidden when there are none).
    void ShowFinishReport(const QString& summary, const QStringList& headers,
                          const std::vector<QStringList>& failures);

    // The preview page's list `lvFiles` over `model`: read-only, whole rows
    // selected, columns of the given widths (the last one stretches).
    QTableView* NewPreviewList(TPreviewModel* model, bool gridLines, const std::vector<int>& widths);

    // Shows the introduction page with its title and buttons (the end of a
    // wizard's creation).
    void ShowFirstPage();
    // Lays out the wizard's text on the introduction page.
    void SetIntroduction(const QStringList& lines);

    // The format box, whose last entry is "Custom ...", and the edit of that
    // entry's pattern: `pattern` follows the edit, the edit is enabled with
    // that entry only, and the buttons follow both.
    void FollowCustomPattern(QComboBox* formats, QLineEdit* edit, TNamePattern* pattern);
    // Enables the pattern edit for the format chosen and updates the buttons.
    void CustomFormatChanged();

    Prompts& m_prompts;

private:
    void ShowPage(int page);
    bool EventsDue() const;

    std::array<QString, 5> m_titles;
    QComboBox* m_formats = nullptr;
    QLineEdit* m_patternEdit = nullptr;
    bool m_building = false;
    bool m_buildCancelled = false;
    QElapsedTimer m_buildClock;
    QElapsedTimer m_eventsClock;
};
