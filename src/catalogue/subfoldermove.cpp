#include "subfoldermove.h"

#include "fileutils.h"
#include "renamenoreplace.h"

#include <cerrno>

#include <sys/stat.h>
#include <unistd.h>

bool MoveIntoSubfolder(const std::string& path, const std::string& relativePath, std::vector<std::string>* created)
{
    std::string target = FolderPart(path);
    std::vector<std::string> made;
    auto fail = [&made](int error) {
        RemoveEmptyFolders(made);
        errno = error;
        return false;
    };
    std::size_t start = 0;
    for (;;) {
        const std::size_t slash = relativePath.find('/', start);
        const std::string part = relativePath.substr(start, slash == std::string::npos ? slash : slash - start);
        if (part.empty() || part == "." || part == "..")
            return fail(EINVAL);
        target += part;
        if (slash == std::string::npos)
            break;
        if (mkdir(target.c_str(), 0777) == 0) {
            made.push_back(target);
        } else if (errno != EEXIST) {
            return fail(errno);
        } else {
            struct stat st {};
            if (lstat(target.c_str(), &st) != 0)
                return fail(errno);
            if (!S_ISDIR(st.st_mode))
                return fail(ENOTDIR);
        }
        target += '/';
        start = slash + 1;
    }
    if (!RenameNoReplace(path, target))
        return fail(errno);
    if (created)
        created->insert(created->end(), made.begin(), made.end());
    return true;
}

void RemoveEmptyFolders(const std::vector<std::string>& folders)
{
    for (auto it = folders.rbegin(); it != folders.rend(); ++it)
        rmdir(it->c_str());
}
