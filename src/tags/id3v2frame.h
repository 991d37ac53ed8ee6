#pragma once
// One frame of an ID3v2.3 tag as the program keeps it between reading a tag
// and writing the new one, and the bytes that frame headers and tag headers
// are made of.

#include <cstdint>
#include <string>
#include <string_view>

namespace id3v2 {

constexpr std::size_t kHeaderSize = 10;
// Largest frames size a tag header can state (four 7-bit groups).
constexpr std::uint32_t kMaxTagBodySize = (1u << 28) - 1;

// Bytes of the original file that go into the new tag as they are.
struct FileSpan {
    std::int64_t offset = 0;
    std::int64_t length = 0;
};

// A frame in ID3v2.3 form: its id, its two flag bytes, the bytes that follow
// its header (first the extra bytes its format flags announce, then the
// content) and, for a large frame carried as it is, the rest of its content
// as a span of the original file.
struct Frame {
    static constexpr unsigned char kCompressed = 0x80;
    static constexpr unsigned char kEncrypted = 0x40;
    static constexpr unsigned char kGrouped = 0x20;

    std::string id;
    unsigned char status = 0;
    unsigned char format = 0;
    std::string data;
    FileSpan tail;

    // Compressed (and not decompressed) or encrypted: kept byte for byte and
    // never looked into.
    bool opaque() const { return (format & (kCompressed | kEncrypted)) != 0; }
    // Bytes of `data` before the content: decompressed size, encryption
    // method and group symbol, as the format flags say.
    std::size_t extraSize() const;
    // The content held in memory (all of it unless `tail` has a length).
    std::string_view content() const;
    // Replaces the content, keeping the extra bytes.
    void setContent(std::string content);
    // Size of the frame in the new tag, header included.
    std::uint64_t size() const { return kHeaderSize + data.size() + static_cast<std::uint64_t>(tail.length); }
};

// A frame with flags 00 00 and the given content.
Frame MakeFrame(std::string id, std::string content);
// The 10-byte header of a frame in ID3v2.3 form, or (`major` 4) of a frame
// already laid out for ID3v2.4 (ToVersion4Layout): its size sync-safe.
std::string FrameHeader(const Frame& frame, int major = 3);
// The 10-byte tag header of version `major` (3 or 4) with `flags` for
// `framesSize` bytes of frames.
std::string BuildTagHeader(std::uint32_t framesSize, int major = 3, unsigned char flags = 0);

std::uint32_t Be32(const unsigned char* p);
std::uint32_t Syncsafe32(const unsigned char* p);
void PutBe32(std::string& out, std::uint32_t value);
void PutSyncsafe32(std::string& out, std::uint32_t value);

}  // namespace id3v2
