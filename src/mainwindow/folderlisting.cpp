#include "folderlisting.h"

#include <algorithm>
#include <cerrno>
#include <cstring>

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>

namespace {

bool EntryIsDir(int dirFd, const dirent* e)
{
    if (e->d_type == DT_DIR)
        return true;
    if (e->d_type != DT_LNK && e->d_type != DT_UNKNOWN)
        return false;
    // A link counts as a folder when it leads to one, so it can be entered.
    struct stat st {};
    if (fstatat(dirFd, e->d_name, &st, 0) != 0)
        return false;
    return S_ISDIR(st.st_mode);
}

} // namespace

bool FolderListing::Read(const std::string& folder, std::vector<XFileEntry>& entries, int& error)
{
    entries.clear();
    error = 0;
    DIR* dir = opendir(folder.c_str());
    if (!dir) {
        error = errno;
        return false;
    }
    const bool ok = ReadStream(dir, folder == "/", entries, error);
    closedir(dir);
    return ok;
}

bool FolderListing::ReadStream(DIR* dir, bool isRoot, std::vector<XFileEntry>& entries, int& error)
{
    entries.clear();
    error = 0;
    const int fd = dirfd(dir);
    for (;;) {
        // readdir tells the end from an error only through errno.
        errno = 0;
        const dirent* e = readdir(dir);
        if (!e) {
            if (errno == 0)
                return true;
            error = errno;
            entries.clear();
            return false;
        }
        if (std::strcmp(e->d_name, ".") == 0)
            continue;
        if (isRoot && std::strcmp(e->d_name, "..") == 0)
            continue;
        entries.push_back(XFileEntry{e->d_name, EntryIsDir(fd, e)});
    }
}

void FolderListing::AddParentEntry(const std::string& folder, std::vector<XFileEntry>& entries)
{
    if (folder == "/")
        return;
    for (const XFileEntry& e : entries) {
        if (e.Name == "..")
            return;
    }
    entries.push_back(XFileEntry{"..", true});
}

void FolderListing::SortEntries(std::vector<XFileEntry>& entries)
{
    // The exchange sort only swaps neighbours that are strictly out of order,
    // so it is stable: its result is the stable sort by (folder first, name
    // bytes). Names in one folder are distinct, so any sort gives the same.
    std::stable_sort(entries.begin(), entries.end(), [](const XFileEntry& a, const XFileEntry& b) {
        if (a.IsDir != b.IsDir)
            return a.IsDir;
        // Byte comparison: std::string compares as unsigned char.
        return a.Name < b.Name;
    });
    for (std::size_t i = 1; i < entries.size(); ++i) {
        if (entries[i].Name == "..") {
            std::swap(entries[0], entries[i]);
            break;
        }
    }
}
