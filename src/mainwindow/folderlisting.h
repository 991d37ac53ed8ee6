#pragma once
// Reading one folder for the file browser: the entries as the file system
// delivers them, and the browser's order (folders first, each group in byte
// order, then the ".." exchange).

#include <dirent.h>

#include <string>
#include <vector>

struct XFileEntry {
    std::string Name;   // the name as listed, as bytes
    bool IsDir = false; // a folder, or a link to one
};

class FolderListing final {
public:
    // Lists `folder` (ending with '/'). "." is skipped; ".." is skipped only
    // for "/". Returns false and sets `error` to errno when the folder cannot
    // be opened or read to its end (no partial listing is given then).
    static bool Read(const std::string& folder, std::vector<XFileEntry>& entries, int& error);
    // The entries of an open folder stream, as Read gives them.
    static bool ReadStream(DIR* dir, bool isRoot, std::vector<XFileEntry>& entries, int& error);

    // Some file systems (FUSE, network) list no ".." entry: every folder but
    // "/" gets one all the same.
    static void AddParentEntry(const std::string& folder, std::vector<XFileEntry>& entries);

    // The browser order: the result of repeatedly exchanging neighbours when
    // a file stands before a folder, or two entries of the same kind are out
    // of byte order, followed by the exchange of a ".." entry found past the
    // first place with the first entry. Computed in O(n log n).
    static void SortEntries(std::vector<XFileEntry>& entries);
};
