#pragma once
// The record of one MP3 file wherever the program handles it: its path, its
// name, which tags it carries and a caption built from them. Nothing that a
// record does shows a message or lets an error escape.

#include "audioproperties.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

class FolderFlushes;

// What the tags of a file say, for the playlist's columns and its orders:
// each value from the ID3v2 tag, or from the ID3v1 tag where the ID3v2 tag
// has none. Numbers are 0 when absent.
struct SongTags {
    std::string title;
    std::string artist;
    std::string album;
    std::string albumArtist;
    std::string year;
    std::string genre;
    int track = 0;
    int disc = 0;
};

class TFileInfo {
public:
    // Stores the path and reads both tags at once.
    explicit TFileInfo(const std::string& path);
    virtual ~TFileInfo() = default;

    TFileInfo(const TFileInfo&) = default;
    TFileInfo& operator=(const TFileInfo&) = default;

    // Stores the path and its name part, drops the caption and re-reads the tags.
    void SetPath(const std::string& path);

    std::string FullPath() const { return m_fullPath; }
    // Everything after the last "/" of the path, extension included.
    std::string FileName() const { return m_fileName; }
    // The tag's artist + " - " + title; nullopt when the file has no tag.
    const std::optional<std::string>& TagCaption() const { return m_tagCaption; }
    // The values of the tags, as the last ReadTags found them.
    const SongTags& Tags() const { return m_tags; }
    bool HasV1Tag() const { return m_hasV1Tag; }
    bool HasV2Tag() const { return m_hasV2Tag; }
    // Length, bitrate, sample rate and channels of the audio, read with the
    // tags; nullopt when the file holds no MPEG audio frame or could not be read.
    const std::optional<AudioProperties>& Audio() const { return m_audio; }

    // Re-reads both tags and the audio properties, through one open of the
    // file; a tag that cannot be read counts as absent. The ID3v2 tag gives
    // the caption when the file has both.
    void ReadTags();
    // The text the playlist shows, under the two display settings: the tag
    // caption, or the file name (always with "File Name in playlist", and
    // when there is no tag or its artist and title are both blank).
    std::string DisplayName() const;

    // Remove one tag from the file. Nothing escapes: the result is empty
    // when the file no longer has that tag (also when it never had one), and
    // otherwise says what failed and why, naming the file. The flags and the
    // caption stay until the next ReadTags.
    std::string RemoveV1Tag();
    std::string RemoveV2Tag();
    // The same for any file.
    static std::string RemoveV1TagFrom(const std::string& path);
    static std::string RemoveV2TagFrom(const std::string& path);
    // Removes the ID3v1 and/or the ID3v2 tag of a file; the reasons of what
    // failed, none when all worked. With `laterFlushes` the flush of the
    // file's folder is left to a batch (see FolderFlushes).
    static std::vector<std::string> RemoveTagsFrom(const std::string& path, bool v1, bool v2,
                                                   FolderFlushes* laterFlushes);

    // Renames the file within its folder to MakeValidFileName(newName). A file
    // that already bears the new name is never replaced: the rename fails, as
    // it does for a name that is empty, "." or "..".
    // On success the record describes the file under its new name; on failure
    // nothing changes. Returns whether it worked.
    bool Rename(const std::string& newName);
    // The name with the refused characters, the zero byte and the control
    // characters replaced by blanks, trimmed.
    static std::string MakeValidFileName(std::string_view name);

    // The file's size in bytes (the full 64-bit size); 0 when it is not found.
    std::int64_t FileSize() const;
    std::string FileSizeText() const;
    // The audio's length as m:ss (h:mm:ss from an hour on), "~" in front
    // when it is estimated; its bitrate as "128 kbps" ("… VBR" for a
    // variable one); and the two with the sample rate, channels, MPEG
    // version and layer. Empty without audio properties.
    std::string LengthText() const;
    std::string BitrateText() const;
    std::string AudioSummary() const;

    bool HasAnyTag() const { return m_hasV1Tag || m_hasV2Tag; }
    bool HasOneTag() const { return m_hasV1Tag != m_hasV2Tag; }
    // 0 both tags, 1 no tag, 2 exactly one.
    int TagStateIndex() const;

private:
    // A caption of a tag whose artist and title are both blank (" - ").
    static bool IsBlankCaption(const std::string& caption);
    // RemoveV2TagFrom; `withV1`: the ID3v1 trailer goes in the same rewrite
    // (`removed` tells whether that rewrite was made).
    static std::string RemoveV2TagFrom(const std::string& path, FolderFlushes* laterFlushes, bool withV1,
                                       bool& removed);

    std::string m_fileName;
    std::string m_fullPath;
    std::optional<std::string> m_tagCaption;
    SongTags m_tags;
    bool m_hasV1Tag = false;
    bool m_hasV2Tag = false;
    std::optional<AudioProperties> m_audio;
};
