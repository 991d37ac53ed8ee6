#pragma once
// The recursive scan behind adding a folder to the playlist: every file whose
// last extension is ".mp3" in any case, below every folder whose name does not
// begin with "."; links to folders are followed, but each real folder (device
// and inode) is visited at most once, so a link cycle cannot make it loop.

#include <cstdint>
#include <functional>
#include <set>
#include <string>
#include <utility>

class FolderScanner final {
public:
    struct Callbacks {
        // Called for each folder before it is listed (shows the path and lets
        // pending events run).
        std::function<void(const std::string& folder)> enterFolder;
        // Polled before each folder and after each subfolder.
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
