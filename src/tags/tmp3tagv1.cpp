#include "tmp3tagv1.h"

#include "codepage.h"
#include "filedescriptor.h"
#include "filesave.h"
#include "mp3content.h"
#include "tagerror.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstring>
#include <istream>
#include <ostream>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr std::size_t kTitleWidth = 30;
constexpr std::size_t kYearWidth = 4;
constexpr std::size_t kCommentWidth = 30;
constexpr std::size_t kShortCommentWidth = 28;

// The genre list as one comma-separated, double-quoted text; an entry's
// position is its genre number. The last entry is empty.
constexpr const char* kGenreText =
    "\"Blues\",\"Classic Rock\",\"Country\",\"Dance\",\"Disco\",\"Funk\",\"Grunge\",\"Hip-Hop\","
    "\"Jazz\",\"Metal\",\"New Age\",\"Oldies\",\"Other\",\"Pop\",\"R&B\",\"Rap\",\"Reggae\",\"Rock\","
    "\"Techno\",\"Industrial\",\"Alternative\",\"Ska\",\"Death Metal\",\"Pranks\",\"Soundtrack\","
    "\"Euro-Techno\",\"Ambient\",\"Trip-Hop\",\"Vocal\",\"Jazz+Funk\",\"Fusion\",\"Trance\","
    "\"Classical\",\"Instrumental\",\"Acid\",\"House\",\"Game\",\"Sound Clip\",\"Gospel\",\"Noise\","
    "\"AlternRock\",\"Bass\",\"Soul\",\"Punk\",\"Space\",\"Meditative\",\"Instrumental Pop\","
    "\"Instrumental Rock\",\"Ethnic\",\"Gothic\",\"Darkwave\",\"Techno-Industrial\",\"Electronic\","
    "\"Pop-Folk\",\"Eurodance\",\"Dream\",\"Southern Rock\",\"Comedy\",\"Cult\",\"Gangsta\",\"Top 40\","
    "\"Christian Rap\",\"Pop/Funk\",\"Jungle\",\"Native American\",\"Cabaret\",\"New Wave\","
    "\"Psychedelic\",\"Rave\",\"Showtunes\",\"Trailer\",\"Lo-Fi\",\"Tribal\",\"Acid Punk\",\"Acid Jazz\","
    "\"Polka\",\"Retro\",\"Musical\",\"Rock & Roll\",\"Hard Rock\",\"Folk\",\"Folk/Rock\","
    "\"National Folk\",\"Swing\",\"Fast Fusion\",\"Bebob\",\"Latin\",\"Revival\",\"Celtic\","
    "\"Bluegrass\",\"Avantgarde\",\"Gothic Rock\",\"Progressive Rock\",\"Psychedelic Rock\","
    "\"Symphonic Rock\",\"Slow Rock\",\"Big Band\",\"Chorus\",\"Easy Listening\",\"Acoustic\","
    "\"Humour\",\"Speech\",\"Chanson\",\"Opera\",\"Chamber Music\",\"Sonata\",\"Symphony\","
    "\"Booty Bass\",\"Primus\",\"Porn Groove\",\"Satire\",\"Slow Jam\",\"Club\",\"Tango\",\"Samba\","
    "\"Folklore\",\"Ballad\",\"Power Ballad\",\"Rhythmic Soul\",\"Freestyle\",\"Duet\",\"Punk Rock\","
    "\"Drum Solo\",\"Acapella\",\"Euro-House\",\"Dance Hall\",\"Goa\",\"Drum & Bass\",\"Club-House\","
    "\"Hardcore\",\"Terror\",\"Indie\",\"BritPop\",\"Negerpunk\",\"Polsk Punk\",\"Beat\","
    "\"Christian Gangs\",\"Heavy Metal\",\"Black Metal\",\"Crossover\",\"Contemporary Ch?\","
    "\"Cristian Rock\",\"Merengue\",\"Salsa\",\"Thrash Metal\",\"Anime\",\"JPop\",\"Synthpop\",\"\"";

std::vector<std::string> parseQuotedList(const char* text)
{
    std::vector<std::string> entries;
    const std::string_view all(text);
    std::size_t pos = 0;
    while (pos < all.size()) {
        const std::size_t open = all.find('"', pos);
        if (open == std::string_view::npos)
            break;
        const std::size_t close = all.find('"', open + 1);
        entries.emplace_back(all.substr(open + 1, close - open - 1));
        pos = close + 1;
    }
    return entries;
}

bool equalsIgnoringCase(std::string_view a, std::string_view b)
{
    return a.size() == b.size()
        && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               const auto lower = [](char c) { return (c >= 'A' && c <= 'Z') ? char(c + 32) : c; };
               return lower(x) == lower(y);
           });
}

// Text rule of a field when read: cut at the first zero byte, then drop
// trailing bytes of code 32 or less. Leading spaces stay.
std::string readField(const unsigned char* field, std::size_t width)
{
    std::size_t len = 0;
    while (len < width && field[len] != 0)
        ++len;
    while (len > 0 && field[len - 1] <= 32)
        --len;
    return std::string(reinterpret_cast<const char*>(field), len);
}

