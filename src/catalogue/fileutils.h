#pragma once
// File-system helpers under all file work: deletion of files, folders and
// whole trees, size texts, name checks and the text of operating-system
// errors. Paths are absolute POSIX paths held as bytes.

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

class BrowserEntry;
class DeleteProgress;
class MountTable;

// Removes characters of code 32 or less at both ends.
std::string TrimControls(std::string_view text);

// Everything up to and including the last "/" of the path; empty without one.
std::string FolderPart(const std::string& path);

// The file a save at `file` replaces: `file`, or where its chain of symbolic
// links ends (a relative link from the link's folder), also when nothing is
// there yet. Empty with errno set when the links go round in a loop.
std::string LinkTarget(std::string file);
// Gives the file at `file` (the file its links lead to, as LinkTarget) the
// content that `write` puts into an open file: made beside it, flushed, and
// renamed over it, so that a failure leaves the old file whole. A new file
// gets `mode`. False with errno's code in `error` (EIO when there is none).
bool ReplaceFileContent(const std::string& file, unsigned mode, const std::function<bool(int fd)>& write, int& error);

// The path with one "/" appended unless it already ends with one; the empty
// string stays empty.
std::string WithTrailingSeparator(std::string_view path);

// Deletes one file (a symbolic link itself, never its target). `errorCode`
// receives 0 on success, the errno value on failure; errno keeps it too.
bool DeleteFileLong(const std::string& path, int& errorCode);
// Removes one empty folder; on failure errno holds the reason.
bool RemoveDirLong(const std::string& path);

// "Error " + code + " : " + the system's text for the code.
std::string OsErrorMessage(int code);

// A byte count as display text: "1023 Bytes", "1.50 Kb", ... "1024.00 Pb".
// The decimal separator is the one of the current C locale (LC_NUMERIC).
std::string FormatByteSize(std::int64_t size);
std::string FormatByteSize(std::int64_t size, std::string_view decimalSeparator);

// The characters a file name may not contain, in the order they are listed to users.
inline constexpr std::string_view kRefusedFileNameChars = "/\\:*<>\"?|";
// True when the name contains none of the refused characters.
bool IsValidFileName(std::string_view name);

// Deletes a folder with everything in it, reporting to `progress`. A symbolic
// link (the path itself or an entry below it) is removed as a link; what it
// points to is never touched. The first failure is reported (with the path
// that failed) and stops the deletion at every level; whether it stopped is
// read from the progress.
// Another mounted file system is never entered or deleted: a mount point
// (of `mounts`, or a folder on another device) is left with its content and
// reported, the folders holding it stay, everything else goes. "/" is never
// deleted. Without `mounts`, the system's mount table.
void DeleteTree(const std::string& path, DeleteProgress& progress);
void DeleteTree(const std::string& path, DeleteProgress& progress, const MountTable& mounts);

// Deletes the selected browser rows of `folder` in order: folders as trees,
// other rows as files (caption + "." + extension when there is one). The ".."
// row is ignored. The first failure is reported, naming the file or folder
// (one that vanished or turned into a folder meanwhile), and ends the run.
void DeleteEntries(const std::string& folder, const std::vector<BrowserEntry>& entries,
                   DeleteProgress& progress);
void DeleteEntries(const std::string& folder, const std::vector<BrowserEntry>& entries,
                   DeleteProgress& progress, const MountTable& mounts);
