#include "m3uplaylist.h"

#include "filedescriptor.h"
#include "fileutils.h"
#include "temporaryfile.h"

#include <cerrno>
#include <charconv>
#include <climits>
#include <cstring>
#include <unordered_map>

#include <fcntl.h>
#include <unistd.h>

namespace {

constexpr const char* kHeader = "#EXTM3U";
constexpr const char* kColumnTag = "#TUNEVAULT-COLUMN:";
// The file is read and written in pieces of this size.
constexpr std::size_t kChunkBytes = 1024 * 1024;

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

// Collects the lines of a file while it is read and sorts them into the
// playlist: used entries, the column width, kept lines.
class LineReader final {
public:
    LineReader(const std::string& file, M3uPlaylist& playlist, M3uPlaylist::ReadReport& report)
        : m_folder(FolderPart(file)), m_playlist(playlist), m_report(report)
    {
    }

    // Takes the next piece of the file.
    void Feed(const char* data, std::size_t size)
    {
        const char* const end = data + size;
        while (data < end) {
            const char* lineEnd = static_cast<const char*>(std::memchr(data, '\n', static_cast<std::size_t>(end - data)));
            const char* const pieceEnd = lineEnd ? lineEnd : end;
            const auto piece = static_cast<std::size_t>(pieceEnd - data);
            if (!m_overlong && m_line.size() + piece > M3uPlaylist::kMaxLineBytes) {
                // From here on the line is only looked for its end.
                m_overlong = true;
                m_overlongComment = (m_line.empty() ? *data : m_line[0]) == '#';
                m_line.clear();
            }
            if (!m_overlong)
                m_line.append(data, piece);
            if (!lineEnd)
                return;
            EndLine();
            data = lineEnd + 1;
        }
    }

    // Whether the line being read is too long already: NUL bytes of a hole
    // in a sparse file can then be passed over unread.
    bool overlong() const { return m_overlong; }

    // The end of the file.
    void Finish()
    {
        if (m_overlong || !m_line.empty())
            EndLine();
        if (!m_pending.lines.empty())
            m_playlist.kept.push_back(std::move(m_pending));
    }

private:
    void EndLine()
    {
        if (m_overlong) {
            ++m_report.dropped;
            if (!m_overlongComment)
                ++m_report.leftOut;
            m_overlong = false;
        } else {
            Use(m_line);
        }
        m_line.clear();
    }

    void Use(std::string& line)
    {
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        if (StartsWith(line, "\xEF\xBB\xBF"))
            line.erase(0, 3); // a byte-order mark some editors write
        if (StartsWith(line, kColumnTag)) {
            const char* first = line.data() + std::char_traits<char>::length(kColumnTag);
            int width = -1;
            if (std::from_chars(first, line.data() + line.size(), width).ec == std::errc() && width >= 0)
                m_playlist.columnWidth = width;
            return;
        }
        if (line.empty() || line == kHeader)
            return; // written anew by every save
        if (line[0] == '#') {
            Keep(line);
            return;
        }
        std::string path = M3uPlaylist::EntryPath(line, m_folder);
        if (path.empty()) {
            ++m_report.leftOut;
            Keep(line);
            return;
        }
        if (!m_pending.lines.empty()) {
            m_pending.before = path;
            m_playlist.kept.push_back(std::move(m_pending));
            m_pending = {};
        }
        m_playlist.paths.push_back(std::move(path));
    }

    void Keep(const std::string& line)
    {
        const std::size_t cost = line.size() + sizeof(std::string);
        if (m_keptBytes + cost > M3uPlaylist::kMaxKeptBytes) {
            ++m_report.dropped;
            return;
        }
        m_keptBytes += cost;
        m_pending.lines.push_back(line);
    }

    const std::string m_folder;
    M3uPlaylist& m_playlist;
    M3uPlaylist::ReadReport& m_report;
    std::string m_line;
    bool m_overlong = false;
    bool m_overlongComment = false;
    M3uPlaylist::KeptLines m_pending;
    std::size_t m_keptBytes = 0;
};

// Writes text to a file descriptor through a buffer of a few megabytes.
class BufferedWriter final {
public:
    explicit BufferedWriter(int fd) : m_fd(fd) { m_buffer.reserve(kChunkBytes + M3uPlaylist::kMaxLineBytes); }

