#include "filetransfer.h"

#include "filedescriptor.h"
#include "fileutils.h"

#include <array>
#include <cerrno>
#include <cstdio>

#include <fcntl.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// The stat results of a path with and without following a final link.
std::array<struct stat, 2> BothStats(const std::string& path, int& found)
{
    std::array<struct stat, 2> st {};
    found = 0;
    if (::lstat(path.c_str(), &st[0]) == 0)
        found |= 1;
    if (::stat(path.c_str(), &st[1]) == 0)
        found |= 2;
    return st;
}

// Whether the two paths name one file: the same device and inode, either as
// written or at the end of a link.
bool IsSameFile(const std::string& a, const std::string& b)
{
    int foundA = 0;
    int foundB = 0;
    const auto sa = BothStats(a, foundA);
    const auto sb = BothStats(b, foundB);
    for (int i = 0; i < 2; ++i) {
        for (int j = 0; j < 2; ++j) {
            if ((foundA & (1 << i)) && (foundB & (1 << j)) && sa[i].st_dev == sb[j].st_dev
                && sa[i].st_ino == sb[j].st_ino)
                return true;
        }
    }
    return false;
}

// Whether the copy or move of `source` to `target` may begin: 0, or the
// reason why not. Nothing is opened for writing here.
int CheckTarget(const std::string& source, const std::string& target, bool replace)
{
    struct stat st {};
    if (::lstat(target.c_str(), &st) != 0)
        return errno == ENOENT ? 0 : errno; // a missing folder fails the copy itself
    if (!replace)
        return EEXIST;
    return IsSameFile(source, target) ? EINVAL : 0;
}

bool NoUnnamedFiles(int code)
{
    // Old kernels answer EISDIR, file systems without them EOPNOTSUPP.
    return code == EOPNOTSUPP || code == EISDIR || code == EINVAL || code == ENOSYS;
}

// The file a copy is written to, in the target's folder: unnamed where the
// file system allows it (it vanishes by itself when the program dies), a
// "NAME~XXXXXX" file otherwise (removed on every way out unless published).
class NewFile final {
public:
    explicit NewFile(const std::string& target)
        : m_fd(Create(target, m_tempName, m_error))
    {
    }
    ~NewFile()
    {
        if (!m_tempName.empty())
            ::unlink(m_tempName.c_str());
    }
    NewFile(const NewFile&) = delete;
    NewFile& operator=(const NewFile&) = delete;

    int fd() const { return m_fd.get(); }
    // 0, or why the file could not be created.
    int error() const { return m_error; }

    // Gives the complete file the target's name: without `replace` failing
    // when the name exists, with it replacing what is there in one step.
    int Publish(const std::string& target, bool replace)
    {
        if (m_tempName.empty()) {
            const std::string self = "/proc/self/fd/" + std::to_string(m_fd.get());
            if (!replace)
                return LinkTo(self, target) ? 0 : errno;
            // Replacing goes through a name that a rename can move.
            for (int i = 0; m_tempName.empty(); ++i) {
                const std::string name = target + "~" + std::to_string(::getpid()) + "." + std::to_string(i);
                if (LinkTo(self, name))
                    m_tempName = name;
                else if (errno != EEXIST || i == 100)
                    return errno;
            }
        }
        const bool moved = replace ? std::rename(m_tempName.c_str(), target.c_str()) == 0
                                   : RenameNoReplace(m_tempName, target);
        if (!moved)
            return errno;
        m_tempName.clear();
        return 0;
    }

    bool close() { return m_fd.close(); }

private:
    static int Create(const std::string& target, std::string& tempName, int& error)
    {
        std::string folder = FolderPart(target);
        if (folder.empty())
            folder = ".";
        static const bool procFds = ::access("/proc/self/fd", X_OK) == 0;
        int fd = -1;
        if (procFds) {
            fd = ::open(folder.c_str(), O_TMPFILE | O_WRONLY | O_CLOEXEC, 0600);
            if (fd < 0 && NoUnnamedFiles(errno)) {
                tempName = target + "~XXXXXX";
                fd = ::mkostemp(tempName.data(), O_CLOEXEC);
            }
        } else {
            tempName = target + "~XXXXXX";
            fd = ::mkostemp(tempName.data(), O_CLOEXEC);
        }
        error = fd < 0 ? errno : 0;
        if (fd < 0)
            tempName.clear();
        return fd;
    }

    static bool LinkTo(const std::string& self, const std::string& name)
    {
        return ::linkat(AT_FDCWD, self.c_str(), AT_FDCWD, name.c_str(), AT_SYMLINK_FOLLOW) == 0;
    }

    std::string m_tempName;
    int m_error = 0;
    FileDescriptor m_fd;
};

// What `cp -p` keeps besides the contents; best effort, as there: the
// contents are what must not be lost.
void KeepAttributes(int fd, const struct stat& st)
{
    if (::geteuid() == 0 && ::fchown(fd, st.st_uid, st.st_gid) != 0) {
        // The copy stays root's.
    }
    if (::fchmod(fd, st.st_mode & 07777) != 0) {
        // File systems without permission bits.
    }
    const struct timespec times[2] = {st.st_atim, st.st_mtim};
    if (::futimens(fd, times) != 0) {
        // As above.
    }
}

int FlushFolder(const std::string& path)
{
    const std::string folder = FolderPart(path);
    FileDescriptor dir(::open(folder.empty() ? "." : folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (!dir.valid())
        return errno;
    return ::fsync(dir.get()) == 0 ? 0 : errno;
}

} // namespace

int CopyFileSafely(const std::string& source, const std::string& target, bool replace, bool flush,
                   const std::function<void()>& afterChunk)
{
    if (const int code = CheckTarget(source, target, replace))
        return code;
    FileDescriptor in(::open(source.c_str(), O_RDONLY | O_CLOEXEC));
    struct stat st {};
    if (!in.valid() || ::fstat(in.get(), &st) != 0)
        return errno;
    if (!S_ISREG(st.st_mode))
        return S_ISDIR(st.st_mode) ? EISDIR : EINVAL;

    NewFile out(target);
    if (out.error() != 0)
        return out.error();
    if (!CopyRange(in.get(), 0, out.fd(), st.st_size, afterChunk))
        return errno;
    KeepAttributes(out.fd(), st);
    // Replacing a file or deleting the source next: the new contents are on
    // the disk before the name points at them.
    if ((replace || flush) && ::fsync(out.fd()) != 0)
        return errno;
    if (const int code = out.Publish(target, replace))
        return code;
    if (!out.close())
        return errno;
    return flush ? FlushFolder(target) : 0;
}

int MoveFileSafely(const std::string& source, const std::string& target, bool replace, bool& sourceLeft,
                   const std::function<void()>& afterChunk)
{
    sourceLeft = true;
    if (const int code = CheckTarget(source, target, replace))
        return code;
    const bool renamed = replace ? std::rename(source.c_str(), target.c_str()) == 0
                                 : RenameNoReplace(source, target);
    if (renamed) {
        sourceLeft = false;
        return 0;
    }
    if (errno != EXDEV)
        return errno;
    return CopyFileSafely(source, target, replace, true, afterChunk);
}
