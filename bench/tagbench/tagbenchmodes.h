#pragma once
// The modes of tagbench. Each takes the folder to work on, walks it with
// FindMp3Files (mp3walk.h), prints what it measured with the summary line of
// benchreport.h last, and returns the exit status (non-zero when any file
// failed). A new mode is a source file with its Run function, a declaration
// here and a row in the table of main.cpp.

#include <string>

// Loads the ID3v1 and the ID3v2 tag of every file: one untimed pass to warm
// the page cache, then the timed pass.
int RunReadBench(const std::string& dir);
// Sets the ID3v1 and the ID3v2 title of every file and saves both tags:
// many files at once on the worker pool, each folder flushed once at the
// end (the batch path of the commands), or one file after another, each
// save flushing its folder (`--serial`, as a single save does).
int RunWriteBench(const std::string& dir);
int RunSerialWriteBench(const std::string& dir);
// Creates a file record (TFileInfo) for every file, as the playlist does:
// one untimed pass, then the timed pass that keeps the records.
int RunRecordsBench(const std::string& dir);
// Opens every file and reads its first 10 and last 128 bytes, one file at a
// time: the floor under any serial tag reading. Warm: one untimed pass, then
// the timed pass. Cold (root only): the file list is made, the page cache
// dropped, and the one pass that follows is timed.
int RunFloorBench(const std::string& dir);
int RunColdFloorBench(const std::string& dir);
