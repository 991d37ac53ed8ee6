#pragma once
// A picture attached to an ID3v2 tag (an APIC frame): a cover, an artist's
// photo, a band logo.

#include <cstddef>
#include <string>

struct TagPicture {
    // Picture types of the ID3v2 standard (there are 21, 0 to 20).
    static constexpr int kOther = 0;
    static constexpr int kFrontCover = 3;
    // Pictures larger than this are not written.
    static constexpr std::size_t kMaxSize = std::size_t(16) << 20;

    std::string mimeType;  // "image/jpeg", "image/png", as the frame says
    int type = kFrontCover;
    std::string description;  // UTF-8
    std::string data;         // the image file's bytes
};
