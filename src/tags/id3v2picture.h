#pragma once
// Attached pictures (APIC frames) among the frames of an ID3v2 tag: which
// one is the cover, what it holds, new picture frames, and the check a
// picture passes before it is written.

#include "id3v2frame.h"
#include "tagpicture.h"

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace id3v2 {

// The picture a frame holds (with the data the frame holds in memory);
// nothing when it is no readable APIC frame.
std::optional<TagPicture> ParsePicture(const Frame& frame);

// The index of the cover among the frames: the first picture of type 3
// (front cover), else the first picture; nothing when there is none.
std::optional<std::size_t> FindCover(const std::vector<Frame>& frames);
// The index of the first front cover; nothing when there is none.
std::optional<std::size_t> FindFrontCover(const std::vector<Frame>& frames);

// Empty when `data` may be written as a picture: a JPEG or PNG image (by its
// signature) of at most TagPicture::kMaxSize bytes; otherwise why not. `mimeType`
// receives the type that follows from the content.
std::string CheckPicture(std::string_view data, std::string& mimeType);

// A front cover frame for checked picture data, without description.
Frame FrontCoverFrame(const std::string& mimeType, const std::string& data);

}  // namespace id3v2
