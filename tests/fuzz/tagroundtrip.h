#pragma once
// The checks the tag fuzzer applies to one input, shared by the libFuzzer
// target and the regression test that replays the committed inputs.

#include <string>

// Treats the file at `path` as an MP3 file: loads its ID3v1 and ID3v2 tags,
// saves both unchanged, loads them again, saves once more, saves edited
// values and removes both tags. Returns an empty string when every
// invariant held, otherwise what went wrong:
//  - no load or save throws anything but TagError, and none fails on a
//    readable, writable regular file of at least 10 bytes;
//  - the bytes between the old ID3v2 tag and the old ID3v1 block (the audio)
//    follow the new ID3v2 tag unchanged, and the new ID3v1 block follows them;
//  - every value reads back as it was loaded, and the new tag is ID3v2.3;
//  - of an ID3v2.3 tag, every frame other than the seven fields is still
//    there with the same bytes (or, where the program re-encodes or
//    decompresses it, with its id), and no frame has a text encoding that
//    ID3v2.3 does not know;
//  - a second save of what was read back leaves everything before the ID3v1
//    block byte for byte alike;
//  - edited values (every field of the ID3v2 tag set to another text, a
//    genre that begins with "(", another track number) read back as set,
//    with the audio and the other frames unchanged;
//  - removing both tags then leaves exactly the audio;
//  - the audio properties are those of MPEG audio (or none), and the same
//    after the save;
//  - written as ID3v2.4 (in a copy beside the file), the ID3v2 values read
//    back as set, the audio stays, and saving it again keeping its version
//    changes nothing.
std::string CheckTagRoundTrip(const std::string& path);
