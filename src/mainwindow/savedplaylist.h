#pragma once
// The playlist kept between runs as the main window keeps it: read at the
// start, with a warning for what could not be read, and written at the
// close with the lines of the file that the window does not use (comments,
// web addresses), which stay where they were. A saved playlist that exists
// but could not be read is never written over: the user's file stays.

#include "m3uplaylist.h"

#include <string>
#include <vector>

class Prompts;

class SavedPlaylist final {
public:
    void SetFile(std::string file) { m_file = std::move(file); }
    const std::string& file() const { return m_file; }

    // Reads the file and says through `prompts` what was wrong with it: that
    // it could not be read (then the playlist is empty and not saved at the
    // close), how many entries were left out, which lines a save will drop.
    // The paths and the column width for the window.
    M3uPlaylist Load(Prompts& prompts);
    // False when the file must not be written (it could not be read).
    bool mayWrite() const { return !m_file.empty() && !m_unreadable; }
    // Writes `paths` and the width with the kept lines; false with the
    // system's reason.
    bool Write(std::vector<std::string> paths, int columnWidth, std::string& reason) const;

    // The warning for a read that gave `report` (empty when all was well).
    static std::string WarningText(const std::string& file, const M3uPlaylist::ReadReport& report);

private:
    std::string m_file;
    bool m_unreadable = false;
    std::vector<M3uPlaylist::KeptLines> m_kept;
};
