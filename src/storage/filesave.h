#pragma once
// Saving a change of one file through the save journal, so that after a
// crash, a power loss or a kill at any moment the file is either as it was
// or as saved, and nothing is left beside it.
//
// A change replaces the first `frontLength` bytes of the file with `front`
// and the bytes from `backStart` to the end with `back` (the ID3v2 tag at
// the start, the ID3v1 block at the end); what lies between stays.
//  - When `front` has exactly `frontLength` bytes, the new bytes are
//    written in place through the descriptor that was read, after the
//    journal has committed the change: the file keeps its inode, links,
//    owner, attributes and holes.
//  - Otherwise the new content goes into a new file beside the original
//    (unnamed until it is complete and flushed), which takes the original's
//    owner, group, attributes and permission bits and is exchanged with it
//    in one step; should the name no longer hold the file that was read,
//    the exchange is undone and the save reported as failed. Holes are kept.
//  - A file whose identity a new file cannot keep (other hard links,
//    another owner), or beside which no file can be made (a folder the user
//    may not write), gets its whole new content written back in place, with
//    that content in the journal so that recovery can finish the write.
// A symbolic link is followed: its target is written and the link stays.

#include <cstdint>
#include <functional>
#include <string>

class FileWriter;
class FolderFlushes;
struct ChangeRecord;

struct FileEdit {
    std::int64_t frontLength = 0;
    std::string front;
    std::int64_t backStart = -1; // -1: the end of the file (`back` is appended)
    std::string back;
    bool keepModificationTime = false;
    // Instead of `front`: writes the new start of the file, ranges copied
    // from the original (FileWriter's source), for tags too large to hold
    // in memory. Such an edit is never made in place.
    std::function<bool(FileWriter&)> writeFront;
};

// The steps of a save, for tests that stop it after one of them.
enum class SaveStep {
    Recorded, // the journal holds the change; nothing written yet
    Written,  // the new bytes are in the file (or the new file), not flushed
    Flushed,  // the file (or the new file) is on disk
    Exchanged // the new file has taken the original's name
};
using SaveStepHook = std::function<void(SaveStep step, int fd, const ChangeRecord& record)>;
// Called at each step of every save in the process; empty: none.
void SetSaveStepHook(SaveStepHook hook);

// The message of a save whose file was replaced (or deleted) meanwhile.
extern const char* const kFileReplacedWhileSaving;
extern const char* const kFileDeletedWhileSaving;

// Saves `edit` into the file `fileName`, open for reading and writing as
// `fd`. False, with `error` saying why, when the file is not as saved (it
// is then as it was, or the journal finishes it at the next start). An edit
// that changes no byte writes nothing. With `laterFlushes` the flush of the
// folder after an exchange is left to the batch that gave it.
bool SaveFileEdit(const std::string& fileName, int fd, const FileEdit& edit, std::string& error,
                  FolderFlushes* laterFlushes = nullptr);
