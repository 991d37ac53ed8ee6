#include "audioproperties.h"

#include "filebytes.h"
#include "filedescriptor.h"
#include "mp3content.h"

#include <algorithm>
#include <array>
#include <limits>
#include <string_view>

#include <fcntl.h>
#include <sys/stat.h>

namespace {

constexpr std::int64_t kV1Size = 128;
constexpr std::int64_t kApeFooterSize = 32;
constexpr std::int64_t kLyricsTrailerSize = 15;  // six digits of size, then "LYRICS200"
// The bytes looked at from the first frame on: the frame with its header
// (at most 2881 bytes) and the headers of the frames after it.
constexpr std::size_t kFrameBytes = 4096;
// How many frames after the first are compared with it for a change of
// bitrate when no header tells whether the file is VBR.
constexpr int kProbeFrames = 3;

std::uint32_t BigEndian32(const unsigned char* p)
{
    return (std::uint32_t(p[0]) << 24) | (std::uint32_t(p[1]) << 16) | (std::uint32_t(p[2]) << 8) | p[3];
}

std::uint32_t LittleEndian32(const unsigned char* p)
{
    return (std::uint32_t(p[3]) << 24) | (std::uint32_t(p[2]) << 16) | (std::uint32_t(p[1]) << 8) | p[0];
}

// Where the audio ends that starts at `start` in a file of `size` bytes:
// before an ID3v1 trailer and before an APE tag or a Lyrics3 v2 block in
// front of it (or at the end), each found from the bytes just before the
// end found so far.
std::int64_t AudioEnd(int fd, std::int64_t start, std::int64_t size)
{
    std::int64_t end = size;
    std::array<unsigned char, kV1Size + kApeFooterSize> tail {};
    for (int step = 0; step < 4; ++step) {
        const auto n = static_cast<std::size_t>(std::min<std::int64_t>(tail.size(), end - start));
        if (n < static_cast<std::size_t>(kLyricsTrailerSize) || !ReadAt(fd, tail.data(), n, end - std::int64_t(n)))
            break;
        const std::string_view bytes(reinterpret_cast<const char*>(tail.data()), n);
        const unsigned char* last = tail.data() + n;
        std::int64_t cut = 0;
        // The ID3v1 trailer comes last, if at all.
        if (step == 0 && n >= kV1Size && bytes.substr(n - kV1Size, 3) == "TAG") {
            cut = kV1Size;
        } else if (n >= kApeFooterSize && bytes.substr(n - kApeFooterSize, 8) == "APETAGEX") {
            // The size counts the items and the footer; a header may precede them.
            const unsigned char* footer = last - kApeFooterSize;
            cut = std::int64_t(LittleEndian32(footer + 12));
            if (LittleEndian32(footer + 20) & 0x80000000u)
                cut += kApeFooterSize;
            if (cut < kApeFooterSize)
                cut = 0;
        } else if (bytes.substr(n - 9) == "LYRICS200") {
            const std::string_view digits = bytes.substr(n - kLyricsTrailerSize, 6);
            if (std::all_of(digits.begin(), digits.end(), [](char c) { return c >= '0' && c <= '9'; }))
                cut = std::stoll(std::string(digits)) + kLyricsTrailerSize;
        }
        if (cut <= 0 || cut > end - start)
            break;
        end -= cut;
    }
    return end;
}

// What a Xing/Info or VBRI header in the first frame says.
struct StreamHeader {
    std::uint32_t frames = 0;  // 0: not given
    std::uint32_t bytes = 0;   // 0: not given
    bool cbr = false;          // "Info", or a LAME header that says CBR
    int delay = 0;             // samples the encoder put in front (LAME)
    int padding = 0;           // samples it added at the end (LAME)
};

// The Xing/Info header (with the LAME header after it) of the layer III
// frame `frame`, of which `bytes` holds the first bytes (at most the frame).
std::optional<StreamHeader> ReadXing(std::string_view bytes, const Mp3Content::FrameHeader& frame)
{
    if (frame.layer != 3)
        return std::nullopt;
    const auto* b = reinterpret_cast<const unsigned char*>(bytes.data());
    // The header follows the side information, whose size depends on the
    // version and on mono; some encoders put the CRC in front of it.
    const std::size_t sideInfo = frame.version == 10 ? (frame.channels == 1 ? 17 : 32) : (frame.channels == 1 ? 9 : 17);
    for (std::size_t at : {4 + sideInfo, 6 + sideInfo}) {
        if (at == 6 + sideInfo && !frame.crc)
            break;
        if (at + 8 > bytes.size())
            break;
        const std::string_view id = bytes.substr(at, 4);
        if (id != "Xing" && id != "Info")
            continue;
        StreamHeader header;
        header.cbr = id == "Info";
        const std::uint32_t flags = BigEndian32(b + at + 4);
        std::size_t p = at + 8;
        const auto field = [&](std::uint32_t flag, std::size_t size, std::uint32_t* value) {
            if (!(flags & flag))
                return true;
            if (p + size > bytes.size())
                return false;
            if (value)
                *value = BigEndian32(b + p);
            p += size;
            return true;
        };
        if (!field(0x1, 4, &header.frames) || !field(0x2, 4, &header.bytes) || !field(0x4, 100, nullptr)
            || !field(0x8, 4, nullptr))
            return header;
        // The LAME header: the encoder's name and version (9 bytes), its
        // VBR method, then the encoder delay and padding, 12 bits each.
        if (p + 24 <= bytes.size()) {
            const std::string_view encoder = bytes.substr(p, 4);
            if (encoder == "LAME" || encoder.substr(0, 3) == "Lav") {
                const int method = b[p + 9] & 0x0F;
                if (method == 1 || method == 8)
                    header.cbr = true;
                header.delay = (b[p + 21] << 4) | (b[p + 22] >> 4);
                header.padding = ((b[p + 22] & 0x0F) << 8) | b[p + 23];
            }
        }
        return header;
    }
    return std::nullopt;
}

// The VBRI header (Fraunhofer's), 32 bytes after the frame header.
std::optional<StreamHeader> ReadVbri(std::string_view bytes)
{
    constexpr std::size_t kAt = 36;
    if (bytes.size() < kAt + 18 || bytes.substr(kAt, 4) != "VBRI")
        return std::nullopt;
    const auto* b = reinterpret_cast<const unsigned char*>(bytes.data()) + kAt;
    StreamHeader header;
    header.bytes = BigEndian32(b + 10);
    header.frames = BigEndian32(b + 14);
    return header;
}

// True when one of the frames after the first (in `bytes`, which begins
// with it) has another bitrate.
bool BitrateChanges(std::string_view bytes, const Mp3Content::FrameHeader& first)
{
    const auto* b = reinterpret_cast<const unsigned char*>(bytes.data());
    std::size_t at = first.length;
    for (int i = 0; i < kProbeFrames && at + 4 <= bytes.size(); ++i) {
        const std::optional<Mp3Content::FrameHeader> next = Mp3Content::ParseHeader(b + at);
        if (!next || !Mp3Content::SameStream(b, b + at))
            return false;
        if (next->bitrateKbps != first.bitrateKbps)
            return true;
        at += next->length;
    }
    return false;
}

}  // namespace

