#include "rebuildfile.h"

#include "filedescriptor.h"

#include <cerrno>
#include <climits>
#include <cstdlib>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// The file to rewrite: a symbolic link's final target, so that the link
// stays in place and the temporary file lands on the target's file system.
std::string realTarget(const std::string& fileName)
{
    struct stat st {};
    if (::lstat(fileName.c_str(), &st) != 0 || !S_ISLNK(st.st_mode))
        return fileName;
    char resolved[PATH_MAX];
    if (!::realpath(fileName.c_str(), resolved))
        return {};
    return resolved;
}

// Creates the temporary file: "NAME~", or, when a file of that name already
// exists (it may be the user's), "NAME~XXXXXX" with a unique suffix.
int createTemporary(const std::string& target, std::string& tempName)
{
    tempName = target + "~";
    int fd = ::open(tempName.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
    if (fd >= 0 || errno != EEXIST)
        return fd;
    std::string pattern = target + "~XXXXXX";
    fd = ::mkostemp(pattern.data(), O_CLOEXEC);
    if (fd >= 0)
        tempName = pattern;
    return fd;
}

}  // namespace

bool RebuildFile(const std::string& fileName, int fd, std::int64_t skip, std::string_view head)
{
    struct stat original {};
    if (::fstat(fd, &original) != 0)
        return false;
    if (!S_ISREG(original.st_mode) || skip > original.st_size) {
        errno = S_ISDIR(original.st_mode) ? EISDIR : EINVAL;
        return false;
    }
    const std::string target = realTarget(fileName);
    if (target.empty())
        return false;

    std::string tempName;
    FileDescriptor temp(createTemporary(target, tempName));
    if (temp.get() < 0)
        return false;

    bool ok = ::fchmod(temp.get(), original.st_mode & 07777) == 0;
    if (ok && ::geteuid() == 0 && ::fchown(temp.get(), original.st_uid, original.st_gid) != 0) {
        // Keeping the owner is best effort; the content is what must not be lost.
    }
    ok = ok && WriteAll(temp.get(), head.data(), head.size());
    ok = ok && CopyRange(fd, skip, temp.get(), original.st_size - skip);
    ok = ok && ::fsync(temp.get()) == 0;
    ok = temp.close() && ok;
    ok = ok && ::rename(tempName.c_str(), target.c_str()) == 0;
    if (!ok) {
        // The caller reports the failure's reason: keep errno across the cleanup.
        const int error = errno;
        ::unlink(tempName.c_str());
        errno = error;
    }
    return ok;
}
