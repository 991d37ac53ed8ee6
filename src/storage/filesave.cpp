#include "filesave.h"

#include "changerecord.h"
#include "filedescriptor.h"
#include "fileidentity.h"
#include "filewriter.h"
#include "folderflushes.h"
#include "savejournal.h"
#include "systemerror.h"
#include "temporaryfile.h"

#include <cerrno>
#include <cstdio>
#include <climits>
#include <cstdlib>
#include <mutex>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

const char* const kFileReplacedWhileSaving = "The file was replaced while it was being saved";
const char* const kFileDeletedWhileSaving = "The file was deleted while it was being saved";

namespace {

// SQLite keeps blobs of at most a billion bytes; a written-back file's whole
// content goes into one.
constexpr std::int64_t kMaxWriteBackSize = 1000 * 1000 * 1000 - 4096;

std::mutex& hookMutex()
{
    static std::mutex mutex;
    return mutex;
}

SaveStepHook& hook()
{
    static SaveStepHook stepHook;
    return stepHook;
}

void step(SaveStep at, int fd, const ChangeRecord& record)
{
    SaveStepHook current;
    {
        const std::lock_guard lock(hookMutex());
        current = hook();
    }
    if (current)
        current(at, fd, record);
}

std::string errnoText()
{
    return errno != 0 ? SystemErrorText(errno) : "Input/output error";
}

bool fail(std::string& error, std::string text)
{
    error = std::move(text);
    return false;
}

// The file to write as an absolute path: a symbolic link's final target, so
// that the link stays in place and a new file lands on the target's file
// system.
std::string absoluteTarget(const std::string& fileName)
{
    struct stat st {};
    if (::lstat(fileName.c_str(), &st) == 0 && S_ISLNK(st.st_mode)) {
        char resolved[PATH_MAX];
        return ::realpath(fileName.c_str(), resolved) ? std::string(resolved) : std::string();
    }
    if (!fileName.empty() && fileName[0] == '/')
        return fileName;
    char cwd[PATH_MAX];
    return ::getcwd(cwd, sizeof cwd) ? std::string(cwd) + "/" + fileName : std::string();
}

bool readString(int fd, std::int64_t offset, std::int64_t length, std::string& out)
{
    out.resize(static_cast<std::size_t>(length));
    return length == 0 || ReadAt(fd, out.data(), out.size(), offset);
}

FileStamp stampOf(const struct stat& st)
{
    return {st.st_size, st.st_mtim.tv_sec, st.st_mtim.tv_nsec};
}

bool sameFile(const struct stat& a, const struct stat& b)
{
    return a.st_dev == b.st_dev && a.st_ino == b.st_ino;
}

int exchange(int dirFd, const std::string& a, const std::string& b)
{
    return ::renameat2(dirFd, a.c_str(), dirFd, b.c_str(), RENAME_EXCHANGE);
}

struct Save {
    Save(std::string fileName, const FileEdit& fileEdit, std::string& errorText, FolderFlushes* flushes, int file)
        : edit(fileEdit), error(errorText), laterFlushes(flushes), fd(file), fileName_(std::move(fileName))
    {
    }

    const FileEdit& edit;
    std::string& error;
    FolderFlushes* laterFlushes;
    int fd;
    struct stat original {};
    FileDescriptor dir {-1};
    std::string folder;
    std::string name;
    ChangeRecord record;
    std::shared_ptr<SaveJournal> journal;
    std::int64_t id = 0;

    bool record_()
    {
        id = journal->Add(record, error);
        if (id == 0)
            return false;
        step(SaveStep::Recorded, fd, record);
        return true;
    }

    // The failure of a save whose name no longer holds the file read.
    bool lostName()
    {
        struct stat named {};
        const bool gone = ::fstatat(dir.get(), name.c_str(), &named, AT_SYMLINK_NOFOLLOW) != 0 && errno == ENOENT;
        return fail(error, gone ? kFileDeletedWhileSaving : kFileReplacedWhileSaving);
    }

    // Whether the name still holds the file that was read.
    bool nameHoldsOriginal() const
    {
        struct stat named {};
        return ::fstatat(dir.get(), name.c_str(), &named, AT_SYMLINK_NOFOLLOW) == 0 && sameFile(named, original);
    }

    void keepTime(int file) const
    {
        if (edit.keepModificationTime)
            RestoreModificationTime(file, original);
    }

    bool settled()
    {
        journal->Settle(id);
        return true;
    }

    // A save given up with the file as it was: its record goes.
    bool abandoned(std::string reason)
    {
        journal->Settle(id);
        return fail(error, std::move(reason));
    }

