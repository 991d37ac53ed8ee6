#pragma once
// Reading an ID3v2 tag (versions 2.2, 2.3 and 2.4) from an open file into
// frames of ID3v2.3 form: the header and its size, the extended header,
// unsynchronisation, compressed, encrypted and grouped frames, and the
// limits that keep a damaged or huge tag from costing more than a fixed
// amount of memory.

#include "id3v2frame.h"

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace id3v2 {

// The working record of one load or save: the raw header and the file size.
struct TagInfo {
    std::array<unsigned char, kHeaderSize> header {};
    std::int64_t fileSize = 0;

    bool hasId3() const { return header[0] == 'I' && header[1] == 'D' && header[2] == '3'; }
    int majorVersion() const { return header[3]; }
    unsigned char flags() const { return header[5]; }
};

// Four (ID3v2.2: three) capital letters or digits, the first a letter.
bool IsFrameId(std::string_view id);

// Reads the first 10 bytes of the open file and its size; false when fewer
// than 10 bytes could be read or the file is not a regular file.
bool ReadTagHeader(int fd, TagInfo& info);

// Size of the tag with its header (and a version 2.4 footer), from the
// header's size field taken as given; 0 when that exceeds the file.
std::int64_t TagSizeOf(const TagInfo& info);

// At most this much of a frame's content makes the value of a field.
constexpr std::size_t kValueLimit = std::size_t(1) << 20;
// At most this much frame data is held in memory for one tag. Large frames
// that need no change are not held: they are copied from the file.
constexpr std::size_t kHeldLimit = std::size_t(32) << 20;

enum class ReadMode {
    // Only the frames of the seven fields, of the extra fields and the user
    // texts, each as far as its value needs.
    Fields,
    Everything,  // every frame, to be written into a new ID3v2.3 tag
    // Every frame, to be written into a new tag of the same version: the
    // frames of an ID3v2.4 tag keep their ids and contents (only their
    // unsynchronisation and compression are undone); other tags read as
    // with Everything.
    Native,
    Pictures,  // only the attached pictures, whole
};

struct TagFrames {
    std::vector<Frame> frames;  // ID3v2.3 frames, in the order of the tag
    // Everything and Native: why the tag cannot be carried into a new one
    // whole (it could not be read, would take more memory than allowed, or
    // holds bytes after its frames that are neither frames nor padding);
    // empty when it can.
    std::string failure;
};

// Reads the frames of the tag described by `info` (`tagSize` as TagSizeOf
// gave it). Never reads past the tag. Reads tags that other programs wrote
// slightly wrong as they meant them: an extended-header flag without an
// extended header, ID3v2.4 frame sizes written as plain integers, a frame
// whose id breaks the rule (kept as it is, and the frames after it read),
// a last frame that runs past the end of the tag (what the tag holds of it
// is kept). Stops at padding or at bytes that are plainly not frames.
TagFrames ReadTag(int fd, const TagInfo& info, std::int64_t tagSize, ReadMode mode);

}  // namespace id3v2
