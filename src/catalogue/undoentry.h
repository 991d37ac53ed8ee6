#pragma once
// One command in the undo journal, and the records that keep it in the save
// journal's database (SaveJournal::AddUndoRecord), one row each, in the
// order they were made; the command's row says what it undoes (tags or
// renames) and of how many files:
//  - 'B': a file about to have its tags written: its path, its raw tags and
//    its state before the write;
//  - 'A': the state of that file after the write;
//  - 'R': a file that was renamed: old and new path, the folders the rename
//    created, and its state afterwards.
// The journal holds tag bytes and names only, never audio. It is read only
// by the program that wrote it, on the same machine: numbers are stored in
// the machine's own byte order.

#include "rawtags.h"
#include "savejournal.h"

#include <cstdint>
#include <string>
#include <vector>

enum class UndoKind : char { Tags = 'T', Rename = 'N' };

// What tells whether a file changed since the journal recorded it: its size
// and modification time. The change time and the inode also tell whether a
// command touched the file at all.
struct FileState {
    std::int64_t size = 0;
    std::int64_t mtimeSec = 0;
    std::int64_t mtimeNsec = 0;
    std::int64_t ctimeSec = 0;
    std::int64_t ctimeNsec = 0;
    std::uint64_t inode = 0;

    bool SameSizeAndTime(const FileState& other) const
    {
        return size == other.size && mtimeSec == other.mtimeSec && mtimeNsec == other.mtimeNsec;
    }
    friend bool operator==(const FileState&, const FileState&) = default;
};

// The state of a file (of a symbolic link's target when `followLinks`);
// false when the file cannot be looked at.
bool ReadFileState(const std::string& path, bool followLinks, FileState& state);

struct UndoTagFile {
    std::string path;
    RawTags before;
    FileState beforeState;
    FileState after;
    std::vector<std::int64_t> records; // the ids of its records
    std::int64_t recordBytes = 0;      // and their size
};

struct UndoRename {
    std::string from;
    std::string to;
    std::vector<std::string> createdFolders; // outermost first
    FileState after;
    std::int64_t record = 0; // the id of its record
    std::int64_t recordBytes = 0;
};

struct UndoEntry {
    UndoKind kind = UndoKind::Tags;
    std::vector<UndoTagFile> tagFiles; // files the command changed, in order
    std::vector<UndoRename> renames;   // in the order they were made

    int FileCount() const { return static_cast<int>(tagFiles.size() + renames.size()); }
};

namespace undoformat {

std::string TagBeforeRecord(std::uint32_t index, const std::string& path, const RawTags& tags,
                            const FileState& state);
std::string TagAfterRecord(std::uint32_t index, const FileState& state);
std::string RenameRecord(const UndoRename& rename);

// The entry of `kind` that `records` make; false when one is damaged. Tag
// files without a state after the write, or that the write did not touch,
// are left out.
bool ParseRecords(UndoKind kind, const std::vector<SaveJournal::StoredUndoRecord>& records, UndoEntry& entry);

} // namespace undoformat
