#pragma once
// Moving a file into subfolders of its own folder, which are created as
// needed. The file never leaves its folder: a folder on the way that exists
// as a symbolic link or as something other than a folder stops the move.

#include <string>
#include <vector>

// Moves the file `path` to `relativePath` (folder names and the new file
// name joined by "/") below the file's folder. Folders on the way are
// created as needed; each created folder's path is appended to `created`,
// the outermost first. A file of the new name is never replaced (EEXIST); a
// part that is empty, "." or ".." is refused (EINVAL); a folder on the way
// that is a symbolic link or not a folder is refused (ENOTDIR). On failure
// errno holds the reason and the folders this call created are removed.
bool MoveIntoSubfolder(const std::string& path, const std::string& relativePath, std::vector<std::string>* created);

// Removes the given folders, innermost (last) first, where they are empty;
// a folder that is not empty, or gone, stays as it is.
void RemoveEmptyFolders(const std::vector<std::string>& folders);
