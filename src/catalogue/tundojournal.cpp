#include "tundojournal.h"

#include "filedescriptor.h"
#include "fileutils.h"
#include "renamenoreplace.h"
#include "subfoldermove.h"
#include "tagerror.h"
#include "tundorecorder.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>

#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr std::string_view kEntrySuffix = ".undo";
constexpr std::size_t kNumberDigits = 10;

// Creates the folder and the folders above it, for the user only.
bool MakeFolders(const std::string& folder)
{
    for (std::size_t slash = folder.find('/', 1);; slash = folder.find('/', slash + 1)) {
        const std::string part = folder.substr(0, slash);
        if (!part.empty() && ::mkdir(part.c_str(), 0700) != 0 && errno != EEXIST)
            return false;
        if (slash == std::string::npos)
            return true;
    }
}

// The journal's lock: an open file in the folder that this process holds
// locked; -1 when the folder cannot be made or another process holds it.
// Locks go with the process, so a crash leaves none behind.
int LockFolder(const std::string& folder)
{
    if (!MakeFolders(folder))
        return -1;
    const int fd = ::open((folder + "/lock").c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    if (fd >= 0 && ::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        ::close(fd);
        return -1;
    }
    return fd;
}

bool ReadWholeFile(const std::string& fileName, std::string& bytes)
{
    const FileDescriptor file(::open(fileName.c_str(), O_RDONLY | O_CLOEXEC));
    struct stat st {};
    if (!file.valid() || ::fstat(file.get(), &st) != 0)
        return false;
    bytes.resize(static_cast<std::size_t>(st.st_size));
    return ReadAt(file.get(), bytes.data(), bytes.size(), 0);
}

std::int64_t FileSizeOf(const std::string& fileName)
{
    struct stat st {};
    return ::stat(fileName.c_str(), &st) == 0 ? st.st_size : 0;
}

} // namespace

TUndoJournal::TUndoJournal(std::string folder, std::int64_t maxBytes, int maxEntries)
    : m_folder(std::move(folder))
    , m_maxBytes(maxBytes)
    , m_maxEntries(maxEntries)
{
    UseFolder(false);
}

TUndoJournal::~TUndoJournal()
{
    if (m_lock >= 0)
        ::close(m_lock);
}

bool TUndoJournal::UseFolder(bool create)
{
    if (m_lock >= 0)
        return true;
    struct stat st {};
    if (!create && ::stat(m_folder.c_str(), &st) != 0)
        return false;
    m_lock = LockFolder(m_folder);
    if (m_lock < 0)
        return false;
    TakeUpFolder();
    return true;
}

std::string TUndoJournal::EntryFile(std::uint64_t number) const
{
    char digits[kNumberDigits + 1];
    std::snprintf(digits, sizeof digits, "%010llu", static_cast<unsigned long long>(number));
    return m_folder + "/" + digits + std::string(kEntrySuffix);
}

void TUndoJournal::TakeUpFolder()
{
    DIR* dir = ::opendir(m_folder.c_str());
    if (!dir)
        return;
    std::vector<std::string> leftovers;
    while (const dirent* e = ::readdir(dir)) {
        const std::string name = e->d_name;
        if (name == "." || name == "..")
            continue;
        const std::string file = m_folder + "/" + name;
        const bool numbered = name.size() > kNumberDigits
                              && std::all_of(name.begin(), name.begin() + kNumberDigits,
                                             [](char c) { return c >= '0' && c <= '9'; });
        Entry entry;
        std::uint32_t files = 0;
        if (numbered && name.substr(kNumberDigits) == kEntrySuffix
            && undoformat::ReadTrailer(file, entry.summary.kind, files)) {
            entry.number = std::stoull(name.substr(0, kNumberDigits));
            entry.file = file;
            entry.size = FileSizeOf(file);
            entry.summary.files = static_cast<int>(files);
            m_entries.push_back(entry);
        } else if (numbered) {
            // A command that never ended, an interrupted rewrite or a damaged entry.
            leftovers.push_back(file);
        }
    }
    ::closedir(dir);
    for (const std::string& file : leftovers)
        ::unlink(file.c_str());
    std::sort(m_entries.begin(), m_entries.end(),
              [](const Entry& a, const Entry& b) { return a.number < b.number; });
    if (!m_entries.empty())
        m_nextNumber = m_entries.back().number + 1;
    DropOldest();
}

std::optional<TUndoJournal::Summary> TUndoJournal::Last() const
{
    if (m_entries.empty())
        return std::nullopt;
    return m_entries.back().summary;
}

std::unique_ptr<TUndoRecorder> TUndoJournal::Begin(UndoKind kind)
{
    if (!UseFolder(true))
        return nullptr;
    const std::string entry = EntryFile(m_nextNumber);
    return std::make_unique<TUndoRecorder>(kind, entry.substr(0, entry.size() - kEntrySuffix.size()) + ".part",
                                           m_maxBytes);
}

