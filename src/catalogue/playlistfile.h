#pragma once
// A playlist saved for other players: M3U8 (UTF-8), M3U (the captions in the
// ID3v1 code page) or PLS, chosen by the file name's extension. Paths are
// written as their bytes, relative to the playlist's folder or absolute.

#include <string>
#include <vector>

class CodePage;

class PlaylistFile final {
public:
    enum class Format { M3u8, M3u, Pls };

    struct Entry {
        std::string path;    // absolute, as file-system bytes
        std::string caption; // UTF-8
        int seconds = -1;    // -1 when the length is unknown
    };

    // The format of a file name: ".m3u" and ".pls" (letter case ignored)
    // give theirs, everything else M3U8.
    static Format FormatOf(const std::string& file);
    // A name ending in ".m3u8", ".m3u" or ".pls" (letter case ignored).
    static bool IsPlaylistName(const std::string& file);

    // The path as written in a playlist in `folder` (with a trailing "/"):
    // relative to it ("../" where needed) or as it is. A path that shares
    // no folder but "/" with the playlist's stays absolute.
    static std::string PathFor(const std::string& path, const std::string& folder, bool relative);

    // The file's text. `codePage` encodes the captions of an M3U file.
    static std::string Text(Format format, const std::string& folder, const std::vector<Entry>& entries,
                            bool relative, const CodePage& codePage);

    // Writes the file anew beside an old one and renames it over it, so a
    // failed save keeps what was there; a symbolic link at `file` stays.
    // False with errno's code in `error` when it could not be written.
    static bool Write(const std::string& file, const std::vector<Entry>& entries, bool relative,
                      const CodePage& codePage, int& error);

    // The local files a playlist lists, in its order: relative paths from
    // the playlist's folder, file: URLs as their paths; web addresses are
    // left out. An entry with backslashes that names no file is read with
    // them as folder separators, as a playlist written on Windows has them. Empty with errno's code in `error` when it cannot be read.
    static std::vector<std::string> ReadPaths(const std::string& file, int& error);
};