    // Puts the old bytes back after a failed write in place; when even that
    // fails, the change stays pending for recovery.
    void rollBackInPlace()
    {
        const int saved = errno;
        if (WriteAllAt(fd, record.oldFront, 0) && WriteAllAt(fd, record.oldBack, record.backStart)
            && ::ftruncate(fd, original.st_size) == 0 && ::fsync(fd) == 0)
            journal->Settle(id);
        errno = saved;
    }

    bool inPlace()
    {
        if (!record_())
            return false;
        errno = 0;
        const bool sizeChanges = record.newSize() != original.st_size;
        const bool written = (record.front == record.oldFront || WriteAllAt(fd, record.front, 0))
            && (record.back == record.oldBack || WriteAllAt(fd, record.back, record.backStart))
            && (record.newSize() >= original.st_size || ::ftruncate(fd, record.newSize()) == 0);
        if (!written) {
            const std::string reason = errnoText();
            rollBackInPlace();
            return fail(error, reason);
        }
        step(SaveStep::Written, fd, record);
        keepTime(fd);
        // Only the content changed: its metadata need not reach the disk
        // with it, unless the size or a kept time is part of the change.
        if ((sizeChanges || edit.keepModificationTime ? ::fsync(fd) : ::fdatasync(fd)) != 0) {
            const std::string reason = errnoText();
            rollBackInPlace();
            return fail(error, reason);
        }
        step(SaveStep::Flushed, fd, record);
        settled();
        return nameHoldsOriginal() || lostName();
    }

    bool writeBack()
    {
        const std::int64_t newSize = static_cast<std::int64_t>(record.front.size())
            + (record.backStart - record.frontLength) + static_cast<std::int64_t>(record.back.size());
        if (newSize > kMaxWriteBackSize)
            return fail(error, "The file is too large to be saved safely in place");
        record.kind = ChangeKind::WriteBack;
        errno = 0;
        if (edit.writeFront) {
            // The new content is put together in an unnamed file first.
            TemporaryFile staging(dir.get(), name, 0600);
            FileWriter out(staging.fd(), fd);
            off_t size = 0;
            if (!staging.valid() || !edit.writeFront(out)
                || !out.copy(record.frontLength, record.backStart - record.frontLength) || !out.write(record.back)
                || !out.finish() || (size = ::lseek(staging.fd(), 0, SEEK_END)) < 0
                || !readString(staging.fd(), 0, size, record.content))
                return fail(error, errnoText());
            record.front = record.content.substr(0, static_cast<std::size_t>(
                size - (record.backStart - record.frontLength) - static_cast<std::int64_t>(record.back.size())));
            if (!readString(fd, 0, record.frontLength, record.oldFront))
                return fail(error, errnoText());
        } else {
            std::string middle;
            if (!readString(fd, record.frontLength, record.backStart - record.frontLength, middle))
                return fail(error, errnoText());
            record.content = record.front + middle + record.back;
        }
        if (!record_())
            return false;
        errno = 0;
        const auto size = static_cast<std::int64_t>(record.content.size());
        if (!WriteAllAt(fd, record.content, 0) || (size < original.st_size && ::ftruncate(fd, size) != 0)) {
            // Recovery finishes the write from the journal at the next start.
            return fail(error, "The file could not be rewritten (" + errnoText()
                                   + "); it will be completed from the save journal at the next start");
        }
        step(SaveStep::Written, fd, record);
        keepTime(fd);
        if (::fsync(fd) != 0)
            return fail(error, errnoText());
        step(SaveStep::Flushed, fd, record);
        settled();
        return nameHoldsOriginal() || lostName();
    }

