#pragma once
// One command in the undo journal, and how it is kept on disk.
//
// An entry file is a run of records followed by a fixed-size trailer that
// says what the entry undoes (tags or renames) and of how many files, so
// that the journal can describe its entries without reading them whole:
//  - 'B': a file about to have its tags written: its path, its raw tags and
//    its state before the write;
//  - 'A': the state of that file after the write;
//  - 'R': a file that was renamed: old and new path, the folders the rename
//    created, and its state afterwards.
// The journal holds tag bytes and names only, never audio. It is read only
// by the program that wrote it, on the same machine: numbers are stored in
// the machine's own byte order.

#include "rawtags.h"

#include <cstdint>
#include <string>
#include <string_view>
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
};

struct UndoRename {
    std::string from;
    std::string to;
    std::vector<std::string> createdFolders; // outermost first
    FileState after;
};

struct UndoEntry {
    UndoKind kind = UndoKind::Tags;
    std::vector<UndoTagFile> tagFiles; // files the command changed, in order
    std::vector<UndoRename> renames;   // in the order they were made

    int FileCount() const { return static_cast<int>(tagFiles.size() + renames.size()); }
};

namespace undoformat {

constexpr std::size_t kTrailerSize = 16;

std::string TagBeforeRecord(std::uint32_t index, const std::string& path, const RawTags& tags,
                            const FileState& state);
std::string TagAfterRecord(std::uint32_t index, const FileState& state);
std::string RenameRecord(const UndoRename& rename);
std::string Trailer(UndoKind kind, std::uint32_t files);
// The whole file of an entry: its records and trailer.
std::string EntryBytes(const UndoEntry& entry);

// The kind and file count in the trailer of an entry file; false when the
// file cannot be read or is not a complete entry.
bool ReadTrailer(const std::string& fileName, UndoKind& kind, std::uint32_t& files);
// The entry in `bytes`; false when they are damaged. Tag files without a
// state after the write, or that the write did not touch, are left out.
bool ParseEntry(std::string_view bytes, UndoEntry& entry);

// Writes `bytes` into a new file beside `fileName`, flushes it and renames it
// over `fileName`. False, with errno, on failure (no file is left behind).
bool ReplaceFile(const std::string& fileName, std::string_view bytes);

} // namespace undoformat
