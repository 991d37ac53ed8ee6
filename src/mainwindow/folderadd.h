#pragma once
// Adding a folder tree, or a list of files, to the playlist. FolderScanner
// walks the tree on the calling (UI) thread; the records of the MP3 files it
// finds, or of the listed files, are read on the worker pool, many at once,
// and a row is appended for each file in the walk's (or the list's) order,
// in batches, as the records get ready. A file already listed, or met twice
// (in another letter case), is not read. A file whose content is another
// format than MP3 (Mp3Content) gets no row, whatever its name; nor does a
// FIFO, socket or device, whether met in the walk or listed.
//
// The wait window's path and pending events are served at each folder of the
// walk, about every kTickMs along a list, and at least every kTickMs while
// records are awaited. The walk or list stays at most kLead files ahead of
// the rows, so a cancel, which stops it, is done once the few files met but
// not yet read are added: the rows added are the files met before the
// cancel, as when each file is read as soon as it is met.

#include <cstddef>
#include <functional>
#include <string>
#include <vector>

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
    // Adds the files of `files` in list order, whether they exist or not (a
    // missing file gets a row without tags); returns when all are added or
    // the add was cancelled, with the files left out as not MP3 files, in
    // list order.
    std::vector<std::string> RunFiles(const std::vector<std::string>& files);

private:
    TPlaylistModel& m_model;
    Callbacks m_callbacks;
};
