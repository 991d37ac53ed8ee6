#include "mp3walk.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <iostream>

#include <dirent.h>
#include <sys/stat.h>

namespace {

bool hasMp3Extension(const char* name)
{
    const std::size_t len = std::strlen(name);
    return len > 4 && name[len - 4] == '.' && (name[len - 3] | 0x20) == 'm' && (name[len - 2] | 0x20) == 'p'
        && name[len - 1] == '3';
}

void walk(const std::string& dir, std::vector<std::string>& files)
{
    DIR* handle = ::opendir(dir.c_str());
    if (!handle) {
        std::cerr << "cannot read folder " << dir << ": " << std::strerror(errno) << '\n';
        return;
    }
    while (const dirent* entry = ::readdir(handle)) {
        const char* name = entry->d_name;
        if (std::strcmp(name, ".") == 0 || std::strcmp(name, "..") == 0)
            continue;
        const std::string path = dir + name;
        unsigned char type = entry->d_type;
        if (type == DT_UNKNOWN) {
            struct stat st {};
            if (::lstat(path.c_str(), &st) != 0)
                continue;
            type = S_ISDIR(st.st_mode) ? DT_DIR : S_ISREG(st.st_mode) ? DT_REG : DT_UNKNOWN;
        }
        if (type == DT_DIR)
            walk(path + '/', files);
        else if (type == DT_REG && hasMp3Extension(name))
            files.push_back(path);
    }
    ::closedir(handle);
}

}  // namespace

std::vector<std::string> FindMp3Files(const std::string& dir)
{
    std::vector<std::string> files;
    walk(dir.empty() || dir.back() == '/' ? dir : dir + '/', files);
    std::sort(files.begin(), files.end());
    return files;
}
