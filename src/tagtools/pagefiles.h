#pragma once
// Files that the tag editor's pages read and write for the user (a cover
// picture, lyrics): only regular files, opened without blocking; a file
// made that cannot be written completely does not stay behind half written.

#include <cstddef>
#include <string>

// Writes `data` into a new file at `path`, or in place of the regular file
// there (the save dialog asked before). Empty when it worked, else why not.
std::string WriteUserFile(const std::string& path, const std::string& data);

// Reads the regular file at `path` into `data`, at most `limit` + 1 bytes
// (one more than allowed shows that it is too large). Empty when it could
// be read, else why not.
std::string ReadUserFile(const std::string& path, std::size_t limit, std::string& data);
