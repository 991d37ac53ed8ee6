#pragma once
// How the tag objects read and write, as plain values handed to them when
// they are made. The defaults are the program's long-standing behaviour:
// ID3v2.3 tags, Windows-1252 for ID3v1 bytes, ISO-8859-1 (read as
// Windows-1252) for ID3v2 texts in encoding 0, and a new modification time
// for every file written.

#include <string>

enum class Id3v2WriteVersion {
    V23,   // every tag written is an ID3v2.3 tag
    V24,   // every tag written is an ID3v2.4 tag
    Keep,  // an ID3v2.4 tag stays ID3v2.4 with its frames as they are; others become ID3v2.3
};

struct TagOptions {
    Id3v2WriteVersion writeVersion = Id3v2WriteVersion::V23;
    // The code page of ID3v1 bytes (a name CodePage offers; another name
    // means the default).
    std::string codePage = "WINDOWS-1252";
    // The same code page for ID3v2 texts in encoding 0, which the standard
    // says are ISO-8859-1.
    bool codePageForId3v2 = false;
    // A file written keeps the modification time it had.
    bool keepModificationTime = false;
    // A tag that grows (or is new) is written with room for later edits, so
    // that the next save fits in place: at least 1 KiB, up to 1% of the
    // file, at most 64 KiB. Off: such a tag has exactly the size its frames
    // need. A tag that fits the room of the old one keeps that room either
    // way.
    bool leaveRoom = true;
    // With leaveRoom, this many bytes of room instead of the rule above;
    // negative: the rule.
    long long padding = -1;

    bool operator==(const TagOptions&) const = default;
};
