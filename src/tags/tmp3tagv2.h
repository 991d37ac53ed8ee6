#pragma once
// ID3v2 tag at the start of an MP3 file. Reads ID3v2.2, 2.3 and 2.4 tags and
// writes ID3v2.3 (or ID3v2.4, as the options say). Of its frames the object
// holds the seven texts below, and on request the cover picture. A save
// writes what changed and keeps everything else the file's tag held: a field
// whose value is still what the file says keeps its frame as it is, every
// other frame is carried into the new tag (converted to the version written
// where the tag had another one; an ID3v2.4 tag written as ID3v2.4 keeps its
// frames as they are). Never throws: results say whether an operation worked
// and LastError why not. Texts are UTF-8. The object keeps no file open
// between calls.

#include "id3v2extrafields.h"
#include "tagoptions.h"
#include "tagpicture.h"

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

class CodePage;
class FolderFlushes;
class Tmp3TagV1;

class Tmp3TagV2 final {
public:
    explicit Tmp3TagV2(const TagOptions& options = {});

    // The last load found "ID3" at the start of the file.
    bool TagPresent() const { return m_tagPresent; }
    // Byte 3 of the header found by the last load.
    int MajorVersion() const { return m_majorVersion; }
    // Size of the found tag including its header (and footer); 0 when that
    // exceeds the file size.
    std::int64_t TagSize() const { return m_tagSize; }

    const std::string& Title() const { return m_title; }
    const std::string& Artist() const { return m_artist; }
    const std::string& Album() const { return m_album; }
    // Track number 0..65535 (the number before any "/" of the track
    // text); 0 = none.
    int Track() const { return m_track; }
    // The track text as it stands ("3/12"), trimmed; empty for none.
    const std::string& TrackText() const { return m_trackText; }
    const std::string& Year() const { return m_year; }
    const std::string& Genre() const { return m_genre; }
    const std::string& Comment() const { return m_comment; }
    // The album artist (TPE2) and the disc number (the number before any
    // "/" of TPOS, 0 = none), as Extra gives them.
    const std::string& AlbumArtist() const { return Extra(id3v2::kAlbumArtist); }
    int Disc() const;
    // A field beyond the seven: what the last load found, or what was set
    // since (see SetExtra).
    const std::string& Extra(id3v2::ExtraField field) const { return m_extras[field]; }
    // The text of the user text frame (TXXX) with that description (the
    // last one when there are several); empty when there is none.
    std::string UserText(std::string_view description) const;

    // Text setters store the text without trailing characters of code 32 or
    // less (and keep the old text when there is no memory for the new one).
    void SetTitle(std::string_view text);
    void SetArtist(std::string_view text);
    void SetAlbum(std::string_view text);
    void SetYear(std::string_view text);
    void SetGenre(std::string_view text);
    void SetComment(std::string_view text);
    // 0..65535; anything else means no track (0). The number the track
    // already has keeps its text ("3/12").
    void SetTrack(int track);
    // The whole track text ("3/12"); Track() becomes its number.
    void SetTrackText(std::string_view text);
    // Only the fields, user texts and identifiers set here change in the
    // next save: an empty text removes the frames, a value the file already
    // holds keeps its frames as they are. The compilation is "1" or empty.
    void SetExtra(id3v2::ExtraField field, std::string_view text);
    // The TXXX frame of that description: replaced, added or (empty text)
    // removed.
    void SetUserText(std::string_view description, std::string_view text);
    // The UFID frame of that owner: replaced, added or (empty identifier)
    // removed.
    void SetUniqueFileId(std::string_view owner, std::string_view identifier);

