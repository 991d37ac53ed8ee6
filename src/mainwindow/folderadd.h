#pragma once
// Adding a folder tree to the playlist. FolderScanner walks the tree on the
// calling (UI) thread; the records of the MP3 files it finds are read on the
// worker pool, many at once, and a row is appended for each file in the
// walk's order, in batches, as the records get ready. A file already listed,
// or found twice (in another letter case), is not read.
//
// The wait window's path and pending events are served at each folder of the
// walk and at least every kTickMs while records are awaited. The walk stays
// at most kLead files ahead of the rows, so a cancel, which stops the walk,
// is done once the few files found but not yet read are added: the rows
// added are the files found before the cancel, as when each file is read as
// soon as it is found.

#include <cstddef>
#include <functional>
#include <string>

class TPlaylistModel;

class FolderAdd final {
public:
    static constexpr int kTickMs = 50;
    static constexpr std::size_t kLead = 256;

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
