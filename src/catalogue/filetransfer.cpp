#include "filetransfer.h"

#include "filedescriptor.h"
#include "fileutils.h"
#include "renamenoreplace.h"
#include "temporaryfile.h"

#include <array>
#include <cerrno>
#include <cstdio>

#include <fcntl.h>
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

} // namespace

int CopyFileSafely(const std::string& source, const std::string& target, bool replace, bool flush,
                   const std::function<void()>& afterChunk)
{
    // The source first: a FIFO, socket or device is refused before any
    // question about the target.
    const FileDescriptor in = OpenRegularFile(source, O_RDONLY);
    struct stat st {};
    if (!in.valid() || ::fstat(in.get(), &st) != 0)
        return errno;
    if (const int code = CheckTarget(source, target, replace))
        return code;

    // The copy is written beside the target and gets the target's name only
    // once it is complete.
    const std::string folder = FolderPart(target);
    const std::string name = target.substr(folder.size());
    const FileDescriptor dir = OpenFolder(folder);
    if (!dir.valid())
        return errno;
    TemporaryFile out(dir.get(), name, 0600);
    if (!out.valid())
        return errno;
    if (!CopyRange(in.get(), 0, out.fd(), st.st_size, afterChunk))
        return errno;
    KeepAttributes(out.fd(), st);
    // Replacing a file or deleting the source next: the new contents are on
    // the disk before the name points at them.
    if ((replace || flush) && ::fsync(out.fd()) != 0)
        return errno;
    const bool placed = replace ? out.link() && out.renameOver(name) : out.renameNoReplace(name);
    if (!placed || !out.close())
        return errno;
    return flush && !FlushFolder(dir.get()) ? errno : 0;
}

int MoveFileSafely(const std::string& source, const std::string& target, bool replace, bool& sourceLeft,
                   const std::function<void()>& afterChunk)
{
    sourceLeft = true;
    // A rename would move a FIFO, socket or device without opening it, but
    // a move across file systems copies, which refuses them: a move refuses
    // them alike, wherever the target is. A link is judged by what it
    // leads to, as a copy would read it.
    if (const int reason = NotRegularReason(source))
        return reason;
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