void writeField(unsigned char* field, std::size_t width, const std::string& bytes)
{
    const std::size_t n = std::min(width, bytes.size());
    std::memcpy(field, bytes.data(), n);
    std::memset(field + n, ' ', width - n);
}


FileDescriptor openOrThrow(const std::string& fileName, int flags)
{
    // Without blocking, and only a regular file: a FIFO or device where a
    // file is expected is refused ("not a regular file").
    FileDescriptor file = OpenRegularFile(fileName, flags);
    if (!file.valid())
        throw OpenError(fileName, errno);
    return file;
}

struct stat statOf(int fd, const std::string& fileName)
{
    struct stat st {};
    if (::fstat(fd, &st) != 0)
        throw OpenError(fileName, errno);
    return st;
}

struct stat statOf(const FileDescriptor& file, const std::string& fileName)
{
    return statOf(file.get(), fileName);
}


}  // namespace

Tmp3TagV1::Tmp3TagV1(const TagOptions& options)
    : m_options(options)
    , m_genre(Genres()[0])
{
    const CodePage* page = CodePage::Find(options.codePage);
    m_codePage = page ? page : &CodePage::Default();
}

const std::vector<std::string>& Tmp3TagV1::Genres()
{
    static const std::vector<std::string> genres = parseQuotedList(kGenreText);
    return genres;
}

std::string Tmp3TagV1::About()
{
    return "ID3v1 and ID3v1.1 tag component, version 1.0";
}

std::string Tmp3TagV1::Title() const { return m_codePage->ToUtf8(m_title); }
std::string Tmp3TagV1::Artist() const { return m_codePage->ToUtf8(m_artist); }
std::string Tmp3TagV1::Year() const { return m_codePage->ToUtf8(m_year); }
std::string Tmp3TagV1::Album() const { return m_codePage->ToUtf8(m_album); }
std::string Tmp3TagV1::Comment() const { return m_codePage->ToUtf8(m_comment); }

std::string* Tmp3TagV1::fieldFor(int index)
{
    switch (index) {
    case 1: return &m_title;
    case 2: return &m_artist;
    case 3: return &m_year;
    case 4: return &m_album;
    case 5: return &m_comment;
    default: return nullptr;
    }
}

void Tmp3TagV1::SetTextField(int index, std::string_view text)
{
    std::string* field = fieldFor(index);
    if (!field)
        return;
    std::size_t width = kTitleWidth;
    if (index == 3)
        width = kYearWidth;
    else if (index == 5)
        width = m_v1Tag ? kCommentWidth : kShortCommentWidth;
    std::string bytes = m_codePage->FromUtf8(text);
    if (bytes.size() > width)
        bytes.resize(width);
    if (bytes == *field)
        return;
    *field = std::move(bytes);
    m_tagModified = true;
}

void Tmp3TagV1::Setv1Tag(bool v1)
{
    if (v1 == m_v1Tag)
        return;
    m_v1Tag = v1;
    m_tagModified = true;
}

void Tmp3TagV1::SetTrack(int track)
{
    if (track == m_track)
        return;
    m_track = track;
    m_v1Tag = (track == 0);
    m_tagModified = true;
}

void Tmp3TagV1::SetGenreID(int id)
{
    if (id == m_genreId)
        return;
    m_genreId = id;
    const auto& genres = Genres();
    if (id < 0 || id >= static_cast<int>(genres.size()))
        throw TagError("List index out of bounds (" + std::to_string(id) + ")");
    m_genre = genres[static_cast<std::size_t>(id)];
    m_tagModified = true;
}

void Tmp3TagV1::SetGenre(std::string_view name)
{
    if (name == m_genre)
        return;
    m_genre = std::string(name);
    const auto& genres = Genres();
    const auto it = std::find_if(genres.begin(), genres.end(),
                                 [&](const std::string& g) { return equalsIgnoringCase(g, name); });
    m_genreId = it == genres.end() ? -1 : static_cast<int>(it - genres.begin());
    m_tagModified = true;
}

void Tmp3TagV1::Clear()
{
    m_genreId = kNoGenre;
    m_title.clear();
    m_artist.clear();
    m_album.clear();
    m_year.clear();
    m_comment.clear();
    m_genre.clear();
}

void Tmp3TagV1::ReadFromBuffer(const unsigned char* buffer, std::size_t size)
{
    Clear();
    m_tagPresent = false;
    m_tagModified = false;
    if (size < kBlockSize || std::memcmp(buffer, "TAG", 3) != 0)
        return;
    m_tagPresent = true;
    m_title = readField(buffer + 3, kTitleWidth);
    m_artist = readField(buffer + 33, kTitleWidth);
    m_album = readField(buffer + 63, kTitleWidth);
    m_year = readField(buffer + 93, kYearWidth);
    m_comment = readField(buffer + 97, kCommentWidth);
    if (buffer[125] != 0) {
        m_v1Tag = true;
        m_track = 0;
    } else if (buffer[126] != 0) {
        m_v1Tag = false;
        m_track = buffer[126];
    } else {
        m_v1Tag = true;
        m_track = 0;
    }
    m_genreId = buffer[127];
    const auto& genres = Genres();
    m_genre = m_genreId < static_cast<int>(genres.size()) ? genres[m_genreId] : std::string();
}

