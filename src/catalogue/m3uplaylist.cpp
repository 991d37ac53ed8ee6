#include "m3uplaylist.h"

#include "filedescriptor.h"
#include "fileutils.h"
#include "temporaryfile.h"

#include <cerrno>
#include <charconv>
#include <fstream>
#include <sstream>

#include <fcntl.h>
#include <unistd.h>

namespace {

constexpr const char* kHeader = "#EXTM3U";
constexpr const char* kColumnTag = "#TUNEVAULT-COLUMN:";
// A saved playlist is read up to this size; a bigger file is not ours.
constexpr std::streamsize kMaxBytes = 64 * 1024 * 1024;

bool StartsWith(const std::string& text, const char* prefix)
{
    return text.rfind(prefix, 0) == 0;
}

int HexValue(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

// The path of a "file://" URL with its %XX escapes turned back into bytes;
// empty when it names another host or is malformed.
std::string FileUrlPath(const std::string& url)
{
    std::string rest = url.substr(7);
    if (StartsWith(rest, "localhost/"))
        rest = rest.substr(9);
    if (rest.empty() || rest[0] != '/')
        return {};
    std::string path;
    path.reserve(rest.size());
    for (std::size_t i = 0; i < rest.size(); ++i) {
        if (rest[i] != '%') {
            path += rest[i];
            continue;
        }
        const int high = i + 2 < rest.size() ? HexValue(rest[i + 1]) : -1;
        const int low = high >= 0 ? HexValue(rest[i + 2]) : -1;
        if (low < 0)
            return {};
        path += static_cast<char>(high * 16 + low);
        i += 2;
    }
    return path;
}

bool IsControl(char c)
{
    return static_cast<unsigned char>(c) < 0x20 && c != '\t';
}

bool HasControlCharacters(const std::string& text)
{
    for (const char c : text) {
        if (IsControl(c))
            return true;
    }
    return false;
}

// A line for `path`: the path itself, or a file: URL where a line break or
// another control character in the name would break the line.
std::string LineFor(const std::string& path)
{
    if (!HasControlCharacters(path))
        return path;
    static constexpr char kHex[] = "0123456789ABCDEF";
    std::string url = "file://";
    for (const char c : path) {
        if (IsControl(c) || c == '%') {
            const auto byte = static_cast<unsigned char>(c);
            url += '%';
            url += kHex[byte >> 4];
            url += kHex[byte & 15];
        } else {
            url += c;
        }
    }
    return url;
}

} // namespace

bool M3uPlaylist::Write(const std::string& file, int& error) const
{
    std::string text = std::string(kHeader) + "\n";
    if (columnWidth >= 0)
        text += kColumnTag + std::to_string(columnWidth) + "\n";
    for (const std::string& path : paths)
        text += LineFor(path) + "\n";

    const std::string folder = FolderPart(file);
    const int dirFd = open(folder.empty() ? "." : folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dirFd < 0) {
        error = errno;
        return false;
    }
    bool ok = false;
    {
        TemporaryFile temporary(dirFd, file.substr(folder.size()), 0600);
        ok = temporary.valid() && WriteAll(temporary.fd(), text.data(), text.size()) && fsync(temporary.fd()) == 0 && temporary.link()
             && temporary.renameOver(file.substr(folder.size()));
        error = ok ? 0 : (errno != 0 ? errno : EIO);
    }
    close(dirFd);
    return ok;
}

M3uPlaylist M3uPlaylist::Read(const std::string& file, int& unreadable)
{
    unreadable = 0;
    M3uPlaylist playlist;
    // Without blocking, and only a regular file: a FIFO under the playlist's
    // name reads as no playlist.
    const FileDescriptor fd = OpenRegularFile(file, O_RDONLY);
    if (!fd.valid())
        return playlist;
    std::string content;
    {
        char buffer[1 << 16];
        ssize_t n = 0;
        while (static_cast<std::streamsize>(content.size()) <= kMaxBytes
               && ((n = ::read(fd.get(), buffer, sizeof buffer)) > 0 || (n < 0 && errno == EINTR))) {
            if (n > 0)
                content.append(buffer, static_cast<std::size_t>(n));
        }
    }
    std::istringstream in(std::move(content));
    const std::string folder = FolderPart(file);
    std::string line;
    std::streamsize read = 0;
    while (std::getline(in, line)) {
        read += static_cast<std::streamsize>(line.size()) + 1;
        if (read > kMaxBytes) {
            ++unreadable;
            break;
        }
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        if (StartsWith(line, "\xEF\xBB\xBF"))
            line.erase(0, 3); // a byte-order mark some editors write
        if (StartsWith(line, kColumnTag)) {
            const char* first = line.data() + std::char_traits<char>::length(kColumnTag);
            int width = -1;
            if (std::from_chars(first, line.data() + line.size(), width).ec == std::errc() && width >= 0)
                playlist.columnWidth = width;
            continue;
        }
        if (line.empty() || line[0] == '#')
            continue;
        std::string path = line;
        if (StartsWith(line, "file://"))
            path = FileUrlPath(line);
        else if (line.find("://") != std::string::npos || HasControlCharacters(line))
            path.clear();
        else if (line[0] != '/')
            path = folder + line;
        if (path.empty() || path[0] != '/' || path.find('\0') != std::string::npos) {
            ++unreadable;
            continue;
        }
        playlist.paths.push_back(std::move(path));
    }
    return playlist;
}
