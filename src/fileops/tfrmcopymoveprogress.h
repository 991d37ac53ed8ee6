#pragma once
// The window of one copy or move run over the selected playlist rows: the
// source and destination of the current file, a gauge of the files done, the
// overwrite questions and Cancel. It refuses to close while the run lasts.
// A move within one file system renames; across file systems, and for every
// copy, the file is copied safely (see filetransfer.h) and a moved file's
// source is deleted afterwards.
//
// A source that is no regular file (a FIFO, socket or device named like a
// song), or that another process removed, turned into a folder or made
// unreadable meanwhile, does not stop the run: the file is left where it is,
// its row stays as it was, the run goes on, and one error box at the end
// names every such file with the reason ("not a regular file", the system's
// text). Failures of the destination still stop the run with their box.

#include <QDialog>
#include <QElapsedTimer>

#include <functional>
#include <string>
#include <vector>

class Prompts;
class QItemSelectionModel;
class QLabel;
class QProgressBar;
class QPushButton;
class TPlaylistModel;

class TfrmCopyMoveProgress final : public QDialog {
    Q_OBJECT

public:
    // Refused: the source itself cannot be copied (Failures names it).
    enum class CopyResult { Copied, Skipped, Failed, Refused };
    struct Failure {
        std::string path;
        int code; // errno, or kNotRegularFile
    };

    // The run works on the rows of `rows` that `selection` selects.
    TfrmCopyMoveProgress(Prompts& prompts, TPlaylistModel& rows, QItemSelectionModel& selection,
                         bool isMove, const std::string& destFolder, QWidget* parent = nullptr);

    QLabel* lbl1;
    QLabel* lblSource;
    QLabel* lbl2;
    QLabel* lblDestination;
    QLabel* lblStatus;
    QProgressBar* pbprogress;
    QPushButton* btnCancel;

    bool IsMove() const { return m_isMove; }
    // Ends with "/".
    const std::string& DestFolder() const { return m_destFolder; }
    bool AllowClose() const { return m_allowClose; }
    void SetAllowClose(bool allow) { m_allowClose = allow; }
    bool Cancelled() const { return m_cancelled; }
    bool AlwaysOverwrite() const { return m_alwaysOverwrite; }
    bool NeverOverwrite() const { return m_neverOverwrite; }
    // Runs after each file moved, with its old and new path.
    using MovedHook = std::function<void(const std::string& from, const std::string& to)>;
    void SetMovedHook(MovedHook hook) { m_moved = std::move(hook); }
    // Files copied or moved by the last run (skipped ones not counted).
    int FilesTransferred() const { return m_transferred; }
    // The sources the last run refused, in row order.
    const std::vector<Failure>& Failures() const { return m_failures; }

    // Copies or moves the file of every selected row, top to bottom, until
    // the end, Cancel, Abort or the first failure that is not the source's
    // own; then names the refused sources in one error box.
    void CopyMoveSelected();
    // One file with the overwrite question.
    CopyResult CopyOneFile(const std::string& source, const std::string& destination);
    // One copy (a move in move mode); `errorCode` gets the errno value of a
    // failure (EEXIST: the target exists and `failIfExists` was set).
    bool CopyFileLong(const std::string& source, const std::string& destination, bool failIfExists,
                      int& errorCode);
    // Deletes a moved file's source; a failure is shown and gives false.
    bool DeleteSourceFile(const std::string& source);

protected:
    // FormCloseQuery: only when the run allows it.
    void closeEvent(QCloseEvent* event) override;
    // Esc presses Cancel.
    void reject() override;

private:
    void btnCancelClick();
    // The loop of CopyMoveSelected.
    void CopyMoveRows();
    // A failure of `code` is the source's own (it vanished, is no regular
    // file or cannot be read): it is recorded and true returned.
    bool RefuseSource(const std::string& source, int code);
    // Shows the current paths and the files done and lets pending events run:
    // at once with `now`, otherwise at most every few dozen milliseconds, as
    // painting the window for every file would cost more than renaming it.
    void Refresh(bool now);
    // Removes the rows of the files moved since the last refresh.
    void RemoveMovedRows();

    Prompts& m_prompts;
    TPlaylistModel& m_rows;
    QItemSelectionModel& m_selection;
    bool m_isMove;
    std::string m_destFolder;
    bool m_allowClose = false;
    bool m_cancelled = false;
    bool m_alwaysOverwrite = false;
    bool m_neverOverwrite = false;
    // The last CopyFileLong of a move copied across file systems: the source
    // is still there and must be deleted.
    bool m_sourceLeft = true;
    std::string m_source;
    std::string m_destination;
    int m_done = 0;
    int m_transferred = 0;
    std::vector<Failure> m_failures;
    MovedHook m_moved;
    QElapsedTimer m_lastRefresh;
    // The row being worked on, and the run of rows just before it whose files
    // were moved and which are still to be removed.
    int m_row = 0;
    int m_movedFirst = 0;
    int m_movedCount = 0;
};

// Shows the window for one run, disables the main window, runs
// CopyMoveSelected and undoes both on every way out. Returns the number of
// files copied or moved; `moved` learns each file moved.
int RunCopyMove(Prompts& prompts, TPlaylistModel& rows, QItemSelectionModel& selection, bool isMove,
                 const std::string& destination, TfrmCopyMoveProgress::MovedHook moved = {});
