#pragma once
// Every frame of an ID3v2 tag as the program lists it for the user: its id,
// the standard's name for it, its description or language, its value as a
// line of text and its flags; which frames may be edited, and new frames
// for the values the user typed. Text frames, user texts (TXXX), comments
// (COMM), user links (WXXX) and unsynchronised lyrics (USLT) are edited;
// any other frame is only shown, and a frame the program cannot interpret
// (compressed or encrypted, of an unknown id, damaged) is "kept as it is".

#include "id3v2frame.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace id3v2 {

enum class FrameKind {
    // Edited.
    Text,
    UserText,
    Comment,
    UserUrl,
    Lyrics,
    // Only shown.
    Url,
    SyncedLyrics,
    Picture,
    Other,
    Kept,
};

// What tells one frame of a tag from the others when the tag is read again:
// its id, flags, size and a hash of its bytes.
struct FrameKey {
    std::string id;
    unsigned char status = 0;
    unsigned char format = 0;
    std::uint64_t size = 0;
    std::size_t hash = 0;

    bool operator==(const FrameKey&) const = default;
};

FrameKey KeyOf(const Frame& frame);

struct FrameEntry {
    FrameKey key;
    FrameKind kind = FrameKind::Kept;
    std::string description;  // TXXX, COMM, WXXX, USLT, SYLT, APIC
    std::string language;     // COMM, USLT, SYLT
    // The whole value of an edited frame, the link of a URL frame, the
    // lines of synchronised lyrics.
    std::string text;
    // The value as one line: the text, the link, the first line of a
    // comment or lyrics; the size of other frames, for pictures with their
    // type and format.
    std::string summary;
    std::uint64_t size = 0;  // bytes after the frame header

    const std::string& id() const { return key.id; }
    bool editable() const { return kind <= FrameKind::Lyrics; }
};

FrameEntry DescribeFrame(const Frame& frame);
std::vector<FrameEntry> DescribeFrames(const std::vector<Frame>& frames);

// The standard's name of a frame id of ID3v2.3 or ID3v2.4 (and of a few
// frames that taggers commonly add); empty for an unknown id.
std::string_view FrameName(std::string_view id);
// The flags of a frame (in ID3v2.3 form) as words; empty for none.
std::string FrameFlagsText(unsigned char status, unsigned char format);
// The picture types of the standard (0 to 20) by number.
std::string PictureTypeName(int type);

// The kind a frame of this id is edited as; Kept for an id that is not edited.
FrameKind EditedKind(std::string_view id);
// The ids a new frame may have: the known text frames, then TXXX, COMM,
// WXXX and USLT.
std::vector<std::string> EditableIds();

// What the user gives for a new or edited frame; the description and
// language only where its kind has them.
struct FrameValue {
    std::string id;
    std::string description;
    std::string language = "eng";
    std::string text;

    bool operator==(const FrameValue&) const = default;
};

FrameValue ValueOf(const FrameEntry& entry);
// The frame for a tag of version `major` (3 or 4); `value.id` must be one
// of EditableIds.
Frame BuildFrame(const FrameValue& value, int major = 3);

}  // namespace id3v2
