#include "renamenoreplace.h"

#include <cerrno>
#include <cstdio>

#include <sys/stat.h>
#include <unistd.h>

namespace {

bool isUnsupported(int code)
{
    return code == ENOSYS || code == EINVAL || code == EOPNOTSUPP || code == ENOTSUP;
}

}  // namespace

bool RenameNoReplace(const std::string& from, const std::string& to, int dirFd)
{
    if (::renameat2(dirFd, from.c_str(), dirFd, to.c_str(), RENAME_NOREPLACE) == 0)
        return true;
    if (!isUnsupported(errno))
        return false;
    // The file system cannot refuse to replace on its own: a hard link fails
    // when the name exists.
    if (::linkat(dirFd, from.c_str(), dirFd, to.c_str(), 0) == 0) {
        if (::unlinkat(dirFd, from.c_str(), 0) == 0)
            return true;
        const int code = errno;
        ::unlinkat(dirFd, to.c_str(), 0);
        errno = code;
        return false;
    }
    if (errno == EEXIST)
        return false;
    // No hard links either (FAT media): look before moving.
    struct stat st {};
    if (::fstatat(dirFd, to.c_str(), &st, AT_SYMLINK_NOFOLLOW) == 0) {
        errno = EEXIST;
        return false;
    }
    if (errno != ENOENT)
        return false;
    return ::renameat(dirFd, from.c_str(), dirFd, to.c_str()) == 0;
}
