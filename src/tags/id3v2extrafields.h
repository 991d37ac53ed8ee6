#pragma once
// The fields beyond the seven of ID3v1 that collections are sorted and
// shown by (album artist, disc, composer, sort orders, ...), user texts
// (TXXX) and unique file identifiers (UFID) among the frames of an ID3v2.3
// tag, or of an ID3v2.4 tag read as it is: which frames hold them, what they
// say, and the changes a save makes to them. A field whose value stays as
// the tag says keeps its frames as they are; a changed one gets a new frame
// in the place of its first old frame (or after the other frames), which
// replaces all of its old frames.

#include "id3v2frame.h"

#include <array>
#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace id3v2 {

enum ExtraField : std::size_t {
    kAlbumArtist,   // TPE2
    kDisc,          // TPOS, "1/2"
    kComposer,      // TCOM
    kBpm,           // TBPM
    kOriginalYear,  // TORY (ID3v2.4: the year of TDOR)
    kPublisher,     // TPUB
    kGrouping,      // TIT1
    kSubtitle,      // TIT3
    kCompilation,   // TCMP, "1" or empty
    kSortArtist,    // TSOP
    kSortAlbum,     // TSOA
    kSortTitle,     // TSOT
    kIsrc,          // TSRC
    kEncodedBy,     // TENC
    kCopyright,     // TCOP
    kUrl,           // WXXX with an empty description
    kExtraFieldCount
};

struct ExtraFieldInfo {
    const char* name;     // as the command-line tool and the patterns name it ("albumartist")
    const char* caption;  // as the editor labels it ("Album artist")
    const char* id;       // ID3v2.3 frame id
    const char* id4;      // ID3v2.4 frame id
    const char* id2;      // ID3v2.2 frame id
};

// The fields in the order of ExtraField.
extern const std::array<ExtraFieldInfo, kExtraFieldCount> kExtraFields;

// The frame id of a field in a tag of version `major` (3 or 4).
const char* ExtraFieldId(ExtraField field, int major);
// The field of that name ("albumartist"); nothing for another name.
std::optional<ExtraField> ExtraFieldNamed(std::string_view name);

// Whether a frame of a version `major` tag as the file holds it (before any
// conversion) is read for the extra fields and user texts.
bool IsExtraFieldSource(int major, std::string_view id);

// The value the tag layer keeps for a field set to `text`: trimmed at the
// right; for the compilation "1" or empty ("0" and blanks are empty).
std::string NormalizedExtra(ExtraField field, std::string_view text);

struct UserText {
    std::string description;
    std::string text;
};

struct ExtraFields {
    // What each field says (its last readable frame), and the frames that
    // hold it, in tag order.
    std::array<std::string, kExtraFieldCount> texts;
    std::array<std::vector<std::size_t>, kExtraFieldCount> frames;
    // Every readable TXXX frame, in tag order.
    std::vector<UserText> userTexts;
};

ExtraFields FindExtraFields(const std::vector<Frame>& frames, int major = 3);

// The text of the last TXXX frame of that description; empty when none.
std::string FindUserText(const std::vector<UserText>& texts, std::string_view description);

// What a save changes beyond the seven fields: the fields set, then user
// texts and unique file identifiers by description and owner (an empty text
// or identifier removes the frames).
struct ExtraChanges {
    std::array<std::optional<std::string>, kExtraFieldCount> fields;
    std::vector<std::pair<std::string, std::string>> userTexts;
    std::vector<std::pair<std::string, std::string>> uniqueFileIds;

    bool empty() const;
    void clear();
};

// Applies `changes` to the frames of a tag that are in the form of version
// `framesMajor` and are written as version `writtenMajor`.
void ApplyExtraChanges(std::vector<Frame>& frames, const ExtraChanges& changes, int framesMajor, int writtenMajor);

Frame UserTextFrame(std::string_view description, std::string_view text, int major = 3);
Frame UniqueFileIdFrame(std::string_view owner, std::string_view identifier);
// A WXXX frame with an empty description.
Frame UrlFrame(std::string_view url);

}  // namespace id3v2
