#pragma once
// The three reusable windows of long operations and the operations on them.
// The program creates one ProgressWindows right after its main window; it
// owns the windows, hidden until an operation shows them, until the end. The
// free functions below act on the registered windows (one is created on first
// use when the program made none).
//
// The windows are children of the registered main window and modal to it:
// they stay in front of it, and it takes no input while one is up.

#include <QPointer>

#include <string>

class QString;
class TfrmDeleteDirProgress;
class TfrmProgress;
class TfrmWait;

class ProgressWindows final {
public:
    ProgressWindows();
    ~ProgressWindows();
    ProgressWindows(const ProgressWindows&) = delete;
    ProgressWindows& operator=(const ProgressWindows&) = delete;

    // Each window is made when first needed, as a child of the registered
    // main window (it follows that window when another one is registered).
    TfrmProgress& progress();
    TfrmWait& wait();
    TfrmDeleteDirProgress& deletion();

    // The registered windows.
    static ProgressWindows& instance();

    // Begin/end pairs that are undone on every way out, exceptions included.
    class ProgressScope final {
    public:
        ProgressScope(int count, const QString& caption);
        ~ProgressScope();
        ProgressScope(const ProgressScope&) = delete;
        ProgressScope& operator=(const ProgressScope&) = delete;
    };
    class WaitScope final {
    public:
        WaitScope();
        ~WaitScope();
        WaitScope(const WaitScope&) = delete;
        WaitScope& operator=(const WaitScope&) = delete;
    };
    class DeleteScope final {
    public:
        DeleteScope();
        ~DeleteScope();
        DeleteScope(const DeleteScope&) = delete;
        DeleteScope& operator=(const DeleteScope&) = delete;
    };

    // True while an operation holds one of the windows (from its begin to
    // its end, or to the Cancel of the progress window).
    bool IsOperationRunning() const;
    // Presses Cancel in the window of the running operation.
    void CancelOperation();

private:
    // Owned here; a window already destroyed with its parent is made again.
    QPointer<TfrmProgress> m_progress;
    QPointer<TfrmWait> m_wait;
    QPointer<TfrmDeleteDirProgress> m_deletion;
};

// Whether a long operation runs (under one of these windows, or registered
// as a LongOperation), and cancelling it (the main window does that when it
// is closed meanwhile).
bool IsLongOperationRunning();
void CancelLongOperation();

// Generic progress window.
void ShowProgress(int count, const QString& caption);
void SetProgressPosition(int position);
bool IsProgressCancelled();
void CloseProgress();

// Wait window; the path is shown decoded, as bytes it stays untouched.
void BeginWait();
void SetWaitPath(const std::string& path);
bool IsWaitCancelled();
void EndWait();

// Deletion window.
void BeginDeleteProgress();
void SetDeletePath(const std::string& path);
bool IsDeleteStopped();
void StopDelete();
void EndDeleteProgress();
