#include "mp3content.h"

#include "filedescriptor.h"

#include <algorithm>
#include <array>
#include <cstring>

#include <fcntl.h>
#include <sys/stat.h>

namespace {

constexpr std::size_t kHeaderBytes = 4;
constexpr std::size_t kId3HeaderSize = 10;
constexpr std::int64_t kTrailerSize = 128;
// Past the window, room for the next header of a frame that starts at its
// end (the longest frame, MPEG 2.5 layer II at 160 kbit/s and 8 kHz, takes
// 2881 bytes).
constexpr std::size_t kFrameRoom = 4096;
// More ID3v2 tags one after another than this are not skipped.
constexpr int kMaxTags = 8;

// Kilobits per second by version row (0 MPEG 1, 1 MPEG 2 and 2.5), layer
// (0 layer I, 1 layer II, 2 layer III) and bitrate index 1..14.
constexpr std::array<std::array<std::array<int, 15>, 3>, 2> kBitrates {{
    {{
        {0, 32, 64, 96, 128, 160, 192, 224, 256, 288, 320, 352, 384, 416, 448},
        {0, 32, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320, 384},
        {0, 32, 40, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320},
    }},
    {{
        {0, 32, 48, 56, 64, 80, 96, 112, 128, 144, 160, 176, 192, 224, 256},
        {0, 8, 16, 24, 32, 40, 48, 56, 64, 80, 96, 112, 128, 144, 160},
        {0, 8, 16, 24, 32, 40, 48, 56, 64, 80, 96, 112, 128, 144, 160},
    }},
}};
constexpr std::array<int, 3> kSampleRates {44100, 48000, 32000};

bool startsWith(std::string_view bytes, std::string_view prefix)
{
    return bytes.substr(0, prefix.size()) == prefix;
}

// Two headers of one stream agree in version, layer and sample rate.
bool sameStream(const unsigned char* a, const unsigned char* b)
{
    return (a[1] & 0x1E) == (b[1] & 0x1E) && (a[2] & 0x0C) == (b[2] & 0x0C);
}

// The bytes of the file from `offset` on, read as needed.
class FileBytes final {
public:
    FileBytes(int fd, std::int64_t size)
        : m_fd(fd)
        , m_size(size)
    {
    }

    std::int64_t size() const { return m_size; }
    // At least min(`wanted`, the rest of the file) bytes from `offset`: the
    // bytes read already when they reach that far, else a read of
    // max(`wanted`, kFirstRead) bytes there; false when that read fails.
    bool at(std::int64_t offset, std::size_t wanted, std::string_view& bytes)
    {
        const auto rest = static_cast<std::size_t>(std::max<std::int64_t>(0, m_size - offset));
        const std::size_t need = std::min(wanted, rest);
        const bool held = offset >= m_offset
            && offset - m_offset + static_cast<std::int64_t>(need) <= static_cast<std::int64_t>(m_data.size());
        if (!held) {
            const std::size_t length = std::min(std::max(wanted, Mp3Content::kFirstRead), rest);
            m_data.resize(length);
            if (length > 0 && !ReadAt(m_fd, m_data.data(), length, offset))
                return false;
            m_offset = offset;
        }
        bytes = std::string_view(m_data).substr(static_cast<std::size_t>(offset - m_offset));
        return true;
    }

private:
    int m_fd;
    std::int64_t m_size;
    std::int64_t m_offset = 0;
    std::string m_data;
};

}  // namespace

std::size_t Mp3Content::FrameLength(const unsigned char* header)
{
    if (header[0] != 0xFF || (header[1] & 0xE0) != 0xE0)
        return 0;
    const int version = (header[1] >> 3) & 3;  // 0 MPEG 2.5, 1 reserved, 2 MPEG 2, 3 MPEG 1
    const int layer = 4 - ((header[1] >> 1) & 3);  // 4 is the reserved code 0
    const int bitrateIndex = header[2] >> 4;
    const int rateIndex = (header[2] >> 2) & 3;
    if (version == 1 || layer == 4 || bitrateIndex == 0 || bitrateIndex == 15 || rateIndex == 3)
        return 0;
    const std::size_t row = version == 3 ? 0 : 1;
    const long bitrate =
        kBitrates[row][static_cast<std::size_t>(layer - 1)][static_cast<std::size_t>(bitrateIndex)] * 1000L;
    long sampleRate = kSampleRates[static_cast<std::size_t>(rateIndex)];
    if (version == 2)
        sampleRate /= 2;
    else if (version == 0)
        sampleRate /= 4;
    const long padding = (header[2] >> 1) & 1;
    if (layer == 1)
        return static_cast<std::size_t>((12 * bitrate / sampleRate + padding) * 4);
    const long perFrame = (layer == 3 && version != 3) ? 72 : 144;
    return static_cast<std::size_t>(perFrame * bitrate / sampleRate + padding);
}

