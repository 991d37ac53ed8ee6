#include "mp3content.h"

#include "filebytes.h"
#include "filedescriptor.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <optional>

#include <fcntl.h>
#include <sys/stat.h>

namespace {

constexpr std::size_t kHeaderBytes = 4;
constexpr std::size_t kId3HeaderSize = 10;
constexpr std::int64_t kTrailerSize = 128;
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

}  // namespace

std::optional<Mp3Content::FrameHeader> Mp3Content::ParseHeader(const unsigned char* header)
{
    if (header[0] != 0xFF || (header[1] & 0xE0) != 0xE0)
        return std::nullopt;
    const int version = (header[1] >> 3) & 3;  // 0 MPEG 2.5, 1 reserved, 2 MPEG 2, 3 MPEG 1
    const int layer = 4 - ((header[1] >> 1) & 3);  // 4 is the reserved code 0
    const int bitrateIndex = header[2] >> 4;
    const int rateIndex = (header[2] >> 2) & 3;
    if (version == 1 || layer == 4 || bitrateIndex == 0 || bitrateIndex == 15 || rateIndex == 3)
        return std::nullopt;
    FrameHeader frame;
    frame.version = version == 3 ? 10 : version == 2 ? 20 : 25;
    frame.layer = layer;
    const std::size_t row = version == 3 ? 0 : 1;
    frame.bitrateKbps = kBitrates[row][static_cast<std::size_t>(layer - 1)][static_cast<std::size_t>(bitrateIndex)];
    frame.sampleRate = kSampleRates[static_cast<std::size_t>(rateIndex)];
    if (version == 2)
        frame.sampleRate /= 2;
    else if (version == 0)
        frame.sampleRate /= 4;
    frame.channels = (header[3] >> 6) == 3 ? 1 : 2;
    frame.crc = (header[1] & 1) == 0;
    const long bitrate = frame.bitrateKbps * 1000L;
    const long padding = (header[2] >> 1) & 1;
    if (layer == 1) {
        frame.samplesPerFrame = 384;
        frame.length = static_cast<std::size_t>((12 * bitrate / frame.sampleRate + padding) * 4);
    } else {
        const bool half = layer == 3 && version != 3;
        frame.samplesPerFrame = half ? 576 : 1152;
        frame.length = static_cast<std::size_t>((half ? 72 : 144) * bitrate / frame.sampleRate + padding);
    }
    return frame;
}

std::size_t Mp3Content::FrameLength(const unsigned char* header)
{
    const std::optional<FrameHeader> frame = ParseHeader(header);
    return frame ? frame->length : 0;
}

bool Mp3Content::SameStream(const unsigned char* a, const unsigned char* b)
{
    return (a[1] & 0x1E) == (b[1] & 0x1E) && (a[2] & 0x0C) == (b[2] & 0x0C);
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

Mp3Content::Scan Mp3Content::FindFrame(std::string_view content, std::int64_t contentSize, std::int64_t trailerAt,
                                       std::size_t* at)
{
    const auto found = [&](std::size_t i) {
        if (at)
            *at = i;
        return Scan::Found;
    };
    const auto* bytes = reinterpret_cast<const unsigned char*>(content.data());
    const std::size_t end = std::min(content.size(), kWindow);
    for (std::size_t i = 0; i + kHeaderBytes <= end; ++i) {
        const std::size_t length = FrameLength(bytes + i);
        if (length == 0)
            continue;
        const std::size_t next = i + length;
        // The frame ends the file: nothing to confirm it with.
        if (static_cast<std::int64_t>(next) >= contentSize)
            return found(i);
        if (static_cast<std::int64_t>(next) == trailerAt) {
            if (next + 3 > content.size())
                return Scan::NeedMore;
            if (content.substr(next, 3) == "TAG")
                return found(i);
        }
        if (next + kHeaderBytes > content.size()) {
            if (static_cast<std::int64_t>(next + kHeaderBytes) > contentSize)
                continue;  // a few stray bytes at the end of the file
            return Scan::NeedMore;
        }
        if (FrameLength(bytes + next) != 0 && SameStream(bytes + i, bytes + next))
            return found(i);
    }
    const bool windowRead = content.size() >= kWindow || static_cast<std::int64_t>(content.size()) >= contentSize;
    return windowRead ? Scan::NotFound : Scan::NeedMore;
}

std::optional<std::int64_t> Mp3Content::ContentStart(FileBytes& file)
{
    // The size in each header taken as given, a byte with its top bit set
    // included, as the tag reader takes it; a 2.4 footer counted.
    std::int64_t start = 0;
    std::string_view bytes;
    for (int tags = 0; tags < kMaxTags && start < file.size(); ++tags) {
        if (!file.at(start, kId3HeaderSize, bytes))
            return std::nullopt;
        if (bytes.size() < kId3HeaderSize || !startsWith(bytes, "ID3"))
            break;
        const auto* h = reinterpret_cast<const unsigned char*>(bytes.data());
        std::int64_t tagSize = (std::int64_t(h[6]) << 21) + (std::int64_t(h[7]) << 14) + (std::int64_t(h[8]) << 7)
            + h[9] + static_cast<std::int64_t>(kId3HeaderSize);
        if (h[3] == 4 && (h[5] & 0x10))
            tagSize += static_cast<std::int64_t>(kId3HeaderSize);
        start += tagSize;
    }
    return start;
}

Mp3Content::Verdict Mp3Content::OfFile(int fd)
{
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode))
        return Verdict::Unknown;
    FileBytes file(fd, st.st_size);
    static_assert(FileBytes::kMinRead == kFirstRead);
    if (file.size() == 0)
        return Verdict::Mp3;

    const std::optional<std::int64_t> contentStart = ContentStart(file);
    if (!contentStart)
        return Verdict::Unknown;
    const std::int64_t start = *contentStart;
    // A tag that reaches the end of the file holds all there is.
    if (start >= file.size())
        return Verdict::Mp3;
    std::string_view bytes;

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
