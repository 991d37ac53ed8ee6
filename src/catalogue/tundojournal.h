#pragma once
// The undo journal: the last commands that changed tags or names of files,
// newest last, kept in the save journal's database of a folder (the
// program's data folder), so that they can be undone after a restart. It
// holds tag bytes and names only, never audio, and keeps at most a number
// of entries and of bytes, dropping the oldest first.
//
// Undoing the last entry puts each file's recorded tags back through the
// crash-safe tag rewrite, or renames each file back. A file that changed
// since the command (another size or modification time than recorded after
// it) is left alone; a rename back never replaces a file. An entry whose
// records do not match their checksums is refused and dropped.
//
// The journal knows a file of a tag entry by its identity (inode, size and
// modification time after the command), not only by its path: the moves
// and renames the program makes are recorded (FileMoved), and an undo of
// tags follows them from the recorded path to the file's path now. A file
// renamed by another program is looked for in its folder by its identity.
// A path that holds another file than the recorded one is not written.
//
// One process at a time uses a folder's undo history (it holds a lock file
// in the folder); in another the journal stays empty and records nothing.

#include "filedescriptor.h"
#include "savejournal.h"
#include "undoentry.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

class TUndoRecorder;

class TUndoJournal final {
public:
    static constexpr std::int64_t kDefaultMaxBytes = std::int64_t(64) << 20;
    static constexpr int kDefaultMaxEntries = 32;

    struct Summary {
        UndoKind kind = UndoKind::Tags;
        int files = 0;
    };

    struct Hooks {
        // Runs before a file's tags are put back (a player holding it stops).
        std::function<void(const std::string& path)> beforeRewrite;
        // Runs after each file with the files done and all; false cancels.
        std::function<bool(int done, int total)> progress;
    };

    struct Report {
        UndoKind kind = UndoKind::Tags;
        std::vector<std::string> restored;                          // tags put back (the paths now)
        std::vector<std::pair<std::string, std::string>> followed;  // (path recorded, path now) of those found elsewhere
        std::vector<std::pair<std::string, std::string>> renamedBack; // (path it had, path it has again)
        std::vector<std::string> changed;                           // changed since: left alone
        std::vector<std::pair<std::string, std::string>> failed;    // (path, reason)
        bool cancelled = false;
        // Why the entry could not be used; it is dropped.
        std::string journalError;
    };

    // The entries already in `folder` are taken up; the folder is made when
    // the first command is recorded. Entry files of earlier versions (a
    // folder "undo" in it) are neither read nor removed.
    explicit TUndoJournal(std::string folder, std::int64_t maxBytes = kDefaultMaxBytes,
                          int maxEntries = kDefaultMaxEntries);
    ~TUndoJournal();

    const std::string& Folder() const { return m_folder; }
    // What an undo would undo now.
    std::optional<Summary> Last() const;
    int EntryCount() const { return static_cast<int>(m_entries.size()); }

    // A recorder for one command; nullptr when the journal cannot be used
    // (the command then runs without being recorded).
    std::unique_ptr<TUndoRecorder> Begin(UndoKind kind);
    // Keeps what the recorder recorded as the last entry, when the command
    // changed any file. A command that changed files but could not be
    // recorded empties the journal: the entries before it are no longer
    // the last change. Returns whether the command can be undone.
    bool Commit(std::unique_ptr<TUndoRecorder> recorder);

    // Undoes the last entry. The entry goes, except after a cancel, when it
    // keeps the files not yet done.
    Report UndoLast(const Hooks& hooks);

    // The program moved or renamed a song file: an undo of an entry before
    // it follows the file. Nothing to do without entries.
    void FileMoved(const std::string& from, const std::string& to);

private:
    struct Entry {
        std::int64_t command = 0;
        std::int64_t bytes = 0;
        Summary summary;
    };

    // Holds the folder's lock, made now when `create`, and takes up its
    // entries once; false when the journal cannot be used.
    bool UseFolder(bool create);
    void DropOldest();
    // Forgets the moves older than the oldest entry.
    void PruneMoves();
    // Where the file of `file` is now, by `moves` (those since its command)
    // or in its folder; empty when it is nowhere to be found as it was left.
    std::string FindTagFile(const UndoTagFile& file, const std::vector<SaveJournal::Move>& moves) const;
    void UndoTags(std::int64_t command, const UndoEntry& entry, const Hooks& hooks, Report& report,
                  std::size_t& done);
    void UndoRenames(const UndoEntry& entry, const Hooks& hooks, Report& report, std::size_t& done);

    std::string m_folder;
    FileDescriptor m_lock {-1};
    std::shared_ptr<SaveJournal> m_store; // set once the lock is held
    std::int64_t m_maxBytes;
    int m_maxEntries;
    std::vector<Entry> m_entries; // oldest first
};