    // True when the first 10 bytes of the file could be read, tag or not.
    bool LoadFromFile(const std::string& fileName);
    // The same from the regular file already open as `fd` (its position stays).
    bool LoadFromOpenFile(int fd);
    // Rewrites the file with a new tag in place of any old one. The file
    // stays the same file (owner, group, attributes, hard links); the
    // original is untouched when the save fails. With `laterFlushes` the
    // flush of the file's folder is left to a batch (see FolderFlushes).
    // With `v1` its block replaces the file's ID3v1 trailer (or is appended
    // where the file has none) in the same rewrite: both tags change
    // together or neither does.
    // With `removeV1` (and no `v1`) the ID3v1 trailer goes in the same save.
    bool SaveToFile(const std::string& fileName, FolderFlushes* laterFlushes = nullptr, Tmp3TagV1* v1 = nullptr,
                    bool removeV1 = false);
    // Rewrites the file without its ID3v2 tag; false when it has none.
    // `withV1`: without its ID3v1 trailer too, in the same rewrite; with
    // `newV1` its block takes the trailer's place instead.
    bool RemoveFromFile(const std::string& fileName, FolderFlushes* laterFlushes = nullptr, bool withV1 = false,
                        Tmp3TagV1* newV1 = nullptr);

    // Reads the pictures of the file's tag and keeps its cover: the first
    // front cover (type 3), else the first picture. Leaves the texts alone.
    // The result is as LoadFromFile's.
    bool LoadCover(const std::string& fileName);
    // The cover the last LoadCover found; nothing when the tag has none.
    const std::optional<TagPicture>& Cover() const { return m_cover; }

    // The next save puts the picture in as the front cover, in place of the
    // first front cover or after the other frames (other pictures stay).
    // The data must be a JPEG or PNG image of at most 16 MB (CheckPicture);
    // its MIME type follows the content.
    void SetFrontCover(std::string data);
    // The next save removes the cover: the picture LoadCover would find.
    void RemoveCover();
    // The next save removes the first front cover only (a tag whose pictures
    // are all of other types keeps them).
    void RemoveFrontCover();
    // Empty when `data` may be set as the cover, otherwise why not; then
    // `mimeType` (when given) receives the type that follows from the content.
    static std::string CheckPicture(std::string_view data, std::string* mimeType = nullptr);

    // Forgets the texts, the cover and a cover change not yet saved.
    void Clear();

    const TagOptions& Options() const { return m_options; }

    // Why the last LoadFromFile, SaveToFile or RemoveFromFile returned false,
    // as a short text for a message ("Permission denied"); empty after a call
    // that worked. Clear leaves it as it is.
    const std::string& LastError() const { return m_lastError; }

private:
    enum class CoverChange { Keep, Set, Remove, RemoveFront };

    bool load(const std::string& fileName);
    bool load(int fd);
    bool loadCover(const std::string& fileName);
    bool save(const std::string& fileName, FolderFlushes* laterFlushes, Tmp3TagV1* v1, bool removeV1);
    bool remove(const std::string& fileName, FolderFlushes* laterFlushes, bool withV1, Tmp3TagV1* newV1);
    // Runs an operation; an exception (out of memory) becomes its failure.
    template <typename Operation>
    bool guarded(Operation operation) noexcept;
    bool fail(std::string_view reason) noexcept;
    // The reason after a failed open or header read (errno, or a short file).
    bool failToOpen() noexcept;

    bool m_tagPresent = false;
    int m_majorVersion = 0;
    std::int64_t m_tagSize = 0;
    std::string m_title;
    std::string m_artist;
    std::string m_album;
    int m_track = 0;
    std::string m_year;
    std::string m_genre;
    std::string m_comment;
    std::string m_trackText;
    // The track text was set as a whole: a save compares it, not the number.
    bool m_trackTextSet = false;
    std::array<std::string, id3v2::kExtraFieldCount> m_extras;
    std::vector<id3v2::UserText> m_userTexts;
    id3v2::ExtraChanges m_extraChanges;
    std::optional<TagPicture> m_cover;
    CoverChange m_coverChange = CoverChange::Keep;
    std::string m_newCover;
    std::string m_lastError;
    TagOptions m_options;
    // The code page of texts in encoding 0; nullptr for the standard's.
    const CodePage* m_encodingZero = nullptr;
};
