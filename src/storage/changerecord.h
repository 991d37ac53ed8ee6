#pragma once
// One change of one file as the save journal keeps it: which file (its
// identity before the change), which bytes change with their old and their
// new content, and how the change is made. The same record lets recovery
// finish an interrupted save and lets an undo put the old bytes back.
//
// A change replaces the first `frontLength` bytes of the file with `front`
// and everything from `backStart` to the end with `back`; the bytes between
// (the audio) stay as they are. Records are stored as one blob with a
// checksum (see EncodeChangeRecord).

#include <cstdint>
#include <string>
#include <string_view>

enum class ChangeKind : std::uint8_t {
    InPlace = 0,   // the new bytes fit: written through the file's descriptor
    Exchange = 1,  // a new file beside, exchanged with the original in one step
    WriteBack = 2, // the whole new content written back into the file itself
};

struct FileStamp {
    std::int64_t size = 0;
    std::int64_t mtimeSec = 0;
    std::int64_t mtimeNsec = 0;

    friend bool operator==(const FileStamp&, const FileStamp&) = default;
};

struct ChangeRecord {
    ChangeKind kind = ChangeKind::InPlace;
    std::string path;      // the file written (a symbolic link's target), as bytes
    std::uint64_t device = 0;
    std::uint64_t inode = 0;
    FileStamp before;
    bool keepModificationTime = false;

    std::int64_t frontLength = 0;  // bytes at the start that `front` replaces
    std::string oldFront;          // those bytes as they were
    std::string front;
    std::int64_t backStart = 0;    // where `back` starts replacing, to the end
    std::string oldBack;           // the bytes from there to the end as they were
    std::string back;

    std::string content;           // WriteBack: the whole new content
    std::string tempName;          // Exchange: the new file's name beside the original
    std::uint64_t newInode = 0;    // Exchange: the new file's inode


    std::int64_t newSize() const { return backStart + static_cast<std::int64_t>(back.size()); }
    // The folder part of `path` (with its '/') and the name part.
    std::string folder() const;
    std::string name() const;
};

std::string EncodeChangeRecord(const ChangeRecord& record);
// False when the bytes are not a whole record.
bool DecodeChangeRecord(std::string_view bytes, ChangeRecord& record);
