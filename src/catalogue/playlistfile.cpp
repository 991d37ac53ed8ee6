#include "playlistfile.h"

#include "codepage.h"
#include "filedescriptor.h"
#include "fileutils.h"
#include "m3uplaylist.h"
#include "temporaryfile.h"

#include <algorithm>
#include <cerrno>
#include <fstream>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

bool EndsWithNoCase(const std::string& text, std::string_view suffix)
{
    if (text.size() < suffix.size())
        return false;
    for (std::size_t i = 0; i < suffix.size(); ++i) {
        char c = text[text.size() - suffix.size() + i];
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
        if (c != suffix[i])
            return false;
    }
    return true;
}

// An entry written on Windows names "Album\\Song.mp3" for "Album/Song.mp3".
// A path that names a file as it is stays (a backslash is a letter of a
// name here), and so do the bytes of the playlist's own folder.
std::string WithSlashesForBackslashes(std::string path, const std::string& folder)
{
    struct stat st {};
    if (path.find('\\') == std::string::npos || lstat(path.c_str(), &st) == 0)
        return path;
    const std::size_t from = path.compare(0, folder.size(), folder) == 0 ? folder.size() : 0;
    std::replace(path.begin() + static_cast<std::ptrdiff_t>(from), path.end(), '\\', '/');
    return path;
}

bool IsControl(char c)
{
    return static_cast<unsigned char>(c) < 0x20 && c != '\t';
}

// A caption on one line: control characters become spaces.
std::string OneLine(std::string text)
{
    for (char& c : text) {
        if (IsControl(c))
            c = ' ';
    }
    return text;
}

// A path whose name holds a line break or another control character would
// break the line: it goes as an absolute file: URL with those bytes (and
// "%") escaped, which readers turn back into the bytes.
std::string PathLine(const std::string& absolute, const std::string& folder, bool relative)
{
    bool control = false;
    for (const char c : absolute)
        control = control || IsControl(c);
    return control ? M3uPlaylist::EntryLine(absolute) : PlaylistFile::PathFor(absolute, folder, relative);
}

} // namespace

PlaylistFile::Format PlaylistFile::FormatOf(const std::string& file)
{
    if (EndsWithNoCase(file, ".m3u"))
        return Format::M3u;
    if (EndsWithNoCase(file, ".pls"))
        return Format::Pls;
    return Format::M3u8;
}

bool PlaylistFile::IsPlaylistName(const std::string& file)
{
    return EndsWithNoCase(file, ".m3u") || EndsWithNoCase(file, ".m3u8") || EndsWithNoCase(file, ".pls");
}

std::string PlaylistFile::PathFor(const std::string& path, const std::string& folder, bool relative)
{
    if (!relative || path.empty() || path[0] != '/' || folder.empty() || folder[0] != '/')
        return path;
    // The folders both paths share, up to the last "/" they have in common.
    std::size_t common = 0;
    for (std::size_t i = 0; i < path.size() && i < folder.size() && path[i] == folder[i]; ++i) {
        if (path[i] == '/')
            common = i + 1;
    }
    // Paths in different top folders (another disk's mount point, say) stay
    // absolute: the playlist can then move within its tree.
    if (common <= 1)
        return path;
    std::string result;
    for (std::size_t i = common; i < folder.size(); ++i) {
        if (folder[i] == '/')
            result += "../";
    }
    return result + path.substr(common);
}

std::string PlaylistFile::Text(Format format, const std::string& folder, const std::vector<Entry>& entries,
                               bool relative, const CodePage& codePage)
{
    std::string text;
    if (format == Format::Pls) {
        text = "[playlist]\n";
        for (std::size_t i = 0; i < entries.size(); ++i) {
            const std::string n = std::to_string(i + 1);
            text += "File" + n + "=" + PathLine(entries[i].path, folder, relative) + "\n";
            text += "Title" + n + "=" + OneLine(entries[i].caption) + "\n";
            text += "Length" + n + "=" + std::to_string(entries[i].seconds) + "\n";
        }
        text += "NumberOfEntries=" + std::to_string(entries.size()) + "\nVersion=2\n";
        return text;
    }
    text = "#EXTM3U\n";
    for (const Entry& entry : entries) {
        const std::string caption = OneLine(entry.caption);
        text += "#EXTINF:" + std::to_string(entry.seconds) + ","
                + (format == Format::M3u ? codePage.FromUtf8(caption) : caption) + "\n";
        text += PathLine(entry.path, folder, relative) + "\n";
    }
    return text;
}

bool PlaylistFile::Write(const std::string& file, const std::vector<Entry>& entries, bool relative,
                         const CodePage& codePage, int& error)
{
    // Relative paths start from the folder the name was given in, where
    // players look for the entries.
    const std::string text = Text(FormatOf(file), FolderPart(file), entries, relative, codePage);
    return ReplaceFileContent(
        file, 0644, [&text](int fd) { return WriteAll(fd, text.data(), text.size()); }, error);
}

std::vector<std::string> PlaylistFile::ReadPaths(const std::string& file, int& error)
{
    error = 0;
    if (FormatOf(file) != Format::Pls) {
        M3uPlaylist::ReadReport report;
        M3uPlaylist read = M3uPlaylist::Read(file, report);
        error = report.error;
        const std::string folder = FolderPart(file);
        for (std::string& path : read.paths)
            path = WithSlashesForBackslashes(std::move(path), folder);
        return std::move(read.paths);
    }
    errno = 0;
    std::ifstream in(file, std::ios::binary);
    if (!in) {
        error = errno != 0 ? errno : EIO;
        return {};
    }
    // "FileN=" lines (the key in any letter case), in the file's order.
    const std::string folder = FolderPart(file);
    std::vector<std::string> paths;
    std::string line;
    while (std::getline(in, line)) {
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        if (!EndsWithNoCase(line.substr(0, 4), "file"))
            continue;
        std::size_t i = 4;
        while (i < line.size() && line[i] >= '0' && line[i] <= '9')
            ++i;
        if (i == 4 || i >= line.size() || line[i] != '=')
            continue;
        std::string path = M3uPlaylist::EntryPath(line.substr(i + 1), folder);
        if (!path.empty())
            paths.push_back(WithSlashesForBackslashes(std::move(path), folder));
    }
    if (in.bad())
        error = EIO;
    return paths;
}
