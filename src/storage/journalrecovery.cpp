#include "journalrecovery.h"

#include "filedescriptor.h"
#include "systemerror.h"

#include <algorithm>
#include <cerrno>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// Whether `now` (the file's bytes from some offset) holds, byte by byte,
// either the old or the new content there. Past the end of one of them
// only the other counts.
bool oldNewOrMix(std::string_view now, std::string_view oldBytes, std::string_view newBytes)
{
    for (std::size_t i = 0; i < now.size(); ++i) {
        const bool inOld = i < oldBytes.size(), inNew = i < newBytes.size();
        if (!(inOld && now[i] == oldBytes[i]) && !(inNew && now[i] == newBytes[i]))
            return false;
    }
    return true;
}

struct Range {
    std::int64_t offset;
    std::string_view oldBytes;
    std::string_view newBytes;
};

// The changed ranges of an in-place change, or the whole file of a
// written-back one (whose old content is its old tags around the audio
// that the new content holds).
std::vector<Range> rangesOf(const ChangeRecord& r, std::string& oldWhole)
{
    if (r.kind == ChangeKind::WriteBack) {
        const auto audio = r.backStart - r.frontLength;
        oldWhole = r.oldFront;
        if (audio > 0 && r.front.size() + static_cast<std::size_t>(audio) <= r.content.size())
            oldWhole.append(r.content, r.front.size(), static_cast<std::size_t>(audio));
        oldWhole += r.oldBack;
        return {{0, oldWhole, r.content}};
    }
    return {{0, r.oldFront, r.front}, {r.backStart, r.oldBack, r.back}};
}

RecoveryOutcome finishInPlace(const ChangeRecord& r, std::string& why)
{
    const FileDescriptor file(::open(r.path.c_str(), O_RDWR | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC));
    struct stat st {};
    if (!file.valid() || ::fstat(file.get(), &st) != 0) {
        why = SystemErrorText(errno);
        return RecoveryOutcome::LeftAlone;
    }
    if (!S_ISREG(st.st_mode) || st.st_dev != r.device || st.st_ino != r.inode) {
        why = "it was replaced by another file";
        return RecoveryOutcome::LeftAlone;
    }
    std::string oldWhole;
    const std::vector<Range> ranges = rangesOf(r, oldWhole);
    const std::int64_t oldSize = r.before.size;
    const std::int64_t newSize = r.kind == ChangeKind::WriteBack ? static_cast<std::int64_t>(r.content.size()) : r.newSize();
    if (st.st_size < std::min(oldSize, newSize) || st.st_size > std::max(oldSize, newSize)) {
        why = "its size changed since";
        return RecoveryOutcome::LeftAlone;
    }
    bool isNew = st.st_size == newSize;
    for (const Range& range : ranges) {
        const std::int64_t end = std::min<std::int64_t>(
            st.st_size, range.offset + static_cast<std::int64_t>(std::max(range.oldBytes.size(), range.newBytes.size())));
        std::string now(static_cast<std::size_t>(std::max<std::int64_t>(0, end - range.offset)), '\0');
        if (!now.empty() && !ReadAt(file.get(), now.data(), now.size(), range.offset)) {
            why = SystemErrorText(errno);
            return RecoveryOutcome::LeftAlone;
        }
        if (!oldNewOrMix(now, range.oldBytes, range.newBytes)) {
            why = "it changed in another way since";
            return RecoveryOutcome::LeftAlone;
        }
        isNew = isNew && now == range.newBytes.substr(0, now.size());
    }
    if (isNew)
        return RecoveryOutcome::AlreadyDone;
    for (const Range& range : ranges)
        if (!WriteAllAt(file.get(), range.newBytes, range.offset)) {
            why = SystemErrorText(errno);
            return RecoveryOutcome::LeftAlone;
        }
    if (::ftruncate(file.get(), newSize) != 0 || ::fsync(file.get()) != 0) {
        why = SystemErrorText(errno);
        return RecoveryOutcome::LeftAlone;
    }
    if (r.keepModificationTime) {
        const timespec times[2] = {{0, UTIME_OMIT}, {r.before.mtimeSec, r.before.mtimeNsec}};
        ::futimens(file.get(), times);
    }
    return RecoveryOutcome::Completed;
}

RecoveryOutcome finishExchange(const ChangeRecord& r, std::string& why)
{
    const FileDescriptor dir(::open(r.folder().empty() ? "." : r.folder().c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (!dir.valid()) {
        why = SystemErrorText(errno);
        return RecoveryOutcome::LeftAlone;
    }
    struct stat temp {};
    if (::fstatat(dir.get(), r.tempName.c_str(), &temp, AT_SYMLINK_NOFOLLOW) != 0)
        return RecoveryOutcome::AlreadyDone; // the new file never got its name, or is in place already
    if (temp.st_dev != r.device || (temp.st_ino != r.inode && temp.st_ino != r.newInode)) {
        why = "a file of another program has the name \"" + r.tempName + "\"";
        return RecoveryOutcome::LeftAlone;
    }
    struct stat named {};
    const bool exchanged = temp.st_ino == r.inode;
    if (!exchanged && ::fstatat(dir.get(), r.name().c_str(), &named, AT_SYMLINK_NOFOLLOW) == 0
        && named.st_ino == r.newInode) {
        why = "it is in an unexpected state";
        return RecoveryOutcome::LeftAlone;
    }
    // Not yet exchanged: the new file goes and the file stays as it was;
    // exchanged: the old one goes and the file is as saved.
    if (::unlinkat(dir.get(), r.tempName.c_str(), 0) != 0 || ::fsync(dir.get()) != 0) {
        why = SystemErrorText(errno);
        return RecoveryOutcome::LeftAlone;
    }
    return exchanged ? RecoveryOutcome::Completed : RecoveryOutcome::RolledBack;
}

}  // namespace

RecoveryOutcome RecoverChange(const ChangeRecord& record, std::string& why)
{
    return record.kind == ChangeKind::Exchange ? finishExchange(record, why) : finishInPlace(record, why);
}
