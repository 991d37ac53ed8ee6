#pragma once
// Renaming without ever replacing what is there.

#include <string>

#include <fcntl.h>

// Moves `from` to `to` (names relative to the folder `dirFd`, or paths),
// failing with EEXIST when `to` exists, also when it appears meanwhile; where
// the file system cannot refuse on its own, a hard link does, and only media
// without either fall back to looking first. On failure errno holds the
// reason.
bool RenameNoReplace(const std::string& from, const std::string& to, int dirFd = AT_FDCWD);
