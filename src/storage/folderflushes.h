#pragma once
// The folders whose entries a batch of file rewrites changed (a temporary
// file renamed over a file, a copy removed) and that still have to be
// flushed to disk for those changes to survive a crash. A batch collects
// them while its files are written and flushes each folder once at the end,
// not once per file. Folders may be added from several threads at once.

#include <functional>
#include <mutex>
#include <set>
#include <string>
#include <vector>

class FolderFlushes final {
public:
    // `folder` as OpenFolder takes it (filedescriptor.h).
    void Add(const std::string& folder);
    // The folders added since the last call, each once; the list is emptied.
    std::vector<std::string> Take();
    // Work that may be done only once the folders are on disk (a save's
    // journal record marked done after its exchange); run by the batch
    // after its flushes (RunSettlements).
    void AddSettlement(std::function<void()> settle);
    void RunSettlements();

private:
    std::mutex m_mutex;
    std::set<std::string> m_folders;
    std::vector<std::function<void()>> m_settlements;
};

// Flushes the entries of the folder `path` to disk, as FlushFolder of its
// descriptor does (filedescriptor.h).
bool FlushFolder(const std::string& path);