bool TUndoJournal::Commit(std::unique_ptr<TUndoRecorder> recorder)
{
    if (!recorder || recorder->FileCount() == 0)
        return false;
    Entry entry;
    entry.number = m_nextNumber;
    entry.file = EntryFile(entry.number);
    entry.summary = {recorder->Kind(), recorder->FileCount()};
    if (recorder->Failed() || !recorder->Finish(entry.file)) {
        for (const Entry& old : m_entries)
            ::unlink(old.file.c_str());
        m_entries.clear();
        return false;
    }
    entry.size = FileSizeOf(entry.file);
    m_entries.push_back(entry);
    ++m_nextNumber;
    DropOldest();
    return true;
}

void TUndoJournal::DropOldest()
{
    std::int64_t total = 0;
    for (const Entry& entry : m_entries)
        total += entry.size;
    while (!m_entries.empty() && (static_cast<int>(m_entries.size()) > m_maxEntries || total > m_maxBytes)) {
        total -= m_entries.front().size;
        ::unlink(m_entries.front().file.c_str());
        m_entries.erase(m_entries.begin());
    }
}

TUndoJournal::Report TUndoJournal::UndoLast(const Hooks& hooks)
{
    Report report;
    if (m_entries.empty())
        return report;
    Entry last = m_entries.back();
    m_entries.pop_back();
    report.kind = last.summary.kind;

    UndoEntry entry;
    {
        std::string bytes;
        errno = 0;
        if (!ReadWholeFile(last.file, bytes) || !undoformat::ParseEntry(bytes, entry)) {
            report.journalError = errno != 0 ? SystemErrorText(errno) : "The journal entry is damaged";
            ::unlink(last.file.c_str());
            return report;
        }
    }
    std::size_t done = 0;
    if (entry.kind == UndoKind::Tags)
        UndoTags(entry, hooks, report, done);
    else
        UndoRenames(entry, hooks, report, done);

    // After a cancel the files not yet done stay undoable.
    UndoEntry rest;
    rest.kind = entry.kind;
    if (report.cancelled) {
        rest.tagFiles.assign(entry.tagFiles.begin() + static_cast<std::ptrdiff_t>(std::min(done, entry.tagFiles.size())),
                             entry.tagFiles.end());
        rest.renames.assign(entry.renames.begin(),
                            entry.renames.end() - static_cast<std::ptrdiff_t>(std::min(done, entry.renames.size())));
    }
    if (rest.FileCount() > 0 && undoformat::ReplaceFile(last.file, undoformat::EntryBytes(rest))) {
        last.size = FileSizeOf(last.file);
        last.summary.files = rest.FileCount();
        m_entries.push_back(last);
    } else {
        ::unlink(last.file.c_str());
    }
    return report;
}

void TUndoJournal::UndoTags(const UndoEntry& entry, const Hooks& hooks, Report& report, std::size_t& done)
{
    const int total = static_cast<int>(entry.tagFiles.size());
    for (const UndoTagFile& file : entry.tagFiles) {
        FileState now;
        std::string error;
        if (!ReadFileState(file.path, true, now) || !now.SameSizeAndTime(file.after)) {
            report.changed.push_back(file.path);
        } else {
            if (hooks.beforeRewrite)
                hooks.beforeRewrite(file.path);
            if (!WriteRawTags(file.path, file.before, error)) {
                report.failed.emplace_back(file.path, error);
            } else {
                // The file is as it was before the command, its time too: an
                // older entry finds it as it left it.
                const timespec times[2] = {{0, UTIME_OMIT}, {file.beforeState.mtimeSec, file.beforeState.mtimeNsec}};
                ::utimensat(AT_FDCWD, file.path.c_str(), times, 0);
                report.restored.push_back(file.path);
            }
        }
        ++done;
        if (hooks.progress && !hooks.progress(static_cast<int>(done), total) && static_cast<int>(done) < total) {
            report.cancelled = true;
            return;
        }
    }
}

void TUndoJournal::UndoRenames(const UndoEntry& entry, const Hooks& hooks, Report& report, std::size_t& done)
{
    const int total = static_cast<int>(entry.renames.size());
    // Newest first, so that a name freed by a later rename is free again.
    for (auto it = entry.renames.rbegin(); it != entry.renames.rend(); ++it) {
        FileState now;
        if (!ReadFileState(it->to, false, now) || !now.SameSizeAndTime(it->after)) {
            report.changed.push_back(it->to);
        } else if (!RenameNoReplace(it->to, it->from)) {
            report.failed.emplace_back(it->to, SystemErrorText(errno));
        } else {
            report.renamedBack.emplace_back(it->to, it->from);
            RemoveEmptyFolders(it->createdFolders);
        }
        ++done;
        if (hooks.progress && !hooks.progress(static_cast<int>(done), total) && static_cast<int>(done) < total) {
            report.cancelled = true;
            return;
        }
    }
}
