#include "fileutils.h"

#include "browserentry.h"
#include "deleteprogress.h"
#include "mounttable.h"
#include "tagerror.h"
#include "temporaryfile.h"

#include <cerrno>
#include <climits>
#include <clocale>
#include <dirent.h>
#include <fcntl.h>
#include <stdio.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

namespace {

bool IsControlOrBlank(char c)
{
    return static_cast<unsigned char>(c) <= 32;
}

// size / divisor in the "0.00" form: at least one integer digit, exactly two
// decimals, halves rounded away from zero (1152 / 1024 = 1.125 gives 1.13).
// Integer arithmetic, so that no binary fraction decides a half.
std::string FormatTwoDecimals(std::int64_t size, std::int64_t divisor, std::string_view decimalSeparator)
{
    std::int64_t whole = size / divisor;
    // The remainder is below 1024^5, so a hundred times it fits.
    std::int64_t hundredths = ((size % divisor) * 100 + divisor / 2) / divisor;
    if (hundredths == 100) {
        ++whole;
        hundredths = 0;
    }
    char decimals[3] = {static_cast<char>('0' + hundredths / 10), static_cast<char>('0' + hundredths % 10), '\0'};
    return std::to_string(whole) + std::string(decimalSeparator) + decimals;
}

// The path as lstat and unlink need it: without trailing separators, except
// for the root itself.
std::string WithoutTrailingSeparator(const std::string& path)
{
    std::string result = path;
    while (result.size() > 1 && result.back() == '/')
        result.pop_back();
    return result;
}

// Closes the listing on every way out of a folder.
class DirCloser final {
public:
    explicit DirCloser(DIR* dir) : m_dir(dir) {}
    ~DirCloser()
    {
        if (m_dir)
            closedir(m_dir);
    }
    DirCloser(const DirCloser&) = delete;
    DirCloser& operator=(const DirCloser&) = delete;
    void close()
    {
        if (m_dir)
            closedir(m_dir);
        m_dir = nullptr;
    }

private:
    DIR* m_dir;
};

void Fail(DeleteProgress& progress, int code, const std::string& path)
{
    progress.StopDelete();
    progress.ReportPathError(code != 0 ? code : EIO, path);
}

// Whether the listed entry is a real folder (a link to one is not).
bool IsRealFolder(int dirFd, const dirent& entry)
{
    if (entry.d_type == DT_DIR)
        return true;
    if (entry.d_type != DT_UNKNOWN)
        return false;
    struct stat st {};
    if (fstatat(dirFd, entry.d_name, &st, AT_SYMLINK_NOFOLLOW) != 0)
        return false; // deleting it as a file reports the reason
    return S_ISDIR(st.st_mode);
}

// Whether the open folder is the root of a mounted file system: another
// device than its parent's, or a mount root on the same one (a bind mount).
bool IsMountRoot(int fd, dev_t parentDevice)
{
    struct statx sx {};
    if (statx(fd, "", AT_EMPTY_PATH | AT_SYMLINK_NOFOLLOW, STATX_BASIC_STATS, &sx) != 0)
        return false;
    if ((sx.stx_attributes_mask & STATX_ATTR_MOUNT_ROOT) && (sx.stx_attributes & STATX_ATTR_MOUNT_ROOT))
        return true;
    return makedev(sx.stx_dev_major, sx.stx_dev_minor) != parentDevice;
}

// Unlinks `name` in `dirFd` when it is (now) a symbolic link; false when it
// is something else or gone.
bool RemoveIfLink(int dirFd, const std::string& name, const std::string& path, DeleteProgress& progress)
{
    struct stat st {};
    if (fstatat(dirFd, name.c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0 || !S_ISLNK(st.st_mode))
        return false;
    if (unlinkat(dirFd, name.c_str(), 0) != 0)
        Fail(progress, errno, path);
    return true;
}

// A tree deletion's walk: where it is in the mount table's terms, and what
// it may not touch.
struct Walk {
    DeleteProgress& progress;
    const MountTable& mounts;
};

// Whether `name` in the open folder is a file another file system is
// mounted on (its unlink failed with EBUSY): a different device than the
// folder's, or listed in the mount table.
bool IsMountedFile(int dirFd, dev_t folderDevice, const std::string& name, const std::string& realPath,
                   const MountTable& mounts)
{
    struct stat st {};
    return mounts.IsMountPoint(realPath)
           || (fstatat(dirFd, name.c_str(), &st, AT_SYMLINK_NOFOLLOW) == 0 && st.st_dev != folderDevice);
}

// Deletes the folder `name` of the open folder `parentFd` with everything in
// it; `path` is how it is shown, `realPath` where it is in the mount table.
// Entries are opened and removed relative to open handles and never through
// a link, so a link swapped in for a folder meanwhile is removed as a link
// and what it points to is never touched, and no path grows beyond the
// system's limit. Another mounted file system is never entered: a mount
// point is left with its content, and so is every folder that holds one, as
// `rm --one-file-system` does. Returns false when it left the folder for
// that reason.
bool RemoveFolderAt(int parentFd, dev_t parentDevice, const std::string& name, const std::string& path,
                    const std::string& realPath, const Walk& walk)
{
    DeleteProgress& progress = walk.progress;
    // The table first: a mount whose server does not answer is never opened.
    if (walk.mounts.IsMountPoint(realPath)) {
        progress.ReportLeftMounted(path);
        return false;
    }
    const int fd = openat(parentFd, name.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0) {
        const int code = errno;
        if ((code == ELOOP || code == ENOTDIR) && RemoveIfLink(parentFd, name, path, progress))
            return true;
        Fail(progress, code, path);
        return true;
    }
    if (IsMountRoot(fd, parentDevice)) {
        close(fd);
        progress.ReportLeftMounted(path);
        return false;
    }
    struct stat self {};
    DIR* dir = fstat(fd, &self) == 0 ? fdopendir(fd) : nullptr;
    if (!dir) {
        const int code = errno;
        close(fd);
        Fail(progress, code, path);
        return true;
    }
    DirCloser closer(dir);
    const std::string folder = WithTrailingSeparator(path);
    const std::string realFolder = WithTrailingSeparator(realPath);
    bool holdsMount = false;
    for (;;) {
        errno = 0;
        const dirent* entry = readdir(dir);
        if (!entry) {
            if (errno != 0)
                Fail(progress, errno, path);
            break;
        }
        progress.ProcessPendingEvents();
        if (progress.IsDeleteStopped())
            break;
        const std::string child = entry->d_name;
        if (child == "." || child == "..")
            continue;
        if (IsRealFolder(dirfd(dir), *entry)) {
            progress.SetDeletePath(folder + child);
            if (progress.IsDeleteStopped())
                continue;
            if (!RemoveFolderAt(dirfd(dir), self.st_dev, child, folder + child, realFolder + child, walk))
                holdsMount = true;
        } else if (unlinkat(dirfd(dir), child.c_str(), 0) != 0) {
            const int code = errno;
            if (code == EBUSY && IsMountedFile(dirfd(dir), self.st_dev, child, realFolder + child, walk.mounts)) {
                progress.ReportLeftMounted(folder + child);
                holdsMount = true;
                continue;
            }
            Fail(progress, code, folder + child);
            break;
        }
    }
    closer.close();

    progress.ProcessPendingEvents();
    if (progress.IsDeleteStopped())
        return true;
    if (holdsMount)
        return false;
    if (unlinkat(parentFd, name.c_str(), AT_REMOVEDIR) != 0) {
        const int code = errno;
        if (code == ENOTDIR && RemoveIfLink(parentFd, name, path, progress))
            return true;
        Fail(progress, code, path);
    }
    return true;
}

// Where `folder` really is (links resolved), for the mount table; the path
// itself when it cannot be resolved.
std::string RealFolder(const std::string& folder)
{
    char* resolved = realpath(folder.c_str(), nullptr);
    if (!resolved)
        return folder;
    std::string result = WithTrailingSeparator(resolved);
    free(resolved);
    return result;
}

} // namespace

std::string TrimControls(std::string_view text)
{
    std::size_t begin = 0;
    std::size_t end = text.size();
    while (begin < end && IsControlOrBlank(text[begin]))
        ++begin;
    while (end > begin && IsControlOrBlank(text[end - 1]))
        --end;
    return std::string(text.substr(begin, end - begin));
}

std::string FolderPart(const std::string& path)
{
    const auto slash = path.rfind('/');
    return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

std::string LinkTarget(std::string file)
{
    for (int hop = 0; hop < 40; ++hop) {
        std::string target(PATH_MAX, '\0');
        const ssize_t n = readlink(file.c_str(), target.data(), target.size());
        if (n < 0 || static_cast<std::size_t>(n) >= target.size())
            return file; // not a link (or none that can be followed): the write says why it fails, if it does
        target.resize(static_cast<std::size_t>(n));
        file = target[0] == '/' ? target : FolderPart(file) + target;
    }
    errno = ELOOP;
    return {};
}

std::string WithTrailingSeparator(std::string_view path)
{
    std::string result(path);
    if (!result.empty() && result.back() != '/')
        result += '/';
    return result;
}

bool DeleteFileLong(const std::string& path, int& errorCode)
{
    if (unlink(path.c_str()) == 0) {
        errorCode = 0;
        return true;
    }
    errorCode = errno;
    return false;
}

bool RemoveDirLong(const std::string& path)
{
    return rmdir(path.c_str()) == 0;
}

std::string OsErrorMessage(int code)
{
    return "Error " + std::to_string(code) + " : " + SystemErrorText(code);
}

std::string FormatByteSize(std::int64_t size)
{
    const lconv* conv = std::localeconv();
    const char* separator = conv && conv->decimal_point && *conv->decimal_point
                                ? conv->decimal_point
                                : ".";
    return FormatByteSize(size, separator);
}

std::string FormatByteSize(std::int64_t size, std::string_view decimalSeparator)
{
    static constexpr const char* kUnits[] = {"Bytes", "Kb", "Mb", "Gb", "Tb", "Pb"};
    std::int64_t limit = 1024;
    std::int64_t divisor = 1;
    for (int i = 0; i < 5; ++i) {
        if (size < limit) {
            if (i == 0)
                return std::to_string(size) + " Bytes";
            return FormatTwoDecimals(size, divisor, decimalSeparator) + " " + kUnits[i];
        }
        divisor *= 1024;
        limit *= 1024;
    }
    return FormatTwoDecimals(size, divisor, decimalSeparator) + " Pb";
}

bool IsValidFileName(std::string_view name)
{
    return name.find_first_of(kRefusedFileNameChars) == std::string_view::npos;
}

void DeleteTree(const std::string& path, DeleteProgress& progress)
{
    DeleteTree(path, progress, MountTable::System());
}

void DeleteTree(const std::string& path, DeleteProgress& progress, const MountTable& mounts)
{
    progress.SetDeletePath(path);
    if (progress.IsDeleteStopped())
        return;

    // The folder is reached through an open handle on its parent; from
    // there on the walk goes from handle to handle, by name.
    const std::string self = WithoutTrailingSeparator(path);
    const std::string parent = FolderPart(self);
    if (self == "/" || parent.empty()) {
        Fail(progress, self == "/" ? EBUSY : ENOENT, self);
        return;
    }
    const std::string name = self.substr(parent.size());
    const int parentFd = open(parent.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (parentFd < 0) {
        Fail(progress, errno, self);
        return;
    }
    struct stat parentStat {};
    struct stat st {};
    const std::string realPath = RealFolder(parent) + name;
    if (mounts.IsMountPoint(realPath)) {
        // A mount point itself is never deleted, nor looked at.
        progress.ReportLeftMounted(self);
    } else if (fstat(parentFd, &parentStat) != 0 || fstatat(parentFd, name.c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0) {
        Fail(progress, errno, self);
    } else if (S_ISLNK(st.st_mode)) {
        // A link to a folder goes as a link; its target stays.
        if (unlinkat(parentFd, name.c_str(), 0) != 0)
            Fail(progress, errno, self);
    } else if (!S_ISDIR(st.st_mode)) {
        Fail(progress, ENOTDIR, self);
    } else {
        RemoveFolderAt(parentFd, parentStat.st_dev, name, self, realPath, Walk{progress, mounts});
    }
    close(parentFd);
}

void DeleteEntries(const std::string& folder, const std::vector<BrowserEntry>& entries,
                   DeleteProgress& progress)
{
    DeleteEntries(folder, entries, progress, MountTable::System());
}

void DeleteEntries(const std::string& folder, const std::vector<BrowserEntry>& entries,
                   DeleteProgress& progress, const MountTable& mounts)
{
    const std::string base = WithTrailingSeparator(folder);
    for (const BrowserEntry& entry : entries) {
        if (entry.caption == "..")
            continue;
        std::string fullName = base + entry.caption;
        if (!entry.extension.empty())
            fullName += "." + entry.extension;
        if (entry.isFolder) {
            DeleteTree(fullName, progress, mounts);
        } else {
            int code = 0;
            if (!DeleteFileLong(fullName, code)) {
                // A file another file system is mounted on stays.
                if (code == EBUSY && mounts.IsMountPoint(RealFolder(base) + fullName.substr(base.size()))) {
                    progress.ReportLeftMounted(fullName);
                    continue;
                }
                progress.ReportPathError(code, fullName);
                break;
            }
        }
        if (progress.IsDeleteStopped())
            break;
    }
}

bool ReplaceFileContent(const std::string& file, unsigned mode, const std::function<bool(int fd)>& write, int& error)
{
    const std::string target = LinkTarget(file);
    if (target.empty()) {
        error = errno;
        return false;
    }
    const std::string folder = FolderPart(target);
    const int dirFd = open(folder.empty() ? "." : folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dirFd < 0) {
        error = errno;
        return false;
    }
    bool ok = false;
    {
        errno = 0;
        TemporaryFile temporary(dirFd, target.substr(folder.size()), static_cast<mode_t>(mode));
        ok = temporary.valid() && write(temporary.fd()) && fsync(temporary.fd()) == 0 && temporary.link()
             && temporary.renameOver(target.substr(folder.size()));
        error = ok ? 0 : (errno != 0 ? errno : EIO);
    }
    close(dirFd);
    return ok;
}
