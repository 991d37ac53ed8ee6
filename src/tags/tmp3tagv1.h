#pragma once
// ID3v1 / ID3v1.1: the 128-byte "TAG" block at the very end of an MP3 file.
// Texts are UTF-8 in the program and code-page bytes in the file (Windows-1252
// unless the options name another code page); field widths count those
// bytes. Failures raise TagError with the message to show. The object keeps
// no file open between calls.

#include "tagoptions.h"

#include <cstddef>
#include <cstdint>
#include <iosfwd>
#include <string>
#include <string_view>
#include <vector>

class CodePage;
class FileDescriptor;
struct stat;

class Tmp3TagV1 final {
public:
    static constexpr std::size_t kBlockSize = 128;
    // GenreID of a tag that claims no genre.
    static constexpr int kNoGenre = 255;

    explicit Tmp3TagV1(const TagOptions& options = {});

    bool TagPresent() const { return m_tagPresent; }
    void SetTagPresent(bool present) { m_tagPresent = present; }
    bool TagModified() const { return m_tagModified; }
    // true: ID3v1.0 layout (30-byte comment); false: ID3v1.1 (track byte).
    bool v1Tag() const { return m_v1Tag; }
    void Setv1Tag(bool v1);

    std::string Title() const;
    std::string Artist() const;
    std::string Year() const;
    std::string Album() const;
    std::string Comment() const;
    void SetTitle(std::string_view text) { SetTextField(1, text); }
    void SetArtist(std::string_view text) { SetTextField(2, text); }
    void SetYear(std::string_view text) { SetTextField(3, text); }
    void SetAlbum(std::string_view text) { SetTextField(4, text); }
    void SetComment(std::string_view text) { SetTextField(5, text); }
    // 1 Title (30), 2 Artist (30), 3 Year (4), 4 Album (30), 5 Comment (30,
    // or 28 in the ID3v1.1 layout); other indexes do nothing.
    void SetTextField(int index, std::string_view text);

    int Track() const { return m_track; }
    // Also chooses the layout: 0 gives ID3v1.0, anything else ID3v1.1.
    void SetTrack(int track);

    int GenreID() const { return m_genreId; }
    // Accepts 0..148; another number is stored and then raises
    // "List index out of bounds (N)" with Genre left as it was.
    void SetGenreID(int id);
    const std::string& Genre() const { return m_genre; }
    // Stores the name as given; GenreID becomes the first case-insensitive
    // match in Genres, or -1.
    void SetGenre(std::string_view name);

    // The built-in list: 148 names and an empty entry 148.
    static const std::vector<std::string>& Genres();
    static std::string About();

    void LoadFromFile(const std::string& fileName);
    // The same from the file already open as `fd` (its position stays);
    // `fileName` names it in a message.
    void LoadFromOpenFile(int fd, const std::string& fileName);
    // Reads the block that ends `size` bytes after the stream's position.
    void LoadFromStream(std::istream& stream, std::int64_t size);
    void ReadFromBuffer(const unsigned char* buffer, std::size_t size);

    // Overwrites an existing block in place or appends a new one.
    void SaveToFile(const std::string& fileName);
    void SaveToStream(std::ostream& stream);
    void SaveToBuffer(unsigned char* buffer, std::size_t size);

    // Cuts the last 128 bytes when they are a tag; the values stay.
    void RemoveFromFile(const std::string& fileName);

    const TagOptions& Options() const { return m_options; }

    // Empties the six texts and sets GenreID to kNoGenre.
    void Clear();

    // Where the ID3v1 block of the open file of `size` bytes starts: its
    // last 128 bytes when they begin with "TAG", else `size` (none).
    static std::int64_t TrailerStart(int fd, std::int64_t size);

private:
    std::string* fieldFor(int index);

    TagOptions m_options;
    const CodePage* m_codePage;

    bool m_tagPresent = false;
    bool m_tagModified = false;
    bool m_v1Tag = false;
    // The five texts as code-page bytes, already cut to their field widths.
    std::string m_title;
    std::string m_artist;
    std::string m_year;
    std::string m_album;
    std::string m_comment;
    int m_track = 0;
    int m_genreId = 0;
    std::string m_genre;
};
