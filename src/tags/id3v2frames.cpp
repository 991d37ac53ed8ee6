#include "id3v2frames.h"

#include "filedescriptor.h"
#include "id3v2text.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <optional>
#include <string_view>

#include <sys/stat.h>
#include <unistd.h>

namespace id3v2 {
namespace {

// Tags up to this size are read in one go; larger ones (cover art) are read
// frame by frame, skipping what is not wanted.
constexpr std::int64_t kWholeReadLimit = 256 * 1024;

std::uint32_t be32(const unsigned char* p)
{
    return (std::uint32_t(p[0]) << 24) | (std::uint32_t(p[1]) << 16) | (std::uint32_t(p[2]) << 8) | p[3];
}

std::uint32_t syncsafe32(const unsigned char* p)
{
    return (std::uint32_t(p[0] & 0x7F) << 21) | (std::uint32_t(p[1] & 0x7F) << 14)
        | (std::uint32_t(p[2] & 0x7F) << 7) | (p[3] & 0x7F);
}

void putBe32(std::string& out, std::uint32_t v)
{
    out += static_cast<char>(v >> 24);
    out += static_cast<char>(v >> 16);
    out += static_cast<char>(v >> 8);
    out += static_cast<char>(v);
}


// Undoes unsynchronisation: every FF 00 pair becomes FF.
std::string undoUnsync(std::string_view data)
{
    std::string out;
    out.reserve(data.size());
    for (std::size_t i = 0; i < data.size(); ++i) {
        out += data[i];
        if (static_cast<unsigned char>(data[i]) == 0xFF && i + 1 < data.size() && data[i + 1] == '\0')
            ++i;
    }
    return out;
}

// The bytes of a tag after its header: held in memory, or read from the file
// on demand. Positions are relative to the end of the tag header.
class TagBody final {
public:
    TagBody(int fd, std::int64_t length, bool inMemory) : m_fd(fd), m_size(length), m_inMemory(inMemory)
    {
        if (m_inMemory) {
            m_data.resize(static_cast<std::size_t>(length));
            m_ok = ReadAt(fd, m_data.data(), m_data.size(), kHeaderSize);
        }
    }
    bool ok() const { return m_ok; }
    std::int64_t size() const { return m_size; }

    void undoUnsynchronisation()
    {
        m_data = undoUnsync(m_data);
        m_size = static_cast<std::int64_t>(m_data.size());
    }

