#pragma once
// The seven fields the program edits (title, artist, album, track, year,
// genre, comment) among the frames of an ID3v2.3 tag, or of an ID3v2.4 tag
// read as it is (where the year is that of the recording time TDRC, as
// YearOfRecordingTime finds it, or the year frame TYER of a tag without a
// TDRC): which frames hold them, what they say, and new frames for what the
// user set.

#include "id3v2frame.h"

#include <array>
#include <string>
#include <string_view>
#include <vector>

namespace id3v2 {

enum Field : std::size_t { kTitle, kArtist, kAlbum, kTrack, kYear, kGenre, kComment, kFieldCount };

// The frame id of each field, in the order of the fields.
extern const std::array<const char*, kFieldCount> kFieldIds;
// The same for a tag of version `major` (3 or 4).
const char* FieldId(std::size_t field, int major);

struct Fields {
    // What each field says; the track as its frame's text ("7/12"), the
    // genre as GenreFromText shows it.
    std::array<std::string, kFieldCount> texts;
    // The frames that hold each field, in tag order: every frame of the
    // field's id (a field that occurs twice takes its last readable frame);
    // for the comment, the first COMM frame whose description is empty.
    std::array<std::vector<std::size_t>, kFieldCount> frames;
    // The language of that comment frame.
    std::string commentLanguage = "eng";
    // Another COMM frame with an empty description follows it.
    bool moreComments = false;
};

Fields FindFields(const std::vector<Frame>& frames, int major = 3);

// The recording time for a year set by the user ("2001", trimmed), in place
// of the tag's `old` one: the month, day and time of `old` stay when it is a
// time stamp and the year is four digits; otherwise the year alone.
std::string RecordingTimeWithYear(std::string_view old, const std::string& year);

// The number before any "/" ("7/12" gives 7), in 0..65535; anything else 0.
int ParseTrackNumber(std::string_view text);

// A text frame holding `text`: in ISO-8859-1 when every character fits,
// otherwise in UTF-16 (UTF-8 for a tag of version 4).
Frame TextFrame(const char* id, std::string_view text, int major = 3);
// A comment frame with an empty description.
Frame CommentFrame(std::string_view language, std::string_view text, int major = 3);

}  // namespace id3v2
