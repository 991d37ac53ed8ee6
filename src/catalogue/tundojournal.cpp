#include "tundojournal.h"

#include "fileutils.h"
#include "renamenoreplace.h"
#include "savejournal.h"
#include "subfoldermove.h"
#include "tagerror.h"
#include "tundorecorder.h"

#include <algorithm>
#include <cerrno>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr const char* kLockName = "undo.lock";

// The undo history's lock: an open file in the folder that this process
// holds locked; invalid when the folder cannot be made or another process
// holds it. Locks go with the process, so a crash leaves none behind.
FileDescriptor LockFolder(const std::string& folder)
{
    if (!MakeFolders(folder))
        return FileDescriptor(-1);
    FileDescriptor lock(::open((folder + "/" + kLockName).c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600));
    if (lock.valid() && ::flock(lock.get(), LOCK_EX | LOCK_NB) != 0)
        return FileDescriptor(-1);
    return lock;
}

bool IsUndoKind(char kind)
{
    return kind == static_cast<char>(UndoKind::Tags) || kind == static_cast<char>(UndoKind::Rename);
}

} // namespace

TUndoJournal::TUndoJournal(std::string folder, std::int64_t maxBytes, int maxEntries)
    : m_folder(std::move(folder))
    , m_maxBytes(maxBytes)
    , m_maxEntries(maxEntries)
{
    UseFolder(false);
}

TUndoJournal::~TUndoJournal() = default;

bool TUndoJournal::UseFolder(bool create)
{
    if (m_store)
        return true;
    struct stat st {};
    if (!create && ::stat(m_folder.c_str(), &st) != 0)
        return false;
    FileDescriptor lock = LockFolder(m_folder);
    if (!lock.valid())
        return false;
    std::shared_ptr<SaveJournal> store = SaveJournal::ForFolder(m_folder);
    if (!store->usable())
        return false;
    m_lock = std::move(lock);
    m_store = std::move(store);
    // Commands of other kinds are not the undo journal's.
    for (const SaveJournal::Command& command : m_store->Commands()) {
        if (IsUndoKind(command.kind))
            m_entries.push_back({command.id, command.bytes, {static_cast<UndoKind>(command.kind), command.files}});
    }
    DropOldest();
    return true;
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
    const std::int64_t command = m_store->BeginCommand(static_cast<char>(kind));
    if (command == 0)
        return nullptr;
    return std::make_unique<TUndoRecorder>(kind, m_store, command, m_maxBytes);
}

bool TUndoJournal::Commit(std::unique_ptr<TUndoRecorder> recorder)
{
    // A recorder that is not kept removes its command when it goes.
    if (!recorder || recorder->FileCount() == 0)
        return false;
    Entry entry;
    entry.command = recorder->Command();
    entry.summary = {recorder->Kind(), recorder->FileCount()};
    if (!m_store || recorder->Failed() || !recorder->Finish()) {
        for (const Entry& old : m_entries)
            m_store->DeleteCommand(old.command);
        m_entries.clear();
        return false;
    }
    entry.bytes = recorder->Bytes();
    m_entries.push_back(entry);
    DropOldest();
    return true;
}

void TUndoJournal::DropOldest()
{
    std::int64_t total = 0;
    for (const Entry& entry : m_entries)
        total += entry.bytes;
    while (!m_entries.empty() && (static_cast<int>(m_entries.size()) > m_maxEntries || total > m_maxBytes)) {
        total -= m_entries.front().bytes;
        m_store->DeleteCommand(m_entries.front().command);
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
        std::vector<SaveJournal::StoredUndoRecord> records;
        std::string error;
        // Nothing is written back from an entry with a damaged record.
        if (!m_store->LoadCommand(last.command, records, error)
            || !undoformat::ParseRecords(last.summary.kind, records, entry)) {
            report.journalError = error.empty() ? "The journal entry is damaged" : error;
            m_store->DeleteCommand(last.command);
            return report;
        }
    }
    std::size_t done = 0;
    if (entry.kind == UndoKind::Tags)
        UndoTags(entry, hooks, report, done);
    else
        UndoRenames(entry, hooks, report, done);

    // After a cancel the files not yet done stay undoable: the records of
    // those done go.
    int rest = 0;
    std::vector<std::int64_t> forgotten;
    std::int64_t forgottenBytes = 0;
    if (report.cancelled) {
        const std::size_t doneTags = std::min(done, entry.tagFiles.size());
        for (std::size_t i = 0; i < doneTags; ++i) {
            const UndoTagFile& file = entry.tagFiles[i];
            forgotten.insert(forgotten.end(), file.records.begin(), file.records.end());
            forgottenBytes += file.recordBytes;
        }
        // Renames are undone newest first.
        const std::size_t doneRenames = std::min(done, entry.renames.size());
        for (std::size_t i = entry.renames.size() - doneRenames; i < entry.renames.size(); ++i) {
            forgotten.push_back(entry.renames[i].record);
            forgottenBytes += entry.renames[i].recordBytes;
        }
        rest = entry.FileCount() - static_cast<int>(doneTags + doneRenames);
    }
    if (rest > 0 && m_store->ForgetUndoRecords(last.command, forgotten, rest)) {
        last.summary.files = rest;
        last.bytes -= forgottenBytes;
        m_entries.push_back(last);
    } else {
        m_store->DeleteCommand(last.command);
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
