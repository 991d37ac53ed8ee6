#pragma once
// The file list every tag benchmark works on: the .mp3 files below a folder.

#include <string>
#include <vector>

// Every regular file below `dir`, at any depth, whose name ends in ".mp3"
// in any letter case, as paths made of `dir` and the names found (bytes,
// never converted), sorted. Symbolic links to folders are not followed, so
// each file is listed once. Unreadable folders are skipped with a note on
// stderr.
std::vector<std::string> FindMp3Files(const std::string& dir);
