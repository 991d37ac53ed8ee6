#pragma once
// ID3v2 tag at the start of an MP3 file. Reads ID3v2.2, 2.3 and 2.4 tags and
// always writes ID3v2.3. Of its frames the object holds the seven texts below.
// A save writes what changed and keeps everything else the file's tag held:
// a field whose value is still what the file says keeps its frame as it is,
// every other frame is carried into the new tag (converted to ID3v2.3 where
// the tag had another version). Never throws: results say whether an
// operation worked and LastError why not. Texts are UTF-8. The object keeps
// no file open between calls.

#include <cstdint>
#include <string>
#include <string_view>

class Tmp3TagV2 final {
public:
    Tmp3TagV2();

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
    // Track number 0..65535; 0 = none.
    int Track() const { return m_track; }
    const std::string& Year() const { return m_year; }
    const std::string& Genre() const { return m_genre; }
    const std::string& Comment() const { return m_comment; }

    // Text setters store the text without trailing characters of code 32 or
    // less (and keep the old text when there is no memory for the new one).
    void SetTitle(std::string_view text);
    void SetArtist(std::string_view text);
    void SetAlbum(std::string_view text);
    void SetYear(std::string_view text);
    void SetGenre(std::string_view text);
    void SetComment(std::string_view text);
    // 0..65535; anything else means no track (0).
    void SetTrack(int track);

    // True when the first 10 bytes of the file could be read, tag or not.
    bool LoadFromFile(const std::string& fileName);
    // Rewrites the file with a new ID3v2.3 tag in place of any old one. The
    // file stays the same file (owner, group, attributes, hard links); the
    // original is untouched when the save fails.
    bool SaveToFile(const std::string& fileName);
    // Rewrites the file without its ID3v2 tag; false when it has none.
    bool RemoveFromFile(const std::string& fileName);

    void Clear();

    // Why the last LoadFromFile, SaveToFile or RemoveFromFile returned false,
    // as a short text for a message ("Permission denied"); empty after a call
    // that worked. Clear leaves it as it is.
    const std::string& LastError() const { return m_lastError; }

private:
    bool load(const std::string& fileName);
    bool save(const std::string& fileName);
    bool remove(const std::string& fileName);
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
    std::string m_lastError;
};
