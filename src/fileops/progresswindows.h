#pragma once
// The three reusable windows of long operations and the operations on them.
// The program creates one ProgressWindows right after its main window; it
// owns the windows, hidden until an operation shows them, until the end. The
// free functions below act on the registered windows (one is created on first
// use when the program made none).

#include <memory>
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

    TfrmProgress& progress() { return *m_progress; }
    TfrmWait& wait() { return *m_wait; }
    TfrmDeleteDirProgress& deletion() { return *m_deletion; }

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

private:
    std::unique_ptr<TfrmProgress> m_progress;
    std::unique_ptr<TfrmWait> m_wait;
    std::unique_ptr<TfrmDeleteDirProgress> m_deletion;
};

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
