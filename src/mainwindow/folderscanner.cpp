#include "folderscanner.h"

#include <cctype>
#include <cstring>

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>

FolderScanner::FolderScanner(Callbacks callbacks)
    : m_callbacks(std::move(callbacks))
{
}

bool FolderScanner::HasMp3Extension(const std::string& name)
{
    const auto dot = name.rfind('.');
    if (dot == std::string::npos || name.size() - dot != 4)
        return false;
    std::string ext = name.substr(dot);
    for (char& c : ext) {
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    }
    return ext == ".mp3";
}

void FolderScanner::Scan(const std::string& path)
{
    if (path.empty())
        return;
    if (m_callbacks.showPath)
        m_callbacks.showPath(path);
    if (m_callbacks.cancelled && m_callbacks.cancelled())
        return;

    const std::string folder = path.back() == '/' ? path : path + '/';
    DIR* dir = opendir(folder.c_str());
    if (!dir)
        return;
    const int fd = dirfd(dir);
    struct stat self {};
    if (fstat(fd, &self) == 0) {
        const auto key = std::make_pair(static_cast<std::uint64_t>(self.st_dev),
                                        static_cast<std::uint64_t>(self.st_ino));
        if (!m_visited.insert(key).second) {
            closedir(dir);
            return;
        }
    }

    int sinceReport = 0;
    while (const dirent* e = readdir(dir)) {
        if (++sinceReport == EntriesPerReport) {
            sinceReport = 0;
            if (m_callbacks.showPath)
                m_callbacks.showPath(folder + e->d_name);
            if (m_callbacks.cancelled && m_callbacks.cancelled())
                break;
        }
        // A FIFO, socket or device named like a song is no song: it is
        // skipped (reading it could block, and no command takes it).
        bool isDir = e->d_type == DT_DIR;
        bool isFile = e->d_type == DT_REG;
        if (e->d_type == DT_LNK || e->d_type == DT_UNKNOWN) {
            struct stat st {};
            if (fstatat(fd, e->d_name, &st, 0) == 0) {
                isDir = S_ISDIR(st.st_mode);
                isFile = S_ISREG(st.st_mode);
            } else {
                isFile = true; // a dangling link is handed on like any file
            }
        }
        if (isFile) {
            if (HasMp3Extension(e->d_name) && m_callbacks.addFile)
                m_callbacks.addFile(folder + e->d_name);
        } else if (isDir && e->d_name[0] != '.') {
            Scan(folder + e->d_name);
            if (m_callbacks.cancelled && m_callbacks.cancelled())
                break;
        }
    }
    closedir(dir);
}
