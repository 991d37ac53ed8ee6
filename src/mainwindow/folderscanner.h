#pragma once
// The recursive scan behind adding a folder to the playlist: every file whose
// last extension is ".mp3" in any case (regular files only: a FIFO, socket
// or device so named is skipped), below every folder whose name does not
// begin with "."; links to folders are followed, but each real folder (device
// and inode) is visited at most once, so a link cycle cannot make it loop.

#include <cstdint>
#include <functional>
#include <set>
#include <string>
#include <utility>

class FolderScanner final {
public:
    // Entries of one folder between two progress reports, so that a folder
    // of thousands of files keeps the wait window responsive.
    static constexpr int EntriesPerReport = 50;

    struct Callbacks {
        // Called for each folder before it is listed, and with the path of
        // every EntriesPerReport-th entry of a folder (shows the path and
        // lets pending events run).
        std::function<void(const std::string& path)> showPath;
        // Polled before each folder, after each subfolder and after each
        // report.
        std::function<bool()> cancelled;
        // Called for each MP3 file found, with its full path.
        std::function<void(const std::string& file)> addFile;
    };

    explicit FolderScanner(Callbacks callbacks);

    // Scans `path` (with or without a trailing '/'). Returns when done or
    // cancelled; a folder that cannot be listed contributes nothing.
    void Scan(const std::string& path);

    static bool HasMp3Extension(const std::string& name);

private:
    Callbacks m_callbacks;
    std::set<std::pair<std::uint64_t, std::uint64_t>> m_visited;
};