    // Reads `len` bytes at `pos`; false when they are not all inside the body.
    bool read(std::int64_t pos, std::size_t len, std::string& out) const
    {
        if (pos < 0 || pos + static_cast<std::int64_t>(len) > m_size)
            return false;
        if (m_inMemory) {
            out.assign(m_data, static_cast<std::size_t>(pos), len);
            return true;
        }
        out.resize(len);
        return ReadAt(m_fd, out.data(), len, static_cast<std::int64_t>(kHeaderSize) + pos);
    }

private:
    int m_fd;
    std::int64_t m_size;
    bool m_inMemory;
    bool m_ok = true;
    std::string m_data;
};

bool isIdChar(char c) { return (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9'); }

bool isFrameId(std::string_view id)
{
    return !id.empty() && id[0] >= 'A' && id[0] <= 'Z' && std::all_of(id.begin(), id.end(), isIdChar);
}

// Frame ids that exist in ID3v2.3; a v2.4 frame is carried over only then.
bool isV23FrameId(std::string_view id)
{
    static constexpr std::string_view kIds[] = {
        "AENC", "APIC", "COMM", "COMR", "ENCR", "EQUA", "ETCO", "GEOB", "GRID", "IPLS", "LINK",
        "MCDI", "MLLT", "OWNE", "PRIV", "PCNT", "POPM", "POSS", "RBUF", "RVAD", "RVRB", "SYLT",
        "SYTC", "TALB", "TBPM", "TCOM", "TCON", "TCOP", "TDAT", "TDLY", "TENC", "TEXT", "TFLT",
        "TIME", "TIT1", "TIT2", "TIT3", "TKEY", "TLAN", "TLEN", "TMED", "TOAL", "TOFN", "TOLY",
        "TOPE", "TORY", "TOWN", "TPE1", "TPE2", "TPE3", "TPE4", "TPOS", "TPUB", "TRCK", "TRDA",
        "TRSN", "TRSO", "TSIZ", "TSRC", "TSSE", "TYER", "TXXX", "UFID", "USER", "USLT", "WCOM",
        "WCOP", "WOAF", "WOAR", "WOAS", "WORS", "WPAY", "WPUB", "WXXX"};
    return std::find(std::begin(kIds), std::end(kIds), id) != std::end(kIds);
}

enum class Slot { None, Title, Artist, Album, Track, Year, Genre, Comment };

Slot slotOf(std::string_view id, int major)
{
    if (major == 2) {
        if (id == "TT2") return Slot::Title;
        if (id == "TP1") return Slot::Artist;
        if (id == "TAL") return Slot::Album;
        if (id == "TRK") return Slot::Track;
        if (id == "TYE") return Slot::Year;
        if (id == "TCO") return Slot::Genre;
        if (id == "COM") return Slot::Comment;
        return Slot::None;
    }
    if (id == "TIT2") return Slot::Title;
    if (id == "TPE1") return Slot::Artist;
    if (id == "TALB") return Slot::Album;
    if (id == "TRCK") return Slot::Track;
    if (id == "TYER" || (major == 4 && id == "TDRC")) return Slot::Year;
    if (id == "TCON") return Slot::Genre;
    if (id == "COMM") return Slot::Comment;
    return Slot::None;
}

// Re-encodes the texts of a v2.4 frame that ID3v2.3 cannot hold (UTF-16BE
// without mark, UTF-8) as UTF-16 with a byte-order mark.
std::string convertV24Texts(std::string_view id, std::string content)
{
    if (content.empty())
        return content;
    const auto encoding = static_cast<unsigned char>(content[0]);
    if (encoding != Utf16BE && encoding != Utf8)
        return content;
    std::string_view rest(content);
    rest.remove_prefix(1);
    std::string out(1, static_cast<char>(Utf16));
    if (id[0] == 'T') {
        out += ReencodeStringsAsUtf16(rest, encoding);
    } else if (id == "COMM" || id == "USLT") {
        if (rest.size() < 3)
            return content;
        out += rest.substr(0, 3);
        rest.remove_prefix(3);
        out += ReencodeStringsAsUtf16(rest, encoding);
    } else if (id == "APIC") {
        const std::string_view mime = TakeString(rest, Latin1);
        if (rest.empty())
            return content;
        out += mime;
        out += '\0';
        out += rest[0];
        rest.remove_prefix(1);
        const std::string_view description = TakeString(rest, encoding);
        out += EncodeString(DecodeString(description, encoding), Utf16);
        out.append(2, '\0');
        out += rest;
    } else {
        return content;
    }
    return out;
}

// v2.2 PIC -> v2.3 APIC: the three-letter image format becomes a MIME type.
std::string convertPic(std::string_view content)
{
    if (content.size() < 5)
        return {};
    std::string format(content.substr(1, 3));
    std::string mime;
    if (format == "JPG" || format == "jpg")
        mime = "image/jpeg";
    else if (format == "PNG" || format == "png")
        mime = "image/png";
    else {
        std::transform(format.begin(), format.end(), format.begin(),
                       [](char c) { return (c >= 'A' && c <= 'Z') ? char(c + 32) : c; });
        mime = "image/" + format;
    }
    std::string out(1, content[0]);
    out += mime;
    out += '\0';
    out += content.substr(4);
    return out;
}

// Gathers the seven texts and the frames to carry while the frames are walked.
class FrameCollector final {
public:
    FrameCollector(TagContents& out, bool keepOthers, int major)
        : m_out(out), m_keepOthers(keepOthers), m_major(major) {}

    bool wants(std::string_view id) const
    {
        if (slotOf(id, m_major) != Slot::None)
            return true;
        if (!m_keepOthers)
            return false;
        if (m_major == 2)
            return id == "PIC";
        return m_major == 3 || isV23FrameId(id);
    }

    // `frame` is the whole frame in ID3v2.3 form, used when it is carried.
    void add(std::string_view id, std::string_view content, std::string frame)
    {
        const Slot slot = slotOf(id, m_major);
        if (slot == Slot::Comment) {
            addComment(content, std::move(frame));
            return;
        }
        if (slot == Slot::None) {
            if (m_keepOthers && !frame.empty())
                m_out.otherFrames.push_back(std::move(frame));
            return;
        }
        std::string text = DecodeFrameText(content);
        switch (slot) {
        case Slot::Title: m_out.title = std::move(text); break;
        case Slot::Artist: m_out.artist = std::move(text); break;
        case Slot::Album: m_out.album = std::move(text); break;
        case Slot::Track: m_out.track = std::move(text); break;
        case Slot::Genre: m_out.genre = std::move(text); break;
        case Slot::Year:
            // Trimmed again after the cut, as any text read from a frame:
            // "199\x01-05" gives "199", which is also what a reload of the
            // TYER frame written from it gives.
            if (id == "TDRC")
                text = Trim(firstCharacters(text, 4));
            m_out.year = std::move(text);
            break;
        default: break;
        }
    }

    // A frame the reader cannot decode but must not lose.
    void keepRaw(std::string frame)
    {
        if (m_keepOthers)
            m_out.otherFrames.push_back(std::move(frame));
    }

    // The comment is the first COMM frame with an empty short description,
    // or else the first COMM frame; every other COMM frame is carried.
    void finish()
    {
        if (m_comments.empty())
            return;
        auto chosen = std::find_if(m_comments.begin(), m_comments.end(),
                                   [](const Comment& c) { return c.emptyDescription; });
        if (chosen == m_comments.end())
            chosen = m_comments.begin();
        m_out.comment = chosen->text;
        if (chosen->frameIndex)
            m_out.otherFrames.erase(m_out.otherFrames.begin() + static_cast<std::ptrdiff_t>(*chosen->frameIndex));
    }

private:
    struct Comment {
        bool emptyDescription;
        std::string text;
        std::optional<std::size_t> frameIndex;
    };

    static std::string firstCharacters(const std::string& utf8, std::size_t count)
    {
        std::size_t pos = 0;
        for (std::size_t n = 0; n < count && pos < utf8.size(); ++n) {
            ++pos;
            while (pos < utf8.size() && (static_cast<unsigned char>(utf8[pos]) & 0xC0) == 0x80)
                ++pos;
        }
        return utf8.substr(0, pos);
    }

    void addComment(std::string_view content, std::string frame)
    {
        Comment comment {true, {}, std::nullopt};
        if (content.size() >= 4) {
            const auto encoding = static_cast<unsigned char>(content[0]);
            std::string_view rest = content.substr(4);
            comment.emptyDescription = Trim(DecodeString(TakeString(rest, encoding), encoding)).empty();
            comment.text = Trim(DecodeString(TakeString(rest, encoding), encoding));
        }
        if (m_keepOthers && m_major != 2 && !frame.empty()) {
            comment.frameIndex = m_out.otherFrames.size();
            m_out.otherFrames.push_back(std::move(frame));
        }
        m_comments.push_back(std::move(comment));
    }

    TagContents& m_out;
    bool m_keepOthers;
    int m_major;
    std::vector<Comment> m_comments;
};

// True when `pos` is where a frame, the padding or the end of the frames
// could begin; used to tell syncsafe from plain v2.4 frame sizes.
bool plausibleFrameStart(const TagBody& body, std::int64_t pos)
{
    if (pos == body.size())
        return true;
    std::string bytes;
    if (!body.read(pos, 1, bytes))
        return false;
    if (bytes[0] == '\0')
        return true;
    return body.read(pos, 4, bytes) && isFrameId(bytes);
}

std::uint32_t v24FrameSize(const TagBody& body, std::int64_t pos, const unsigned char* field)
{
    const std::uint32_t plain = be32(field);
    if ((field[0] | field[1] | field[2] | field[3]) & 0x80)
        return plain;  // not syncsafe at all: written by a tool that ignored the rule
    const std::uint32_t safe = syncsafe32(field);
    if (safe == plain || plausibleFrameStart(body, pos + 10 + safe))
        return safe;
    if (plausibleFrameStart(body, pos + 10 + plain))
        return plain;
    return safe;
}

// Walks the frames from `pos`: reads each frame header, stops at padding,
// damage or a frame that runs past the tag, and hands every frame the
// collector wants to `handle` with its header bytes and content.
template <typename Handle>
void walkFrames(const TagBody& body, std::int64_t pos, int major, const FrameCollector& collector, Handle handle)
{
    const std::size_t headerSize = major == 2 ? 6 : 10;
    const std::size_t idSize = major == 2 ? 3 : 4;
    std::string header;
    std::string content;
    while (body.read(pos, headerSize, header)) {
        const std::string_view id(header.data(), idSize);
        if (!isFrameId(id))
            break;
        const auto* h = reinterpret_cast<const unsigned char*>(header.data());
        std::uint32_t size = 0;
        if (major == 2)
            size = (std::uint32_t(h[3]) << 16) | (std::uint32_t(h[4]) << 8) | h[5];
        else if (major == 3)
            size = be32(h + 4);
        else
            size = v24FrameSize(body, pos, h + 4);
        const std::int64_t start = pos + static_cast<std::int64_t>(headerSize);
        if (size > body.size() - start)
            break;
        if (collector.wants(id)) {
            if (!body.read(start, size, content))
                break;
            handle(id, h, header, content);
        }
        pos = start + static_cast<std::int64_t>(size);
    }
}

void addV23Frame(FrameCollector& collector, std::string_view id, const unsigned char* h,
                 const std::string& header, const std::string& content)
{
    if (h[9] & 0xC0) {  // compressed or encrypted: kept as it is
        collector.keepRaw(header + content);
        return;
    }
    std::string_view text(content);
    if ((h[9] & 0x20) && !text.empty())
        text.remove_prefix(1);  // grouping identity
    collector.add(id, text, header + content);
}

void addV24Frame(FrameCollector& collector, std::string_view id, const unsigned char* h,
                 const std::string& content, bool tagUnsync)
{
    const unsigned char status = h[8];
    const unsigned char format = h[9];
    if (format & 0x0C)
        return;  // compressed or encrypted: dropped
    std::string group;
    std::string_view data(content);
    if (format & 0x40) {
        if (data.empty())
            return;
        group.assign(1, data[0]);
        data.remove_prefix(1);
    }
    if (format & 0x01) {
        if (data.size() < 4)
            return;
        data.remove_prefix(4);  // data length indicator
    }
    const std::string plain = (format & 0x02) || tagUnsync ? undoUnsync(data) : std::string(data);
    const std::string converted = group + convertV24Texts(id, plain);
    std::string frame(id);
    putBe32(frame, static_cast<std::uint32_t>(converted.size()));
    frame += static_cast<char>((status << 1) & 0xE0);
    frame += static_cast<char>(group.empty() ? 0 : 0x20);
    frame += converted;
    collector.add(id, plain, std::move(frame));
}

void addV22Frame(FrameCollector& collector, std::string_view id, const std::string& content)
{
    std::string frame;
    if (id == "PIC") {
        const std::string apic = convertPic(content);
        if (!apic.empty())
            frame = BuildFrame("APIC", apic);
    }
    collector.add(id, content, std::move(frame));
}

}  // namespace

bool ReadTagHeader(int fd, TagInfo& info)
{
    struct stat st {};
    if (::fstat(fd, &st) != 0)
        return false;
    if (!S_ISREG(st.st_mode)) {
        errno = S_ISDIR(st.st_mode) ? EISDIR : EINVAL;
        return false;
    }
    info.fileSize = st.st_size;
    return ReadAt(fd, reinterpret_cast<char*>(info.header.data()), kHeaderSize, 0);
}

std::int64_t TagSizeOf(const TagInfo& info)
{
    // The size field is taken as given: a byte with its top bit set is a
    // damaged header, which the comparison with the file size then catches.
    const auto* s = info.header.data() + 6;
    std::int64_t size = (std::int64_t(s[0]) << 21) + (std::int64_t(s[1]) << 14)
        + (std::int64_t(s[2]) << 7) + s[3] + static_cast<std::int64_t>(kHeaderSize);
    if (info.majorVersion() == 4 && (info.flags() & 0x10))
        size += static_cast<std::int64_t>(kHeaderSize);  // footer
    return size > info.fileSize ? 0 : size;
}

TagContents ReadFrames(int fd, const TagInfo& info, std::int64_t tagSize, bool keepOtherFrames)
{
    TagContents out;
    const int major = info.majorVersion();
    if (tagSize <= 0 || major < 2 || major > 4)
        return out;
    const unsigned char flags = info.flags();
    if (major == 2 && (flags & 0x40))
        return out;  // a compressed v2.2 tag: no scheme was ever defined for it
    const bool footer = major == 4 && (flags & 0x10);
    const std::int64_t bodySize = tagSize - static_cast<std::int64_t>(kHeaderSize) * (footer ? 2 : 1);
    const bool wholeTagUnsync = (flags & 0x80) != 0;
    const bool inMemory = keepOtherFrames || bodySize <= kWholeReadLimit || (wholeTagUnsync && major < 4);
    TagBody body(fd, bodySize, inMemory);
    if (!body.ok())
        return out;
    if (wholeTagUnsync && major < 4)
        body.undoUnsynchronisation();

    std::int64_t pos = 0;
    if (major >= 3 && (flags & 0x40)) {  // extended header
        std::string field;
        if (!body.read(0, 4, field))
            return out;
        const auto* p = reinterpret_cast<const unsigned char*>(field.data());
        pos = major == 3 ? 4 + static_cast<std::int64_t>(be32(p)) : static_cast<std::int64_t>(syncsafe32(p));
        if (pos > body.size() || (major == 4 && pos < 6))
            return out;
    }

    FrameCollector collector(out, keepOtherFrames, major);
    walkFrames(body, pos, major, collector,
               [&](std::string_view id, const unsigned char* h, const std::string& header, const std::string& content) {
                   if (major == 2)
                       addV22Frame(collector, id, content);
                   else if (major == 3)
                       addV23Frame(collector, id, h, header, content);
                   else
                       addV24Frame(collector, id, h, content, wholeTagUnsync);
               });
    collector.finish();
    return out;
}

std::string BuildFrame(const char* id, const std::string& content)
{
    std::string frame(id, 4);
    putBe32(frame, static_cast<std::uint32_t>(content.size()));
    frame.append(2, '\0');
    frame += content;
    return frame;
}

std::string BuildTagHeader(std::uint32_t framesSize)
{
    std::string header = "ID3";
    header += '\x03';
    header += '\0';
    header += '\0';
    header += static_cast<char>((framesSize >> 21) & 0x7F);
    header += static_cast<char>((framesSize >> 14) & 0x7F);
    header += static_cast<char>((framesSize >> 7) & 0x7F);
    header += static_cast<char>(framesSize & 0x7F);
    return header;
}

}  // namespace id3v2