    void Line(const std::string& text)
    {
        m_buffer += text;
        m_buffer += '\n';
        if (m_buffer.size() >= kChunkBytes)
            Flush();
    }

    // False with errno set when a write failed (then or before).
    bool Flush()
    {
        if (m_ok && !m_buffer.empty())
            m_ok = WriteAll(m_fd, m_buffer.data(), m_buffer.size());
        m_buffer.clear();
        return m_ok;
    }

private:
    int m_fd;
    std::string m_buffer;
    bool m_ok = true;
};

} // namespace

std::string M3uPlaylist::EntryLine(const std::string& path)
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

std::string M3uPlaylist::EntryPath(const std::string& line, const std::string& folder)
{
    std::string path = line;
    if (StartsWith(line, "file://"))
        path = FileUrlPath(line);
    else if (line.find("://") != std::string::npos || HasControlCharacters(line))
        path.clear();
    else if (!line.empty() && line[0] != '/')
        path = folder + line;
    if (path.empty() || path[0] != '/' || path.find('\0') != std::string::npos)
        return {};
    return path;
}

bool M3uPlaylist::Write(const std::string& file, int& error) const
{
    return ReplaceFileContent(file, 0600, [this](int fd) {
        // The kept blocks by the entry they stood before; written there once.
        std::unordered_map<std::string, std::vector<std::size_t>> blocksBefore;
        for (std::size_t i = 0; i < kept.size(); ++i) {
            if (!kept[i].before.empty())
                blocksBefore[kept[i].before].push_back(i);
        }
        std::vector<bool> written(kept.size(), false);
        BufferedWriter out(fd);
        out.Line(kHeader);
        if (columnWidth >= 0)
            out.Line(kColumnTag + std::to_string(columnWidth));
        for (const std::string& path : paths) {
            if (const auto found = blocksBefore.find(path); found != blocksBefore.end()) {
                for (const std::size_t i : found->second) {
                    for (const std::string& line : kept[i].lines)
                        out.Line(line);
                    written[i] = true;
                }
                blocksBefore.erase(found);
            }
            out.Line(EntryLine(path));
        }
        for (std::size_t i = 0; i < kept.size(); ++i) {
            if (!written[i]) {
                for (const std::string& line : kept[i].lines)
                    out.Line(line);
            }
        }
        return out.Flush();
    }, error);
}

M3uPlaylist M3uPlaylist::Read(const std::string& file, ReadReport& report)
{
    report = {};
    M3uPlaylist playlist;
    // A FIFO put at the playlist's place must not hang the start.
    const FileDescriptor fd = OpenRegularFile(file, O_RDONLY);
    if (!fd.valid()) {
        if (errno != ENOENT)
            report.error = errno;
        return playlist;
    }
    LineReader lines(file, playlist, report);
    std::vector<char> buffer(kChunkBytes);
    for (;;) {
        const ssize_t n = read(fd.get(), buffer.data(), buffer.size());
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0) {
            const int error = errno;
            report = {};
            report.error = error;
            return {};
        }
        if (n == 0)
            break;
        lines.Feed(buffer.data(), static_cast<std::size_t>(n));
        if (lines.overlong()) {
            // A hole holds no line break: an overlong line goes on past it.
            const off_t here = lseek(fd.get(), 0, SEEK_CUR);
            if (here >= 0 && lseek(fd.get(), here, SEEK_HOLE) == here) {
                const off_t data = lseek(fd.get(), here, SEEK_DATA);
                if (data < 0 && errno == ENXIO)
                    break; // nothing but the hole up to the end
                if (data < 0)
                    lseek(fd.get(), here, SEEK_SET);
            } else if (here >= 0) {
                lseek(fd.get(), here, SEEK_SET);
            }
        }
    }
    lines.Finish();
    return playlist;
}
