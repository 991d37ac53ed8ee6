#pragma once
// A file name pattern of the user's own, for the two batch wizards: the
// placeholders %artist%, %title%, %album%, %track%, %track2% (the track with
// at least two digits), %year%, %genre%, and of ID3v2 tags %albumartist%,
// %disc%, %disc2% (the disc number with at least two digits), %composer%
// and %bpm%, in any letter case, and literal text around them. Text between percent signs that names no field is
// literal text.
//
// The rename wizard builds a relative path from a file's tag values: each
// "/" of the pattern starts a subfolder, while a "/" inside a tag value is
// the separator of the values of a list (as the tags hold several artists or
// genres) and becomes "; " in the name (NameText).
// The tag setup wizard matches a caption against the pattern, the literal
// text separating the fields.

#include <QRegularExpression>

#include <array>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

class TMp3TagInfo;

class TNamePattern final {
public:
    enum Field { Artist = 0, Title, Album, Track, Year, Genre, AlbumArtist, Disc, Composer, Bpm, FieldCount };
    using Values = std::array<std::string, FieldCount>;

    explicit TNamePattern(std::string_view pattern);

    // A tag text as it goes into a name: the values of a list, which tag
    // texts separate by "/", trimmed and joined by "; " ("Björk/Guest
    // Artist" gives "Björk; Guest Artist"); a text without "/" is returned
    // as it is.
    static std::string NameText(std::string_view text);

    bool HasFields() const { return m_uses != 0; }
    bool Uses(Field field) const { return (m_uses & (1u << field)) != 0; }

    // The new path of a file, relative to its folder: the folder names and
    // the file name, each made a valid file name (MakeValidFileName), joined
    // by "/", with ".mp3" appended unless the name ends with it. Folder
    // parts that come out empty are left out. Empty when the file name part
    // is empty, a folder part is "." or "..", or, with `strict`, a field the
    // pattern uses is empty (a track "0" counts as empty).
    std::string BuildPath(const TMp3TagInfo& values, bool strict) const;

    // The fields read from a caption: the caption must match the whole
    // pattern, the literal text in any letter case. Where a separator occurs
    // more than once, a field ends at the first place where the rest of the
    // pattern can follow, so the last field takes what remains before the
    // pattern's closing text. A trailing ".mp3" of the caption is cut first
    // unless the pattern ends with it. Each value is trimmed; nothing
    // when the caption does not match or a field the pattern uses is empty,
    // and then `why` (when given) tells which.
    struct Mismatch {
        bool emptyField = false; // false: the caption has not the pattern's form
        Field field = Artist;    // the field without text
    };
    std::optional<Values> Match(std::string_view caption, Mismatch* why = nullptr) const;
    // A field's placeholder as the user types it: "%artist%".
    static std::string FieldPlaceholder(Field field);

private:
    struct Token {
        int field = -1; // -1: literal text
        bool twoDigits = false;
        std::string text;
    };

    std::vector<Token> m_tokens;
    unsigned m_uses = 0;
    bool m_endsWithExtension = false;
    QRegularExpression m_regex;
    // The field of each capture group, in group order.
    std::vector<Field> m_groups;
};
