#pragma once
// The frame-level parts of tv-tag: "tv-tag frames FILE" lists every frame of
// the ID3v2 tag, one line each (id, size in bytes, value), and the "lyrics"
// field of "print" and "set --v2" (the first unsynchronised lyrics).

#include <string>

struct TagOptions;
class Tmp3TagV2;

// Prints the frames of `file`; 0, or 1 (with a message) when it cannot be read.
int PrintFrames(const std::string& file, const TagOptions& options);
// The text of the file's first unsynchronised lyrics; empty when there are none.
std::string LyricsText(const std::string& file, const TagOptions& options);
// The next save of `tag` gives the file's first lyrics `text` (keeping their
// language and description) or, for an empty text, removes them.
void SetLyricsText(Tmp3TagV2& tag, const std::string& file, const std::string& text);
