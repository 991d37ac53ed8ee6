#pragma once
// The playlist kept between runs: an M3U8 file (UTF-8 lists of paths, one a
// line; lines starting with '#' are comments, so other players read it too).
// Paths are written as their bytes. The column width rides along in a
// comment line of our own.

#include <string>
#include <vector>

class M3uPlaylist final {
public:
    std::vector<std::string> paths;
    int columnWidth = -1; // -1: none stored

    // Writes the file anew beside the old one and renames it over it, so a
    // failed save keeps the previous playlist. False with errno's code set
    // in `error` when it could not be written.
    bool Write(const std::string& file, int& error) const;

    // What a file holds. A missing file is an empty playlist. Lines that
    // cannot stand for a local file (a web address, control characters,
    // anything past the size limit) are left out and counted in `unreadable`;
    // a relative path is taken from the playlist's folder and a file: URL as
    // its path.
    static M3uPlaylist Read(const std::string& file, int& unreadable);
};