bool Mp3Content::IsOtherFormat(std::string_view content)
{
    static constexpr std::array<std::string_view, 9> kSignatures {
        "\x89PNG\r\n\x1A\n", "\xFF\xD8\xFF", "GIF87a", "GIF89a", "fLaC", "OggS", "RIFF", "PK\x03\x04", "%PDF",
    };
    if (std::any_of(kSignatures.begin(), kSignatures.end(), [&](std::string_view s) { return startsWith(content, s); }))
        return true;
    // MP4 and its kin (M4A, MOV, 3GP): a box of type "ftyp" first.
    return content.size() >= 8 && content.substr(4, 4) == "ftyp";
}

Mp3Content::Scan Mp3Content::FindFrame(std::string_view content, std::int64_t contentSize, std::int64_t trailerAt)
{
    const auto* bytes = reinterpret_cast<const unsigned char*>(content.data());
    const std::size_t end = std::min(content.size(), kWindow);
    for (std::size_t i = 0; i + kHeaderBytes <= end; ++i) {
        const std::size_t length = FrameLength(bytes + i);
        if (length == 0)
            continue;
        const std::size_t next = i + length;
        // The frame ends the file: nothing to confirm it with.
        if (static_cast<std::int64_t>(next) >= contentSize)
            return Scan::Found;
        if (static_cast<std::int64_t>(next) == trailerAt) {
            if (next + 3 > content.size())
                return Scan::NeedMore;
            if (content.substr(next, 3) == "TAG")
                return Scan::Found;
        }
        if (next + kHeaderBytes > content.size()) {
            if (static_cast<std::int64_t>(next + kHeaderBytes) > contentSize)
                continue;  // a few stray bytes at the end of the file
            return Scan::NeedMore;
        }
        if (FrameLength(bytes + next) != 0 && sameStream(bytes + i, bytes + next))
            return Scan::Found;
    }
    const bool windowRead = content.size() >= kWindow || static_cast<std::int64_t>(content.size()) >= contentSize;
    return windowRead ? Scan::NotFound : Scan::NeedMore;
}

Mp3Content::Verdict Mp3Content::OfFile(int fd)
{
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode))
        return Verdict::Unknown;
    FileBytes file(fd, st.st_size);
    if (file.size() == 0)
        return Verdict::Mp3;

    // The content starts after the ID3v2 tags (the size in each header
    // taken as given, a byte with its top bit set included, as the tag
    // reader takes it; a 2.4 footer counted).
    std::int64_t start = 0;
    std::string_view bytes;
    for (int tags = 0; tags < kMaxTags; ++tags) {
        if (!file.at(start, kId3HeaderSize, bytes))
            return Verdict::Unknown;
        if (bytes.size() < kId3HeaderSize || !startsWith(bytes, "ID3"))
            break;
        const auto* h = reinterpret_cast<const unsigned char*>(bytes.data());
        std::int64_t tagSize = (std::int64_t(h[6]) << 21) + (std::int64_t(h[7]) << 14) + (std::int64_t(h[8]) << 7)
            + h[9] + static_cast<std::int64_t>(kId3HeaderSize);
        if (h[3] == 4 && (h[5] & 0x10))
            tagSize += static_cast<std::int64_t>(kId3HeaderSize);
        start += tagSize;
        // A tag that reaches the end of the file holds all there is.
        if (start >= file.size())
            return Verdict::Mp3;
    }

    const std::int64_t contentSize = file.size() - start;
    const std::int64_t trailerAt = contentSize >= kTrailerSize ? contentSize - kTrailerSize : -1;
    if (!file.at(start, kFirstRead, bytes))
        return Verdict::Unknown;
    if (trailerAt == 0 && startsWith(bytes, "TAG"))
        return Verdict::Mp3;  // an ID3v1 trailer and nothing else
    if (IsOtherFormat(bytes))
        return Verdict::NotMp3;
    Scan scan = FindFrame(bytes, contentSize, trailerAt);
    if (scan == Scan::NeedMore) {
        if (!file.at(start, kWindow + kFrameRoom, bytes))
            return Verdict::Unknown;
        scan = FindFrame(bytes, contentSize, trailerAt);
    }
    return scan == Scan::Found ? Verdict::Mp3 : Verdict::NotMp3;
}

Mp3Content::Verdict Mp3Content::OfPath(const std::string& path)
{
    // Opened without blocking; a FIFO where a file is expected is no file to judge.
    const FileDescriptor file = OpenRegularFile(path, O_RDONLY);
    return file.valid() ? OfFile(file.get()) : Verdict::Unknown;
}