void Tmp3TagV1::LoadFromStream(std::istream& stream, std::int64_t size)
{
    Clear();
    if (size < static_cast<std::int64_t>(kBlockSize)) {
        m_tagPresent = false;
        return;
    }
    std::array<unsigned char, kBlockSize> block {};
    stream.seekg(size - static_cast<std::int64_t>(kBlockSize), std::ios::cur);
    stream.read(reinterpret_cast<char*>(block.data()), kBlockSize);
    if (stream.gcount() != static_cast<std::streamsize>(kBlockSize))
        throw TagError("Stream read error");
    ReadFromBuffer(block.data(), kBlockSize);
}

void Tmp3TagV1::LoadFromFile(const std::string& fileName)
{
    const FileDescriptor file = openOrThrow(fileName, O_RDONLY);
    LoadFromOpenFile(file.get(), fileName);
}

void Tmp3TagV1::LoadFromOpenFile(int fd, const std::string& fileName)
{
    const std::int64_t size = statOf(fd, fileName).st_size;
    Clear();
    if (size < static_cast<std::int64_t>(kBlockSize)) {
        m_tagPresent = false;
        return;
    }
    std::array<unsigned char, kBlockSize> block {};
    if (!ReadAt(fd, block.data(), kBlockSize, size - static_cast<std::int64_t>(kBlockSize)))
        throw TagError("Cannot read file \"" + fileName + "\". " + SystemErrorText(errno ? errno : EIO));
    ReadFromBuffer(block.data(), kBlockSize);
}

void Tmp3TagV1::SaveToBuffer(unsigned char* buffer, std::size_t size)
{
    if (size < kBlockSize)
        throw TagError("TID3v1Tag.Save: Buffer too small");
    std::memcpy(buffer, "TAG", 3);
    writeField(buffer + 3, kTitleWidth, m_title);
    writeField(buffer + 33, kTitleWidth, m_artist);
    writeField(buffer + 63, kTitleWidth, m_album);
    writeField(buffer + 93, kYearWidth, m_year);
    writeField(buffer + 97, kCommentWidth, m_comment);
    if (!m_v1Tag) {
        buffer[125] = 0;
        buffer[126] = static_cast<unsigned char>(m_track & 0xFF);
    }
    buffer[127] = static_cast<unsigned char>(m_genreId & 0xFF);
    m_tagModified = false;
}

void Tmp3TagV1::SaveToStream(std::ostream& stream)
{
    std::array<unsigned char, kBlockSize> block {};
    SaveToBuffer(block.data(), kBlockSize);
    stream.write(reinterpret_cast<const char*>(block.data()), kBlockSize);
    if (!stream)
        throw TagError("Stream write error");
}

std::int64_t Tmp3TagV1::TrailerStart(int fd, std::int64_t size)
{
    if (size < static_cast<std::int64_t>(kBlockSize))
        return size;
    unsigned char head[3] = {};
    const std::int64_t start = size - static_cast<std::int64_t>(kBlockSize);
    return ReadAt(fd, head, 3, start) && std::memcmp(head, "TAG", 3) == 0 ? start : size;
}

void Tmp3TagV1::SaveToFile(const std::string& fileName)
{
    const FileDescriptor file = openOrThrow(fileName, O_RDWR);
    // A trailer appended to a picture or another format would damage it.
    if (Mp3Content::OfFile(file.get()) == Mp3Content::Verdict::NotMp3)
        throw TagError("Cannot write file \"" + fileName + "\". It is " + Mp3Content::kNotMp3);
    const struct stat before = statOf(file, fileName);
    std::array<unsigned char, kBlockSize> block {};
    SaveToBuffer(block.data(), kBlockSize);
    FileEdit edit;
    edit.backStart = TrailerStart(file.get(), before.st_size);
    edit.back.assign(reinterpret_cast<const char*>(block.data()), kBlockSize);
    edit.keepModificationTime = m_options.keepModificationTime;
    std::string error;
    if (!SaveFileEdit(fileName, file.get(), edit, error))
        throw TagError("Cannot write file \"" + fileName + "\". " + error);
}

void Tmp3TagV1::RemoveFromFile(const std::string& fileName)
{
    const FileDescriptor file = openOrThrow(fileName, O_RDWR);
    const struct stat before = statOf(file, fileName);
    FileEdit edit;
    edit.backStart = TrailerStart(file.get(), before.st_size);
    if (edit.backStart == before.st_size)
        return;
    if (Mp3Content::OfFile(file.get()) == Mp3Content::Verdict::NotMp3)
        throw TagError("Cannot write file \"" + fileName + "\". It is " + Mp3Content::kNotMp3);
    edit.keepModificationTime = m_options.keepModificationTime;
    std::string error;
    if (!SaveFileEdit(fileName, file.get(), edit, error))
        throw TagError("Cannot write file \"" + fileName + "\". " + error);
}
