#pragma once
// Copying and moving one file without ever losing data. A copy is written
// beside its target (as an unnamed file where the file system has them) and
// appears under the target's name in one step, only once it is complete: a
// copy that fails, is cancelled or is killed leaves no partial file under the
// target's name and an existing target untouched. A copy keeps the contents,
// the permission bits, the access and modification times and, for root, the
// owner. A move within one file system is a rename.
//
// Both return 0 on success and an errno value otherwise, among them:
//  EEXIST  the target exists and was not to be replaced (checked before
//          anything is copied, and again when the copy is put in place);
//  EINVAL  source and target are the same file (same device and inode, also
//          when spelled differently or reached through a link); nothing was
//          opened for writing;
//  EISDIR  the source is a folder;
//  kNotRegularFile (systemerror.h)
//          the source is a FIFO, socket or device (a move refuses it too,
//          though a rename would not open it). The source is opened without
//          blocking, so a FIFO never hangs a copy.

#include <functional>
#include <string>

// Copies `source` to `target`. With `replace` an existing target is replaced
// by one atomic rename after the new content was flushed to disk. `flush`
// flushes a new file and its folder entry as well (a move deletes its source
// next). `afterChunk` runs between the chunks of a large copy.
int CopyFileSafely(const std::string& source, const std::string& target, bool replace,
                   bool flush = false, const std::function<void()>& afterChunk = {});

// Moves `source` to `target` by a rename within one file system; without
// `replace` the rename fails with EEXIST when the target exists, also when it
// appears meanwhile. Across file systems the source is copied as by
// CopyFileSafely with flushing and stays where it is: `sourceLeft` tells the
// caller to delete it.
int MoveFileSafely(const std::string& source, const std::string& target, bool replace,
                   bool& sourceLeft, const std::function<void()>& afterChunk = {});
