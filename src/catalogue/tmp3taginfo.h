#pragma once
// The seven texts of one tag version and whether they come from a tag that
// exists, with the album artist, disc number, composer and BPM of an ID3v2
// tag (empty for ID3v1). Used by the tag editor and the rename-from-tags
// wizard.

#include <string>
#include <string_view>

class TMp3TagInfo final {
public:
    bool Present = false;
    std::string Track; // decimal text
    std::string Title;
    std::string Artist;
    std::string Album;
    std::string Year;
    std::string Genre; // a genre name
    std::string Comment;
    std::string AlbumArtist;
    std::string Disc; // decimal text, empty for none
    std::string Composer;
    std::string Bpm;

    // Present false, all texts empty.
    void Clear();
    static void CopyTagInfo(TMp3TagInfo& destination, const TMp3TagInfo& source);
    // Clears this record; when either source is present, each text becomes the
    // first non-empty (trimmed) one of the two.
    void Merge(const TMp3TagInfo& first, const TMp3TagInfo& second);
    // `a` trimmed when that is not empty, otherwise `b` trimmed. Trimming
    // removes characters of code 32 or less at both ends.
    static std::string FirstNonEmpty(std::string_view a, std::string_view b);

    friend bool operator==(const TMp3TagInfo&, const TMp3TagInfo&) = default;
};
