#pragma once
// The raw bytes of a file's two tags as they stand: the whole ID3v2 tag at
// its start (header, frames, padding and footer, as its header gives the
// size) and the 128-byte ID3v1 block at its end. They let a file's tags be
// put back byte for byte around the audio the file holds at that time.

#include <cstdint>
#include <string>

struct RawTags {
    std::string v2; // empty: no ID3v2 tag
    std::string v1; // empty: no ID3v1 block
};

// False, with `error` saying why, when the file cannot be read or its tags
// together are larger than `maxBytes` (nothing is read then).
bool ReadRawTags(const std::string& fileName, RawTags& tags, std::int64_t maxBytes, std::string& error);

// Puts `tags` in place of the tags the file has now, in one crash-safe
// save through the journal (SaveFileEdit); the bytes between them stay as they are. A file
// whose tags already are as given is not written. False, with `error`
// saying why, on failure (the file is then as it was).
bool WriteRawTags(const std::string& fileName, const RawTags& tags, std::string& error);
