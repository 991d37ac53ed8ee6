#pragma once
// Lyrics among the frames of an ID3v2 tag: the unsynchronised lyrics (USLT:
// a language, a description and a text of many lines) that the program
// edits, and the synchronised lyrics (SYLT: lines with time stamps) that it
// only shows.

#include "id3v2frame.h"

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace id3v2 {

struct Lyrics {
    std::string language = "eng";  // three letters (ISO 639-2)
    std::string description;       // UTF-8
    std::string text;              // UTF-8, lines separated by "\n"
};

// The lyrics a USLT frame holds; nothing when it is no readable USLT frame.
std::optional<Lyrics> ParseLyrics(const Frame& frame);
// A USLT frame for a tag of version `major` (3 or 4): the text in
// ISO-8859-1 when every character fits, otherwise in UTF-16 (UTF-8 in
// version 4). A language that is not three letters becomes "XXX" (unknown).
Frame LyricsFrame(const Lyrics& lyrics, int major = 3);
// The first readable USLT frame; nothing when there is none.
std::optional<std::size_t> FindLyrics(const std::vector<Frame>& frames);

// Three ASCII letters, as a frame's language must be.
bool IsLanguageCode(std::string_view language);

struct SyncedLyrics {
    std::string language;
    std::string description;
    // One line a synchronised text: "[mm:ss.cc] text" for time stamps in
    // milliseconds, "[frame N] text" for MPEG frame numbers.
    std::vector<std::string> lines;
};

// The lines of a SYLT frame as far as they can be decoded; nothing when it
// is no readable SYLT frame.
std::optional<SyncedLyrics> ParseSyncedLyrics(const Frame& frame);

}  // namespace id3v2
