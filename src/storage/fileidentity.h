#pragma once
// What makes a rewritten file the same file for its user and for other
// programs: its owner and group, its extended attributes (POSIX ACLs and
// desktop metadata live there), its permission bits and its hard links.

#include <sys/stat.h>

// Whether a new file renamed over the original can be given all of it: the
// original has no other hard link, and its owner is the process's user or
// the process may give files away (root).
bool ReplacementCanKeepIdentity(const struct stat& original);

// Gives `to` the owner and group, the extended attributes and the permission
// bits of `from` (described by `original`), and takes from it the attributes
// `from` does not have (an ACL inherited from the folder). False when any of
// them cannot be given; errno says why.
bool CopyIdentity(int from, const struct stat& original, int to);

// Gives the open file `fd` the modification time recorded in `original`
// (its access time is left alone). False when the system refuses (the file
// belongs to another user); errno says why.
bool RestoreModificationTime(int fd, const struct stat& original);
