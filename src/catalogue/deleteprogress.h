#pragma once
// What a running deletion reports to and asks: the deletion window and the
// error box in the program, a recorder in tests.

#include <string>

class DeleteProgress {
public:
    virtual ~DeleteProgress() = default;

    // Shows the folder being removed and lets pending user-interface events run.
    virtual void SetDeletePath(const std::string& path) = 0;
    virtual bool IsDeleteStopped() const = 0;
    // Ends the deletion at every level; called on the first failure.
    virtual void StopDelete() = 0;
    // Lets pending user-interface events run (this is how Cancel is heard).
    virtual void ProcessPendingEvents() = 0;
    // Shows the operating-system error `code` (an errno value, never 0).
    virtual void ReportOsError(int code) = 0;
    // The same for the file or folder `path` that failed: one that vanished,
    // turned into a folder or became undeletable meanwhile is named.
    virtual void ReportPathError(int code, const std::string& path)
    {
        (void)path;
        ReportOsError(code);
    }
    // Another file system is mounted at `path`, inside what is deleted or
    // selected itself: it is left with everything in it, and so are the
    // folders that hold it.
    virtual void ReportLeftMounted(const std::string& path) { (void)path; }
};
