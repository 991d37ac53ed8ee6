#pragma once
// ID3v2 tag at the start of an MP3 file. Reads ID3v2.2, 2.3 and 2.4 tags and
// always writes ID3v2.3. Of its frames the object holds the seven texts below;
// every other frame of the file's old tag is carried into the new one when
// the tag is rewritten. Never throws: results say whether an operation
// worked. Texts are UTF-8. The object keeps no file open between calls.

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

    // Text setters store the text without trailing characters of code 32 or less.
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
    // Rewrites the file with a new ID3v2.3 tag in place of any old one.
    bool SaveToFile(const std::string& fileName);
    // Rewrites the file without its ID3v2 tag; false when it has none.
    bool RemoveFromFile(const std::string& fileName);

    void Clear();

    // Why the last LoadFromFile, SaveToFile or RemoveFromFile returned false,
    // as a short text for a message ("Permission denied"); empty after a call
    // that worked. Clear leaves it as it is.
    const std::string& LastError() const { return m_lastError; }

private:
    bool fail(std::string reason);
    bool failWithErrno();

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
    // The TRCK text as loaded ("7/12") and the number read from it: while
    // Track still equals that number, the text is written back unchanged so
    // that a total is not lost.
    std::string m_loadedTrackText;
    int m_loadedTrack = 0;
    std::string m_lastError;
};