std::optional<AudioProperties> ReadAudioProperties(int fd)
{
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode))
        return std::nullopt;
    FileBytes file(fd, st.st_size);
    const std::optional<std::int64_t> start = Mp3Content::ContentStart(file);
    if (!start || *start >= file.size())
        return std::nullopt;
    const std::int64_t end = AudioEnd(fd, *start, file.size());
    const std::int64_t audioSize = end - *start;

    std::string_view bytes;
    std::size_t at = 0;
    // Only the audio counts: not the tags after it.
    const auto audioBytes = [&] {
        bytes = bytes.substr(0, static_cast<std::size_t>(std::min<std::int64_t>(bytes.size(), audioSize)));
        return bytes;
    };
    if (!file.at(*start, Mp3Content::kFirstRead, bytes) || Mp3Content::IsOtherFormat(bytes))
        return std::nullopt;
    Mp3Content::Scan scan = Mp3Content::FindFrame(audioBytes(), audioSize, -1, &at);
    if (scan == Mp3Content::Scan::NeedMore) {
        if (!file.at(*start, Mp3Content::kWindow + Mp3Content::kFrameRoom, bytes))
            return std::nullopt;
        scan = Mp3Content::FindFrame(audioBytes(), audioSize, -1, &at);
    }
    if (scan != Mp3Content::Scan::Found)
        return std::nullopt;

    const std::int64_t frameAt = *start + static_cast<std::int64_t>(at);
    if (!file.at(frameAt, kFrameBytes, bytes) || bytes.size() < 4)
        return std::nullopt;
    bytes = bytes.substr(0, static_cast<std::size_t>(std::min<std::int64_t>(bytes.size(), end - frameAt)));
    const auto* b = reinterpret_cast<const unsigned char*>(bytes.data());
    const std::optional<Mp3Content::FrameHeader> frame = Mp3Content::ParseHeader(b);
    if (!frame)
        return std::nullopt;

    AudioProperties audio;
    audio.sampleRate = frame->sampleRate;
    audio.channels = frame->channels;
    audio.mpegVersion = frame->version;
    audio.layer = frame->layer;
    audio.bitrateKbps = frame->bitrateKbps;
    const std::int64_t streamSize = end - frameAt;

    const std::string_view firstFrame = bytes.substr(0, std::min(bytes.size(), frame->length));
    std::optional<StreamHeader> header = ReadXing(firstFrame, *frame);
    if (!header)
        header = ReadVbri(firstFrame);
    if (header && header->frames > 0) {
        std::int64_t samples = std::int64_t(header->frames) * frame->samplesPerFrame;
        if (header->delay + header->padding < samples)
            samples -= header->delay + header->padding;
        audio.lengthMs = samples * 1000 / frame->sampleRate;
        audio.vbr = !header->cbr;
        const std::int64_t claimed = header->bytes > 0 ? std::int64_t(header->bytes) : streamSize;
        // A file cut off holds less than its header counts: its length is
        // taken in proportion.
        if (streamSize + static_cast<std::int64_t>(frame->length) < claimed) {
            audio.lengthMs = static_cast<std::int64_t>(static_cast<double>(audio.lengthMs)
                                                       * static_cast<double>(streamSize) / static_cast<double>(claimed));
            audio.estimated = true;
        }
        // Bits per millisecond are kilobits per second.
        const std::int64_t counted = std::min(claimed, streamSize);
        if (audio.vbr && audio.lengthMs > 0) {
            const std::int64_t average = (counted * 8 + audio.lengthMs / 2) / audio.lengthMs;
            audio.bitrateKbps = static_cast<int>(std::min<std::int64_t>(average, std::numeric_limits<int>::max()));
        }
        return audio;
    }

    // No frame count: the length follows from the size, and the bitrate of
    // the frames after the first tells whether that is a guess.
    audio.vbr = (header && !header->cbr) || BitrateChanges(bytes, *frame);
    audio.estimated = audio.vbr;
    audio.lengthMs = streamSize * 8 / frame->bitrateKbps;
    return audio;
}

std::optional<AudioProperties> ReadAudioPropertiesOf(const std::string& path)
{
    const FileDescriptor file = OpenRegularFile(path, O_RDONLY);
    return file.valid() ? ReadAudioProperties(file.get()) : std::nullopt;
}
