#pragma once
// Adding a folder tree to the playlist. FolderScanner walks the tree on the
// calling (UI) thread; the records of the MP3 files it finds are read on the
// worker pool, many at once, and a row is appended for each file in the
// walk's order, in batches, as the records get ready. A file already listed,
// or found twice (in another letter case), is not read.
//
// The wait window's path and pending events are served at each folder of the
// walk and at least every kTickMs while records are awaited. A cancel starts
// no new read: the records being read are still added, later files are not,
// so the rows added are always the first files of the walk.

#include <functional>
#include <string>

class TPlaylistModel;

class FolderAdd final {
public:
    static constexpr int kTickMs = 50;

    struct Callbacks {
        // Shows a folder or file path and lets pending events run.
        std::function<void(const std::string& path)> showPath;
        std::function<bool()> cancelled;
    };

    FolderAdd(TPlaylistModel& model, Callbacks callbacks);

    // Adds the MP3 files below `folder`; returns when all are added or the
    // add was cancelled.
    void Run(const std::string& folder);

private:
    TPlaylistModel& m_model;
    Callbacks m_callbacks;
};
