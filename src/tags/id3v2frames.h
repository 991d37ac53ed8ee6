#pragma once
// Reading an ID3v2 tag (versions 2.2, 2.3 and 2.4) from an open file, and
// building the frames of an ID3v2.3 tag.

#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace id3v2 {

constexpr std::size_t kHeaderSize = 10;

// The working record of one load or save: the raw header and the file size.
struct TagInfo {
    std::array<unsigned char, kHeaderSize> header {};
    std::int64_t fileSize = 0;

    bool hasId3() const { return header[0] == 'I' && header[1] == 'D' && header[2] == '3'; }
    int majorVersion() const { return header[3]; }
    unsigned char flags() const { return header[5]; }
};

// Reads the first 10 bytes of the open file and its size; false when fewer
// than 10 bytes could be read.
bool ReadTagHeader(int fd, TagInfo& info);

// Size of the tag with its header (and a version 2.4 footer), from the
// header's size field taken as given; 0 when that exceeds the file.
std::int64_t TagSizeOf(const TagInfo& info);

// What a tag holds: the texts of the seven frames the program edits, and, on
// request, every other frame already converted to ID3v2.3 form (header and
// content), in the order of the tag.
struct TagContents {
    std::string title;
    std::string artist;
    std::string album;
    std::string track;  // the frame's text as it stands, e.g. "7/12"
    std::string year;
    std::string genre;  // the frame's text as it stands, e.g. "(17)"
    std::string comment;
    std::vector<std::string> otherFrames;
};

// Reads the frames of the tag described by `info` (tagSize as TagSizeOf gave
// it). Never reads more than the tag; stops quietly at damage. Tags of major
// versions other than 2, 3 and 4 hold no readable frames.
TagContents ReadFrames(int fd, const TagInfo& info, std::int64_t tagSize, bool keepOtherFrames);

// One ID3v2.3 frame: id, big-endian size, flags 00 00, content.
std::string BuildFrame(const char* id, const std::string& content);
// The 10-byte ID3v2.3 header for `framesSize` bytes of frames.
std::string BuildTagHeader(std::uint32_t framesSize);
// Largest frames size a header can state (four 7-bit groups).
constexpr std::uint32_t kMaxTagBodySize = (1u << 28) - 1;

}  // namespace id3v2
