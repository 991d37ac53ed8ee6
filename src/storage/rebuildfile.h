#pragma once
// Rewrites a file with new content, crash-safely, so that it stays the same
// file. Two ways:
//  - Replacement: the content goes into an unnamed temporary file in the
//    file's folder, which gets the file's owner, group, extended attributes
//    and permission bits, is flushed to disk, named, and renamed over the
//    file in one atomic step; then the folder is flushed, so that the rename
//    survives a crash too. A save killed halfway leaves nothing behind.
//  - Rewriting in place, when a replacement cannot keep the file what it is
//    (it has other hard links, or belongs to another user who lets the
//    process write it, or its attributes cannot be given to a new file):
//    the content is first written completely into a file beside it and
//    flushed, then written into the file itself and flushed, and only then
//    is the copy beside removed. A crash at any point leaves either the old
//    file or a complete copy of the new one.
// A symbolic link is followed: its target is rewritten and the link stays.
// On request the rewritten file gets the modification time it had before.

#include "filewriter.h"

#include <functional>
#include <string>

class FolderFlushes;

// Writes the new content; false on failure, errno saying why.
using ContentWriter = std::function<bool(FileWriter&)>;

// `fd` is the original opened for reading and writing, `fileName` its name
// as the caller gave it. `writeContent` gets a writer whose ranges come from
// the original. On failure `error` says why, and the original is as it was
// (unless `error` names the copy that holds the new content). With
// `keepModificationTime` the rewritten file gets the time it had. With
// `laterFlushes` the folder's last flush is left to the batch that gave it:
// the file is complete and flushed before its rename all the same.
bool RebuildFile(const std::string& fileName, int fd, const ContentWriter& writeContent, std::string& error,
                 bool keepModificationTime = false, FolderFlushes* laterFlushes = nullptr);
