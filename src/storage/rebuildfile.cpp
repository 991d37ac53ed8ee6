#include "rebuildfile.h"

#include "filedescriptor.h"
#include "fileidentity.h"
#include "folderflushes.h"
#include "systemerror.h"
#include "temporaryfile.h"

#include <cerrno>
#include <climits>
#include <cstdlib>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

enum class Outcome { Done, Failed, CannotKeepIdentity };

std::string errnoText()
{
    return errno != 0 ? SystemErrorText(errno) : "Input/output error";
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

struct Place {
    std::string folder;  // as given, for messages
    std::string name;
    FileDescriptor dir {-1};
    // Where the last flush of the folder goes when a batch does it later.
    FolderFlushes* laterFlushes = nullptr;

    // The folder's changed entries on disk now, or at the batch's end.
    void flushEntries() const
    {
        if (laterFlushes)
            laterFlushes->Add(folder);
        else
            FlushFolder(dir.get());
    }
};

// Writes the new content into `file` and flushes it.
bool writeFlushed(int file, int original, const ContentWriter& writeContent, std::int64_t* size = nullptr)
{
    FileWriter writer(file, original);
    if (!writeContent(writer) || !writer.finish() || ::fsync(file) != 0)
        return false;
    if (size)
        *size = writer.size();
    return true;
}

// The old modification time, when the caller wants it kept. The content is
// written either way: a time the system will not set (a file of another
// user) is no reason to fail the save.
void keepTime(int file, const struct stat& original, bool keep)
{
    if (keep)
        RestoreModificationTime(file, original);
}

Outcome replace(const Place& place, int fd, const struct stat& original, const ContentWriter& writeContent,
                std::string& error, bool keepModificationTime)
{
    TemporaryFile temp(place.dir.get(), place.name, 0600);
    if (!temp.valid()) {
        error = errnoText();
        return Outcome::Failed;
    }
    if (!CopyIdentity(fd, original, temp.fd()))
        return Outcome::CannotKeepIdentity;
    errno = 0;
    if (!writeFlushed(temp.fd(), fd, writeContent) || !temp.link() || !temp.renameOver(place.name)) {
        error = errnoText();
        return Outcome::Failed;
    }
    keepTime(temp.fd(), original, keepModificationTime);
    place.flushEntries();  // the rename itself on disk; the file is rewritten either way
    return Outcome::Done;
}

bool rewriteInPlace(const Place& place, int fd, const struct stat& original, const ContentWriter& writeContent,
                    std::string& error, bool keepModificationTime)
{
    TemporaryFile copy(place.dir.get(), place.name, original.st_mode & 0666);
    if (!copy.valid()) {
        error = errnoText();
        return false;
    }
    std::int64_t size = 0;
    errno = 0;
    if (!writeFlushed(copy.fd(), fd, writeContent, &size) || !copy.link() || !FlushFolder(place.dir.get())) {
        error = errnoText();
        return false;
    }
    // From here the copy beside holds the whole new content on disk.
    FileWriter back(fd, copy.fd());
    errno = 0;
    if (::lseek(fd, 0, SEEK_SET) != 0 || !back.copy(0, size) || !back.flush() || ::ftruncate(fd, size) != 0
        || ::fsync(fd) != 0) {
        copy.keep();
        error = "The file could not be rewritten (" + errnoText() + "); its new content is in \"" + place.folder
            + copy.name() + "\"";
        return false;
    }
    keepTime(fd, original, keepModificationTime);
    copy.remove();
    place.flushEntries();
    return true;
}

}  // namespace

bool RebuildFile(const std::string& fileName, int fd, const ContentWriter& writeContent, std::string& error,
                 bool keepModificationTime, FolderFlushes* laterFlushes)
{
    struct stat original {};
    errno = 0;
    if (::fstat(fd, &original) != 0) {
        error = errnoText();
        return false;
    }
    if (!S_ISREG(original.st_mode)) {
        error = SystemErrorText(S_ISDIR(original.st_mode) ? EISDIR : EINVAL);
        return false;
    }
    const std::string target = realTarget(fileName);
    if (target.empty()) {
        error = errnoText();
        return false;
    }
    Place place;
    const std::size_t slash = target.rfind('/');
    place.folder = slash == std::string::npos ? std::string() : target.substr(0, slash + 1);
    place.name = slash == std::string::npos ? target : target.substr(slash + 1);
    place.laterFlushes = laterFlushes;
    place.dir = OpenFolder(place.folder);
    struct stat named {};
    if (!place.dir.valid() || ::fstatat(place.dir.get(), place.name.c_str(), &named, AT_SYMLINK_NOFOLLOW) != 0) {
        error = errnoText();
        return false;
    }
    if (named.st_dev != original.st_dev || named.st_ino != original.st_ino) {
        error = "The file was moved or replaced while it was being saved";
        return false;
    }

    if (ReplacementCanKeepIdentity(original)) {
        const Outcome outcome = replace(place, fd, original, writeContent, error, keepModificationTime);
        if (outcome != Outcome::CannotKeepIdentity)
            return outcome == Outcome::Done;
    }
    return rewriteInPlace(place, fd, original, writeContent, error, keepModificationTime);
}
