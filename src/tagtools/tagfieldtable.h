#pragma once
// The tag fields the tag actions work on, in one table: each field's key (as
// kept in the settings), its name for people, and how its text is read from
// and set in each tag version. A field that a version lacks has no calls
// for it: the seven fields of both versions come first, then the ID3v2
// fields beyond them (album artist, disc, composer ...). Texts are UTF-8;
// the track is its text ("7", or "7/12" in ID3v2), the ID3v1 genre the name
// of its number in the list.

#include "v1losscheck.h"

#include <optional>
#include <string>
#include <vector>

class Tmp3TagV1;
class Tmp3TagV2;

struct TagField {
    const char* key;
    const char* name;
    // ID3v1; null when that version has no such field.
    std::string (*v1Text)(const Tmp3TagV1& tag) = nullptr;
    // False when the text cannot be set (a track that is no number in range).
    bool (*setV1Text)(Tmp3TagV1& tag, const std::string& text) = nullptr;
    // The ID3v1 text field whose code page may lose characters.
    std::optional<V1LossCheck::Field> v1Loss;
    std::string (*v2Text)(const Tmp3TagV2& tag) = nullptr;
    bool (*setV2Text)(Tmp3TagV2& tag, const std::string& text) = nullptr;
    // The track: numbered by "Number tracks".
    bool isTrack = false;
};

class TagFieldTable final {
public:
    static const std::vector<TagField>& Fields();
    // The index of a key; nullopt for one that is not in the table.
    static std::optional<std::size_t> IndexOf(const std::string& key);
    static const TagField& Track();
};
