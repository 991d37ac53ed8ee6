#pragma once
// The playlist kept between runs: an M3U8 file (UTF-8 lists of paths, one a
// line; lines starting with '#' are comments, so other players read it too).
// Paths are written as their bytes. The column width rides along in a
// comment line of our own. The lines the program does not use (comments such
// as #EXTINF, web addresses, damaged entries) are kept and written back.

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

class M3uPlaylist final {
public:
    // A line is read up to this many bytes. A path has at most PATH_MAX - 1
    // (4095) bytes; as a file: URL with every byte escaped ("%XX") it takes
    // 7 + 9 ("localhost") + 3 * 4095 = 12301 bytes, with a "\r" and a
    // byte-order mark 12305. A longer line can name no file: it is skipped
    // without being held, counted, and cannot be written back.
    static constexpr std::size_t kMaxLineBytes = 16 * 1024;
    // The unused lines kept to be written back take at most this much memory
    // (their bytes plus a string's size each); lines past it are dropped as
    // an overlong line is.
    static constexpr std::size_t kMaxKeptBytes = 32 * 1024 * 1024;

    // Unused lines, in the file's order: the lines that stood right before
    // the used entry `before` (its path as read), or after the last used
    // entry (`before` empty). Write puts each block right before the first
    // path equal to its `before`, and the blocks whose entry is no longer
    // listed (or that came last) at the end, in their order.
    struct KeptLines {
        std::string before;
        std::vector<std::string> lines;
    };

    struct ReadReport {
        // errno's code when the file exists but could not be read (no
        // permission, an I/O error, not a regular file); the playlist is
        // empty then. 0 when it was read or is missing.
        int error = 0;
        // Entries (not comments) that stand for no local file, left out of
        // `paths`; kept in `kept` unless they are also `dropped`.
        std::uint64_t leftOut = 0;
        // Lines neither used nor kept (longer than kMaxLineBytes, or past
        // kMaxKeptBytes): a save loses them.
        std::uint64_t dropped = 0;
    };

    std::vector<std::string> paths;
    int columnWidth = -1; // -1: none stored
    std::vector<KeptLines> kept;

    // Writes the file anew beside the old one and renames it over it, so a
    // failed save keeps the previous playlist. A symbolic link at `file`
    // stays: the file it leads to is the one replaced. False with errno's
    // code set in `error` when it could not be written.
    bool Write(const std::string& file, int& error) const;

    // What a file holds, read as a stream (a line at a time, each bounded by
    // kMaxLineBytes; no bound on the number of entries). A missing file is an
    // empty playlist. Lines that cannot stand for a local file (a web
    // address, control characters) are left out, counted and kept; a
    // relative path is taken from the playlist's folder and a file: URL as
    // its path.
    static M3uPlaylist Read(const std::string& file, ReadReport& report);

    // The local file an entry line names: an absolute path, a relative one
    // taken from `folder` (with a trailing "/"), or a file: URL's path.
    // Empty for a web address, control characters or an empty line.
    static std::string EntryPath(const std::string& line, const std::string& folder);
    // The line of an entry for `path`: the path itself, or a file: URL (the
    // control characters and "%" escaped) where a line break or another
    // control character in the name would break the line.
    static std::string EntryLine(const std::string& path);
};