    // Exchange with a new file; false with `cannotKeep` when the new file
    // cannot be given the original's identity or cannot be made at all.
    bool exchanged(bool& cannotKeep)
    {
        errno = 0;
        TemporaryFile temp(dir.get(), name, 0600);
        if (!temp.valid() && (errno == EACCES || errno == EPERM)) {
            // No new file in a folder the user may not write: the file
            // itself may still be written back.
            cannotKeep = true;
            return false;
        }
        if (!temp.valid())
            return fail(error, errnoText());
        if (!CopyIdentity(fd, original, temp.fd())) {
            cannotKeep = true;
            return false;
        }
        FileWriter out(temp.fd(), fd);
        errno = 0;
        if (!(edit.writeFront ? edit.writeFront(out) : out.write(record.front))
            || !out.copy(record.frontLength, record.backStart - record.frontLength)
            || !out.write(record.back) || !out.finish())
            return fail(error, errnoText());
        step(SaveStep::Written, temp.fd(), record);
        if (::fsync(temp.fd()) != 0)
            return fail(error, errnoText());
        struct stat made {};
        if (::fstat(temp.fd(), &made) != 0)
            return fail(error, errnoText());
        step(SaveStep::Flushed, temp.fd(), record);
        record.kind = ChangeKind::Exchange;
        record.newInode = made.st_ino;
        record.tempName = temp.name().empty() ? temp.freshName() : temp.name();
        if (!record_())
            return false;
        errno = 0;
        if (temp.name().empty() && !temp.linkAs(record.tempName))
            return abandoned(errnoText());
        if (exchange(dir.get(), record.tempName, name) != 0) {
            if (errno == ENOENT)
                return abandoned(kFileDeletedWhileSaving); // the original is gone: it is not brought back
            if (errno != EINVAL && errno != ENOSYS && errno != EOPNOTSUPP)
                return abandoned(errnoText());
            // No exchange on this file system: a rename over the original,
            // right after checking that it is still the file that was read.
            if (!nameHoldsOriginal()) {
                journal->Settle(id);
                return lostName();
            }
            if (!temp.renameOver(name))
                return abandoned(errnoText());
        } else {
            temp.disown();
            step(SaveStep::Exchanged, temp.fd(), record);
            struct stat previous {};
            const bool wasOriginal = ::fstatat(dir.get(), record.tempName.c_str(), &previous, AT_SYMLINK_NOFOLLOW) == 0
                && sameFile(previous, original);
            if (!wasOriginal) {
                // Another program put a file at the name meanwhile: it gets
                // its name back, and the new file goes.
                exchange(dir.get(), record.tempName, name);
                struct stat ours {};
                if (::fstatat(dir.get(), record.tempName.c_str(), &ours, AT_SYMLINK_NOFOLLOW) == 0
                    && ours.st_ino == made.st_ino && ours.st_dev == made.st_dev)
                    ::unlinkat(dir.get(), record.tempName.c_str(), 0);
                return abandoned(kFileReplacedWhileSaving);
            }
            ::unlinkat(dir.get(), record.tempName.c_str(), 0);
        }
        keepTime(temp.fd());
        if (!laterFlushes) {
            FlushFolder(dir.get());
            return settled();
        }
        // The exchange is durable only once the batch has flushed the
        // folder: until then the record stays, so that recovery after a
        // power loss can still remove the temporary name.
        laterFlushes->Add(folder);
        laterFlushes->AddSettlement([journal = journal, id = id] { journal->Settle(id); });
        return true;
    }

    bool run()
    {
        errno = 0;
        if (::fstat(fd, &original) != 0)
            return fail(error, errnoText());
        if (!S_ISREG(original.st_mode))
            return fail(error, SystemErrorText(NotRegularReason(original.st_mode)));
        const std::string target = absoluteTarget(fileName_);
        if (target.empty())
            return fail(error, errnoText());
        const std::size_t slash = target.rfind('/');
        folder = target.substr(0, slash + 1);
        name = target.substr(slash + 1);
        dir = OpenFolder(folder);
        if (!dir.valid())
            return fail(error, errnoText());
        if (!nameHoldsOriginal())
            return lostName();

        const std::int64_t size = original.st_size;
        const std::int64_t backStart = edit.backStart < 0 ? size : edit.backStart;
        if (edit.frontLength < 0 || edit.frontLength > backStart || backStart > size)
            return fail(error, "The file changed while it was being saved");
        record.path = target;
        record.device = original.st_dev;
        record.inode = original.st_ino;
        record.before = stampOf(original);
        record.keepModificationTime = edit.keepModificationTime;
        record.frontLength = edit.frontLength;
        record.front = edit.front;
        record.backStart = backStart;
        record.back = edit.back;
        errno = 0;
        if ((!edit.writeFront && !readString(fd, 0, edit.frontLength, record.oldFront))
            || !readString(fd, backStart, size - backStart, record.oldBack))
            return fail(error, errno != 0 ? errnoText() : "The file changed while it was being saved");
        if (!edit.writeFront && record.oldFront == record.front && record.oldBack == record.back)
            return true;

        journal = SaveJournal::Process();
        if (!edit.writeFront && static_cast<std::int64_t>(record.front.size()) == record.frontLength)
            return inPlace();
        bool cannotKeep = false;
        if (ReplacementCanKeepIdentity(original)) {
            if (exchanged(cannotKeep) || !cannotKeep)
                return error.empty();
        }
        return writeBack();
    }

    std::string fileName_;
};

}  // namespace

void SetSaveStepHook(SaveStepHook stepHook)
{
    const std::lock_guard lock(hookMutex());
    hook() = std::move(stepHook);
}

bool SaveFileEdit(const std::string& fileName, int fd, const FileEdit& edit, std::string& error,
                  FolderFlushes* laterFlushes)
{
    error.clear();
    Save save(fileName, edit, error, laterFlushes, fd);
    return save.run();
}
