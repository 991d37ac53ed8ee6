#include "tundojournal.h"

#include "fileutils.h"
#include "renamenoreplace.h"
#include "savejournal.h"
#include "subfoldermove.h"
#include "tagerror.h"
#include "tundorecorder.h"

#include <algorithm>
#include <cerrno>
#include <cstdint>

#include <dirent.h>
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

// `path` holds the file a command left as `state`, with inode `inode` (0:
// not known, as after a move the file's inode could not be read).
bool HoldsFile(const std::string& path, const FileState& state, std::uint64_t inode)
{
    FileState now;
    return ReadFileState(path, true, now) && now.SameSizeAndTime(state) && (inode == 0 || now.inode == inode);
}

// The regular file in `folder` with inode `inode` and the size and time of
// `state`; empty when there is none.
std::string FindInFolder(const std::string& folder, const FileState& state, std::uint64_t inode)
{
    if (inode == 0)
        return {};
    struct CloseDir {
        void operator()(DIR* dir) const { ::closedir(dir); }
    };
    const std::unique_ptr<DIR, CloseDir> dir(::opendir(folder.empty() ? "." : folder.c_str()));
    if (!dir)
        return {};
    while (const dirent* entry = ::readdir(dir.get())) {
        const std::string path = folder + entry->d_name;
        struct stat st {};
        if (::lstat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode) && st.st_ino == inode
            && HoldsFile(path, state, inode))
            return path;
    }
    return {};
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
    PruneMoves();
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
    auto recorder = std::make_unique<TUndoRecorder>(kind, m_store, command, m_maxBytes);
    recorder->SetRenameHook([this](const std::string& from, const std::string& to) { FileMoved(from, to); });
    return recorder;
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
        PruneMoves();
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
    bool dropped = false;
    while (!m_entries.empty() && (static_cast<int>(m_entries.size()) > m_maxEntries || total > m_maxBytes)) {
        total -= m_entries.front().bytes;
        m_store->DeleteCommand(m_entries.front().command);
        m_entries.erase(m_entries.begin());
        dropped = true;
    }
    if (dropped)
        PruneMoves();
}

void TUndoJournal::PruneMoves()
{
    if (!m_store)
        return;
    // No entry left: no move is needed, the next ones come after the next
    // command.
    m_store->ForgetMovesBefore(m_entries.empty() ? INT64_MAX : m_entries.front().command);
}

void TUndoJournal::FileMoved(const std::string& from, const std::string& to)
{
    if (!m_store || m_entries.empty())
        return;
    FileState state;
    SaveJournal::Move move {from, to, ReadFileState(to, true, state) ? state.inode : 0};
    m_store->AddMove(move, m_entries.back().command);
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
            m_store->MovesNowAfter(last.command, m_entries.empty() ? 0 : m_entries.back().command);
            PruneMoves();
            return report;
        }
    }
    std::size_t done = 0;
    if (entry.kind == UndoKind::Tags)
        UndoTags(last.command, entry, hooks, report, done);
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
        m_store->MovesNowAfter(last.command, m_entries.empty() ? 0 : m_entries.back().command);
        PruneMoves();
    }
    return report;
}

std::string TUndoJournal::FindTagFile(const UndoTagFile& file, const std::vector<SaveJournal::Move>& moves) const
{
    // The moves since the command, from the recorded path on; a move onto
    // the same path is a rewrite that gave the file another inode.
    std::string path = file.path;
    std::uint64_t inode = file.after.inode;
    for (const SaveJournal::Move& move : moves) {
        if (move.from == path) {
            path = move.to;
            inode = move.inode;
        }
    }
    if (HoldsFile(path, file.after, inode))
        return path;
    // Renamed by another program: still in its folder, or in the one the
    // program moved it to.
    std::string found = FindInFolder(FolderPart(file.path), file.after, file.after.inode);
    if (found.empty() && FolderPart(path) != FolderPart(file.path))
        found = FindInFolder(FolderPart(path), file.after, inode);
    return found;
}

void TUndoJournal::UndoTags(std::int64_t command, const UndoEntry& entry, const Hooks& hooks, Report& report,
                            std::size_t& done)
{
    const int total = static_cast<int>(entry.tagFiles.size());
    const std::vector<SaveJournal::Move> moves = m_store->MovesSince(command);
    for (const UndoTagFile& file : entry.tagFiles) {
        std::string error;
        const std::string path = FindTagFile(file, moves);
        if (path.empty()) {
            report.changed.push_back(file.path);
        } else {
            if (hooks.beforeRewrite)
                hooks.beforeRewrite(path);
            FileState found;
            ReadFileState(path, true, found);
            if (!WriteRawTags(path, file.before, error)) {
                report.failed.emplace_back(path, error);
            } else {
                // The file is as it was before the command, its time too: an
                // older entry finds it as it left it, also when the rewrite
                // gave it another inode.
                const timespec times[2] = {{0, UTIME_OMIT}, {file.beforeState.mtimeSec, file.beforeState.mtimeNsec}};
                ::utimensat(AT_FDCWD, path.c_str(), times, 0);
                FileState now;
                if (ReadFileState(path, true, now) && now.inode != found.inode)
                    FileMoved(path, path);
                report.restored.push_back(path);
                if (path != file.path)
                    report.followed.emplace_back(file.path, path);
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
            FileMoved(it->to, it->from);
            RemoveEmptyFolders(it->createdFolders);
        }
        ++done;
        if (hooks.progress && !hooks.progress(static_cast<int>(done), total) && static_cast<int>(done) < total) {
            report.cancelled = true;
            return;
        }
    }
}
