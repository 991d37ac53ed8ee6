#include "rebuildfile.h"

#include "filedescriptor.h"

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <vector>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {



// Copies `length` bytes of `from` starting at `offset` to the end of `to`;
// in-kernel when the file systems allow it, through a large buffer otherwise.
bool copyRange(int from, std::int64_t offset, int to, std::int64_t length)
{
    loff_t in = offset;
    bool kernelCopy = true;
    while (length > 0 && kernelCopy) {
        const std::size_t chunk = static_cast<std::size_t>(std::min<std::int64_t>(length, 1 << 30));
        const ssize_t n = ::copy_file_range(from, &in, to, nullptr, chunk, 0);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0 && (errno == EXDEV || errno == ENOSYS || errno == EINVAL || errno == EOPNOTSUPP))
            kernelCopy = false;
        else if (n <= 0) {
            if (n == 0)
                errno = EIO;  // the file shrank under us
            return false;
        }
        else
            length -= n;
    }
    std::vector<char> buffer(length > 0 ? 1 << 20 : 0);
    while (length > 0) {
        const std::size_t chunk = static_cast<std::size_t>(std::min<std::int64_t>(length, 1 << 20));
        const ssize_t n = ::pread(from, buffer.data(), chunk, in);
        if (n < 0 && errno == EINTR)
            continue;
        if (n == 0)
            errno = EIO;  // the file shrank under us
        if (n <= 0 || !WriteAll(to, buffer.data(), static_cast<std::size_t>(n)))
            return false;
        in += n;
        length -= n;
    }
    return true;
}

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
    ok = ok && copyRange(fd, skip, temp.get(), original.st_size - skip);
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
