#pragma once
// Finishing one change that a process left pending in the save journal.
//  - In place and written back: when the file (the same inode) still holds
//    the old bytes, the new ones, or a mix of both in each changed byte (a
//    write cut short), the recorded new bytes are written, the file is cut
//    to its new size and flushed. A file that holds anything else changed
//    in another way since, and is left alone.
//  - Exchanged: the new file beside the original is removed when the
//    exchange had not happened (the file stays as it was) and the old one
//    when it had (the file is as saved).

#include "changerecord.h"

#include <string>

enum class RecoveryOutcome {
    AlreadyDone, // the file is as saved, or as it was: nothing to do
    Completed,   // the new bytes were written
    RolledBack,  // the new file was removed, the file is as it was
    LeftAlone,   // the file changed otherwise since; `why` says how
};

RecoveryOutcome RecoverChange(const ChangeRecord& record, std::string& why);
