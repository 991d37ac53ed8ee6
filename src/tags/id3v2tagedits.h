#pragma once
// Changes of single frames that the user made on a list of the tag's frames
// (FrameEdits), and of the lyrics (the first unsynchronised lyrics frame),
// applied to the frames of the tag as a save reads them again.
//
// Frames are told apart by their place in the tag and their bytes (FrameKey):
// a tag that changed on disk since it was listed is refused as a whole, so
// that an edit never lands on the wrong frame.

#include "id3v2extrafields.h"
#include "id3v2fields.h"
#include "id3v2framelist.h"
#include "id3v2lyrics.h"

#include <array>
#include <cstddef>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace id3v2 {

class FrameEdits final {
public:
    FrameEdits() = default;
    // Edits of the frames listed as `entries` (DescribeFrames, in tag order).
    explicit FrameEdits(const std::vector<FrameEntry>& entries);

    // The listed frame at `index` gets the value (it must be editable).
    void Replace(std::size_t index, FrameValue value);
    void Remove(std::size_t index);
    // A new frame after the others.
    void Add(FrameValue value);
    bool Empty() const { return m_changes.empty() && m_added.empty(); }

    // Applies the edits to `frames` (the tag read again, in the form of
    // version `framesMajor`), new frames made for version `writtenMajor`.
    // False, with `frames` unchanged and `error` saying why, when the tag
    // is not the one listed.
    bool ApplyTo(std::vector<Frame>& frames, int writtenMajor, std::string& error) const;

private:
    std::vector<FrameKey> m_keys;
    // Per listed frame: its new value, or nothing for a removal.
    std::map<std::size_t, std::optional<FrameValue>> m_changes;
    std::vector<FrameValue> m_added;
};

// The lyrics change of a save: none, new lyrics in place of the first
// unsynchronised lyrics (or after the other frames), or its removal.
struct LyricsChange {
    enum class Kind { Keep, Set, Remove };
    Kind kind = Kind::Keep;
    Lyrics lyrics;
};

struct TagEdits {
    FrameEdits frames;
    LyricsChange lyrics;

    bool Empty() const { return frames.Empty() && lyrics.kind == LyricsChange::Kind::Keep; }
};

// The seven field texts of a save (the track's slot unused) and its track:
// the number, or the whole text where the user set that.
struct FieldValues {
    std::array<std::string, kFieldCount> texts;
    int track = 0;
    std::optional<std::string> trackText;
};

// Applies `edits` to `frames` (read in the form of version `framesMajor`,
// to be written as `writtenMajor`): frame edits first, then the lyrics.
// A field whose value in `fields` is what the tag said before the edits is
// set to what the edited frames say, so that the save keeps a frame edited
// or removed in the list instead of writing the field's old value back. A
// field the user changed keeps the user's value. False (and nothing
// changed) when the frame edits do not fit the tag.
bool ApplyTagEdits(const TagEdits& edits, std::vector<Frame>& frames, int framesMajor, int writtenMajor,
                   FieldValues& fields, std::string& error);

// What the seven fields say in a tag of the frames `entries` describe (in
// tag order, listed from a tag in the form of version `major`), as a load
// reads them: the values of edited frames show where the fields will stand.
std::array<std::string, kFieldCount> FieldTextsOf(const std::vector<FrameEntry>& entries, int major);
// The same for the fields beyond the seven (see ExtraField).
std::array<std::string, kExtraFieldCount> ExtraTextsOf(const std::vector<FrameEntry>& entries, int major);

}  // namespace id3v2
