#include "id3v2reader.h"

#include "filedescriptor.h"
#include "id3v2convert.h"
#include "id3v2extrafields.h"
#include "tagbody.h"
#include "tagerror.h"

#include <algorithm>
#include <cerrno>
#include <optional>
#include <string_view>

#include <sys/stat.h>
#include <zlib.h>

namespace id3v2 {
namespace {

// Tags up to this size are read in one go to be rewritten; larger ones
// (cover art) frame by frame. Reading the fields skips what is not wanted.
constexpr std::int64_t kWholeReadLimit = 256 * 1024;
// Frames larger than this that need no change beyond their first bytes are
// held by those first bytes only; the rest is copied from the file.
constexpr std::size_t kInlineLimit = std::size_t(1) << 20;
constexpr std::size_t kHeadBytes = 64 * 1024;
// A field's frame is read this far: enough for kValueLimit bytes of content
// after unsynchronisation or decompression.
constexpr std::size_t kFieldReadLimit = 4 * kValueLimit + 64;
// User texts (TXXX) are read this far: many taggers write them, a few of
// them large, and reading the fields must stay quick and small.
constexpr std::size_t kUserTextReadLimit = 64 * 1024;
// What holding one more frame costs besides its bytes.
constexpr std::size_t kFrameOverhead = sizeof(Frame) + 32;

constexpr const char* kTooLarge = "The ID3v2 tag is too large to be rewritten";
constexpr const char* kNotFrames = "The ID3v2 tag holds bytes that are not frames; saving would lose them";

// The memory the frames of one read may still take.
class Budget final {
public:
    bool take(std::size_t bytes)
    {
        if (bytes > m_left)
            return false;
        m_left -= bytes;
        return true;
    }
    std::size_t left() const { return m_left; }

private:
    std::size_t m_left = kHeldLimit;
};

struct Walk {
    int major;
    bool allUnsynchronised;  // ID3v2.4 header flag: unsynchronisation in every frame
    ReadMode mode;
    int depth;  // chapter frames around the frames walked
    Budget& budget;
    std::string& failure;
};

bool isIdChar(char c) { return (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9'); }


bool isPictureId(int major, std::string_view id)
{
    return id == (major == 2 ? "PIC" : "APIC");
}

// Whether a large frame can be held by its first bytes, the rest of it
// copied from the file as it is.
bool carriedFromHead(const Walk& walk, std::string_view id)
{
    if (walk.mode == ReadMode::Native && walk.major == 4)
        return !IsFieldSource(4, id);  // nothing is converted; the fields are read whole
    return ConvertsFromHead(walk.major, id);
}

// Inflates zlib data into `out`, at most `limit` bytes. With `prefixOnly`
// the first `limit` bytes are enough (the stream goes on beyond them);
// otherwise, or when the stream gives fewer bytes, it must end within the
// limit, its checksum right.
bool inflateData(std::string_view in, std::size_t limit, bool prefixOnly, std::string& out)
{
    z_stream stream {};
    if (in.size() > 0xFFFFFFFFu || inflateInit(&stream) != Z_OK)
        return false;
    stream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(in.data()));
    stream.avail_in = static_cast<uInt>(in.size());
    out.clear();
    int status = Z_OK;
    while (status == Z_OK && out.size() < limit) {
        const std::size_t done = out.size();
        const std::size_t room = std::min<std::size_t>(limit - done, 256 * 1024);
        out.resize(done + room);
        stream.next_out = reinterpret_cast<Bytef*>(out.data() + done);
        stream.avail_out = static_cast<uInt>(room);
        status = inflate(&stream, Z_NO_FLUSH);
        out.resize(done + room - stream.avail_out);
    }
    if (status == Z_OK && !prefixOnly) {
        // The output is full; the stream may still end here (its end code
        // and checksum take no output room), or go on.
        unsigned char spare = 0;
        stream.next_out = &spare;
        stream.avail_out = 1;
        status = inflate(&stream, Z_NO_FLUSH);
        if (stream.avail_out == 0)
            status = Z_BUF_ERROR;
    }
    inflateEnd(&stream);
    return status == Z_STREAM_END || (prefixOnly && status == Z_OK && out.size() == limit);
}

// Decompresses a frame's content, which claims to be `declared` bytes long
// (0: unknown): as far as a value needs, or whole within the memory left.
// A field's value is read from the same frames that a save decompresses
// whole: a stream that is cut, damaged or longer than declared gives none.
bool inflateFor(const Walk& walk, std::string_view in, std::uint32_t declared, std::string& out)
{
    if (walk.mode == ReadMode::Fields) {
        if (declared != 0 && declared <= kValueLimit)
            return inflateData(in, declared, false, out);
        return inflateData(in, kValueLimit, true, out);
    }
    const std::size_t limit = declared == 0 ? walk.budget.left() : std::min<std::size_t>(declared, walk.budget.left());
    return inflateData(in, limit, false, out) && walk.budget.take(out.size());
}

// An ID3v2.3 frame with its header's flags and its bytes as they are.
Frame rawV23Frame(std::string id, const unsigned char* h, std::string data, FileSpan tail)
{
    Frame frame;
    frame.id = std::move(id);
    frame.status = h[8];
    frame.format = h[9];
    frame.data = std::move(data);
    frame.tail = tail;
    return frame;
}

// An ID3v2.3 frame: compressed content is decompressed; an encrypted frame,
// or a compressed one that does not decompress or claims to be larger than
// a tag may hold in memory, stays as it is.
Frame decodeV23(std::string id, const unsigned char* h, std::string data, FileSpan tail, const Walk& walk)
{
    Frame frame = rawV23Frame(std::move(id), h, std::move(data), tail);
    const bool grouped = frame.format & Frame::kGrouped;
    if (!(frame.format & Frame::kCompressed) || (frame.format & Frame::kEncrypted)
        || frame.data.size() < (grouped ? 5u : 4u))
        return frame;
    const std::uint32_t declared = Be32(reinterpret_cast<const unsigned char*>(frame.data.data()));
    std::string plain;
    if (declared > kHeldLimit || !inflateFor(walk, frame.content(), declared, plain))
        return frame;
    frame.data = (grouped ? frame.data.substr(4, 1) : std::string()) + plain;
    frame.format &= static_cast<unsigned char>(~Frame::kCompressed);
    return frame;
}

// An ID3v2.4 frame in ID3v2.3 form: status flags moved, the group symbol
// kept, unsynchronisation undone, the data length indicator dropped and
// compressed content decompressed (unless `decompress` is false). An
// encrypted frame, or a compressed one that does not decompress, keeps its
// data with ID3v2.3 extra bytes.
std::optional<Frame> decodeV24(std::string id, const unsigned char* h, const std::string& data, FileSpan tail,
                               const Walk& walk, bool decompress = true)
{
    const unsigned char format = h[9];
    const std::size_t extra = ((format & 0x40) ? 1 : 0) + ((format & 0x04) ? 1 : 0) + ((format & 0x01) ? 4 : 0);
    if (extra > data.size())
        return std::nullopt;
    std::size_t pos = 0;
    std::string group;
    std::string method;
    if (format & 0x40)
        group = data.substr(pos++, 1);
    if (format & 0x04)
        method = data.substr(pos++, 1);
    const bool hasLength = format & 0x01;
    std::uint32_t length = 0;
    if (hasLength) {
        length = Syncsafe32(reinterpret_cast<const unsigned char*>(data.data()) + pos);
        pos += 4;
    }
    std::string payload = data.substr(pos);
    if ((format & 0x02) || walk.allUnsynchronised)
        payload = UndoUnsynchronisation(payload);

    Frame frame;
    frame.id = std::move(id);
    frame.status = static_cast<unsigned char>((h[8] << 1) & 0xE0);
    frame.tail = tail;
    const bool compressed = format & 0x08;
    std::string plain;
    if (compressed && decompress && !(format & 0x04) && length <= kHeldLimit
        && inflateFor(walk, payload, length, plain)) {
        payload = std::move(plain);
    } else if (compressed || (format & 0x04)) {
        if (compressed && !hasLength)
            return std::nullopt;  // ID3v2.3 needs the decompressed size
        frame.format = static_cast<unsigned char>((compressed ? Frame::kCompressed : 0)
                                                  | (method.empty() ? 0 : Frame::kEncrypted));
        if (compressed)
            PutBe32(frame.data, length);
        frame.data += method;
    }
    if (!group.empty())
        frame.format |= Frame::kGrouped;
    frame.data += group + payload;
    return frame;
}

// An id that breaks the rule but that programs are known to write: an ASCII
// letter or digit, then letters, digits or blanks, the last byte possibly
// zero (an ID3v2.2 id padded to four bytes). Such a frame is kept as it is.
bool looksLikeFrameId(std::string_view id)
{
    const auto alnum = [](char c) { return isIdChar(c) || (c >= 'a' && c <= 'z'); };
    if (id.size() != 4 || !alnum(id[0]))
        return false;
    for (std::size_t i = 1; i < id.size(); ++i)
        if (!alnum(id[i]) && id[i] != ' ' && !(id[i] == '\0' && i + 1 == id.size()))
            return false;
    return true;
}

// True when `pos` is where a frame, the padding or the end of the frames
// could begin: the end of the body, zeros (the next ten bytes, or all that
// is left), or a frame header whose size, read either way, fits in the
// body. Used to tell syncsafe from plain ID3v2.4 frame sizes.
bool landsOnFrame(const TagBody& body, std::int64_t pos)
{
    if (pos == body.size())
        return true;
    if (pos > body.size())
        return false;
    const std::int64_t rest = body.size() - pos;
    std::string bytes;
    if (!body.read(pos, static_cast<std::size_t>(std::min<std::int64_t>(rest, 10)), bytes))
        return false;
    if (bytes[0] == '\0')
        return bytes.find_first_not_of('\0') == std::string::npos;
    if (bytes.size() < 10)
        return false;
    const std::string_view id(bytes.data(), 4);
    if (!IsFrameId(id) && !looksLikeFrameId(id))
        return false;
    const auto* field = reinterpret_cast<const unsigned char*>(bytes.data()) + 4;
    const bool syncsafe = !((field[0] | field[1] | field[2] | field[3]) & 0x80);
    // The syncsafe reading is the smaller one.
    return (syncsafe ? Syncsafe32(field) : Be32(field)) <= rest - 10;
}

// An ID3v2.4 frame size: syncsafe as the format says, or a plain integer as
// some programs wrote it. The plain reading wins only where the syncsafe
// one ends the frame somewhere no frame, padding or end follows and the
// plain one does not.
std::uint32_t v24FrameSize(const TagBody& body, std::int64_t pos, const unsigned char* field)
{
    const std::uint32_t plain = Be32(field);
    if ((field[0] | field[1] | field[2] | field[3]) & 0x80)
        return plain;  // not syncsafe at all: written by a tool that ignored the rule
    const std::uint32_t safe = Syncsafe32(field);
    if (safe == plain || landsOnFrame(body, pos + 10 + safe))
        return safe;
    if (landsOnFrame(body, pos + 10 + plain))
        return plain;
    return safe;
}

// Whether a frame's bytes must be transformed (unsynchronisation undone,
// content decompressed) before they can be written again.
bool transforms(const Walk& walk, const unsigned char* h)
{
    if (walk.major == 3)
        return (h[9] & Frame::kCompressed) && !(h[9] & Frame::kEncrypted);
    if (walk.major == 4)
        return walk.allUnsynchronised || (h[9] & 0x02) || ((h[9] & 0x08) && !(h[9] & 0x04));
    return false;
}

std::int64_t walkFrames(const TagBody& body, std::int64_t pos, const Walk& walk, std::vector<Frame>& out);

// Reads the frames embedded in a chapter frame.
std::vector<Frame> readEmbedded(const Walk& walk, std::string_view bytes, int depth, std::size_t& consumed)
{
    const TagBody body {std::string(bytes)};
    const Walk inner {walk.major, false, walk.mode, depth, walk.budget, walk.failure};
    std::vector<Frame> frames;
    consumed = static_cast<std::size_t>(walkFrames(body, 0, inner, frames));
    return frames;
}

// A frame whose id breaks the rule, in ID3v2.3 form and otherwise as it
// is: an ID3v2.3 frame keeps its flags and bytes untouched, an ID3v2.4
// frame is only laid out as ID3v2.3 frames are; neither is decompressed,
// so that the frame stays the same through saves in either version.
std::optional<Frame> keptAsItIs(std::string id, const unsigned char* h, std::string data, FileSpan tail,
                                const Walk& walk)
{
    if (walk.major == 4)
        return decodeV24(std::move(id), h, data, tail, walk, false);
    return rawV23Frame(std::move(id), h, std::move(data), tail);
}

// Walks the frames from `pos` and hands each wanted one, converted, to
// `out`; stops at padding, damage, a frame that runs past the body or the
// memory limit. Returns where it stopped. In the tag itself (not in a
// chapter frame, whose bytes after its frames stay as they are) the walk
// goes on over a frame whose id breaks the rule but whose size fits, and
// keeps what the tag holds of a last frame that runs past its end.
std::int64_t walkFrames(const TagBody& body, std::int64_t pos, const Walk& walk, std::vector<Frame>& out)
{
    const int major = walk.major;
    const bool tolerant = walk.depth == 0 && major > 2;
    const std::size_t headerSize = major == 2 ? 6 : 10;
    const std::size_t idSize = major == 2 ? 3 : 4;
    const EmbeddedReader embedded = [&walk](std::string_view bytes, int depth, std::size_t& consumed) {
        return readEmbedded(walk, bytes, depth, consumed);
    };
    std::string header;
    std::string data;
    while (body.read(pos, headerSize, header)) {
        const std::string_view id(header.data(), idSize);
        const bool valid = IsFrameId(id);
        if (!valid && !(tolerant && looksLikeFrameId(id)))
            break;
        const auto* h = reinterpret_cast<const unsigned char*>(header.data());
        std::uint32_t size = 0;
        if (major == 2)
            size = (std::uint32_t(h[3]) << 16) | (std::uint32_t(h[4]) << 8) | h[5];
        else if (major == 3)
            size = Be32(h + 4);
        else
            size = v24FrameSize(body, pos, h + 4);
        const std::int64_t frameStart = pos;
        const std::int64_t start = pos + static_cast<std::int64_t>(headerSize);
        if (size > body.size() - start) {
            if (!valid || !tolerant)
                break;
            size = static_cast<std::uint32_t>(body.size() - start);  // what the tag holds of it
        }
        pos = start + static_cast<std::int64_t>(size);
        const bool wanted = walk.mode == ReadMode::Fields
                                ? valid && (IsFieldSource(major, id) || IsExtraFieldSource(major, id))
            : walk.mode == ReadMode::Pictures             ? valid && isPictureId(major, id)
                                                          : true;
        if (!wanted)
            continue;

        std::size_t length = size;
        FileSpan tail;
        if (walk.mode == ReadMode::Fields) {
            const bool userText = id == (major == 2 ? "TXX" : "TXXX");
            length = std::min<std::size_t>(size, userText ? kUserTextReadLimit : kFieldReadLimit);
        } else if (walk.mode != ReadMode::Pictures && size > kInlineLimit
                   && (valid ? !transforms(walk, h) && carriedFromHead(walk, id) : major == 3 || !transforms(walk, h))) {
            if (const std::optional<std::int64_t> offset = body.fileOffset(start)) {
                length = kHeadBytes;
                tail = {*offset + static_cast<std::int64_t>(length), static_cast<std::int64_t>(size - length)};
            }
        }
        if (!walk.budget.take(length + kFrameOverhead)) {
            if (walk.mode != ReadMode::Fields)
                walk.failure = kTooLarge;
            break;
        }
        if (!body.read(start, length, data))
            break;
        std::string frameId(id);
        if (!valid) {
            std::optional<Frame> frame = keptAsItIs(std::move(frameId), h, std::move(data), tail, walk);
            if (!frame) {
                pos = frameStart;  // its flags do not fit its bytes: not a frame after all
                break;
            }
            out.push_back(std::move(*frame));
        } else if (major == 2) {
            Frame frame;
            frame.id = std::move(frameId);
            frame.data = std::move(data);
            frame.tail = tail;
            ConvertFrame(major, std::move(frame), walk.depth, out, embedded);
        } else if (major == 3) {
            ConvertFrame(major, decodeV23(std::move(frameId), h, std::move(data), tail, walk), walk.depth, out,
                         embedded);
        } else if (std::optional<Frame> frame = decodeV24(std::move(frameId), h, data, tail, walk)) {
            if (walk.mode != ReadMode::Native)
                ConvertFrame(major, std::move(*frame), walk.depth, out, embedded);
            else if (!IsPositionFrame(frame->id))
                out.push_back(std::move(*frame));
        }
        data.clear();
    }
    return pos;
}

// Where the frames begin: after the extended header the header's flag
// announces, unless what stands there cannot be one (a frame id, or a size
// that runs past the tag); then the flag is wrong and the frames begin at
// once.
std::int64_t framesStart(const TagBody& body, int major)
{
    std::string field;
    if (!body.read(0, 4, field) || IsFrameId(field))
        return 0;
    const auto* p = reinterpret_cast<const unsigned char*>(field.data());
    const std::int64_t end = major == 3 ? 4 + static_cast<std::int64_t>(Be32(p)) : static_cast<std::int64_t>(Syncsafe32(p));
    return end <= body.size() && (major == 3 || end >= 6) ? end : 0;
}

// Whether what follows the frames read is padding: nothing, or zeros (a
// reader stops at the first zero byte, so whatever follows it is lost to
// every reader alike).
bool paddingAt(const TagBody& body, std::int64_t pos)
{
    std::string byte;
    return pos >= body.size() || (body.read(pos, 1, byte) && byte[0] == '\0');
}

}  // namespace

bool IsFrameId(std::string_view id)
{
    return !id.empty() && id[0] >= 'A' && id[0] <= 'Z' && std::all_of(id.begin(), id.end(), isIdChar);
}

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

TagFrames ReadTag(int fd, const TagInfo& info, std::int64_t tagSize, ReadMode mode)
{
    TagFrames result;
    const int major = info.majorVersion();
    if (tagSize <= 0 || major < 2 || major > 4)
        return result;
    const unsigned char flags = info.flags();
    if (major == 2 && (flags & 0x40))
        return result;  // a compressed ID3v2.2 tag: no scheme was ever defined for it
    const bool footer = major == 4 && (flags & 0x10);
    std::int64_t bodySize = tagSize - static_cast<std::int64_t>(kHeaderSize) * (footer ? 2 : 1);
    const bool wholeTagUnsync = (flags & 0x80) && major < 4;
    if (wholeTagUnsync && bodySize > static_cast<std::int64_t>(kHeldLimit)) {
        if (mode != ReadMode::Fields) {
            result.failure = kTooLarge;
            return result;
        }
        bodySize = static_cast<std::int64_t>(kHeldLimit);  // the fields are near the start
    }
    const bool rewriting = mode == ReadMode::Everything || mode == ReadMode::Native;
    TagBody body(fd, bodySize, (rewriting && bodySize <= kWholeReadLimit) || wholeTagUnsync);
    if (body.ok() && wholeTagUnsync)
        body.undoUnsynchronisation();

    const std::int64_t pos = major >= 3 && (flags & 0x40) ? framesStart(body, major) : 0;
    Budget budget;
    const Walk walk {major, major == 4 && (flags & 0x80), mode, 0, budget, result.failure};
    const std::int64_t end = walkFrames(body, pos, walk, result.frames);
    if (rewriting && body.ok() && result.failure.empty() && !paddingAt(body, end))
        result.failure = kNotFrames;
    if (mode != ReadMode::Fields && !body.ok() && result.failure.empty())
        result.failure = body.error() != 0 ? SystemErrorText(body.error()) : "The file changed while it was read";
    if (mode != ReadMode::Native || major != 4)
        FinishConversion(major, result.frames);
    return result;
}

}  // namespace id3v2
