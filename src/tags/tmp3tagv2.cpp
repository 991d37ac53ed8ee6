#include "tmp3tagv2.h"

#include "filedescriptor.h"
#include "id3v2frames.h"
#include "id3v2text.h"
#include "rebuildfile.h"
#include "tmp3tagv1.h"

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cstring>
#include <system_error>

#include <fcntl.h>
#include <unistd.h>

namespace {

// Entries 0..147 of the genre list are names; 148 is the empty entry.
constexpr long long kNamedGenres = 148;


// Reads a whole text as a decimal integer (an optional sign, then digits).
bool parseInteger(std::string_view text, long long& value)
{
    if (!text.empty() && text[0] == '+')
        text.remove_prefix(1);
    if (text.empty())
        return false;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    return ec == std::errc() && end == text.data() + text.size();
}

// The number before any "/" ("7/12" gives 7), held in 0..65535; anything
// else gives 0.
int ParseTrackNumber(std::string_view text)
{
    std::string trimmed = id3v2::Trim(text);
    const std::size_t slash = trimmed.find('/');
    if (slash != std::string::npos)
        trimmed = id3v2::Trim(std::string_view(trimmed).substr(0, slash));
    long long value = 0;
    if (!parseInteger(trimmed, value) || value < 0 || value > 65535)
        return 0;
    return static_cast<int>(value);
}

// A genre given as a bare reference into the genre list, "(17)" or "17",
// gives the name; otherwise everything up to the last ")" is dropped, so
// "(17)Rock" and "(17) Rock" give "Rock".
std::string StripGenreNumber(std::string_view text)
{
    const std::string trimmed = id3v2::Trim(text);
    std::string_view number(trimmed);
    if (number.size() >= 2 && number.front() == '(' && number.back() == ')')
        number = number.substr(1, number.size() - 2);
    long long value = 0;
    if (!number.empty() && number[0] != '+' && number[0] != '-' && parseInteger(number, value)
        && value >= 0 && value < kNamedGenres)
        return Tmp3TagV1::Genres()[static_cast<std::size_t>(value)];
    const std::size_t close = trimmed.rfind(')');
    return close == std::string::npos ? trimmed : id3v2::Trim(std::string_view(trimmed).substr(close + 1));
}

std::string textFrame(const char* id, const std::string& text)
{
    const unsigned char encoding = id3v2::EncodingFor(text);
    // Appended rather than joined with operator+ on two temporaries, which
    // GCC 12 at -O3 inlines into a copy it wrongly warns may overlap.
    std::string content(1, static_cast<char>(encoding));
    content += id3v2::EncodeString(text, encoding);
    return id3v2::BuildFrame(id, content);
}

std::string commentFrame(const std::string& text)
{
    const unsigned char encoding = id3v2::EncodingFor(text);
    std::string content(1, static_cast<char>(encoding));
    content += "eng";
    content += id3v2::EncodeString("", encoding);
    content.append(id3v2::TerminatorWidth(encoding), '\0');
    content += id3v2::EncodeString(text, encoding);
    return id3v2::BuildFrame("COMM", content);
}

}  // namespace

Tmp3TagV2::Tmp3TagV2()
{
    Clear();
}

void Tmp3TagV2::Clear()
{
    m_tagPresent = false;
    m_majorVersion = 0;
    m_tagSize = 0;
    m_title.clear();
    m_artist.clear();
    m_album.clear();
    m_track = 0;
    m_year.clear();
    m_genre.clear();
    m_comment.clear();
    m_loadedTrackText.clear();
    m_loadedTrack = 0;
}

void Tmp3TagV2::SetTitle(std::string_view text) { m_title = id3v2::TrimRight(text); }
void Tmp3TagV2::SetArtist(std::string_view text) { m_artist = id3v2::TrimRight(text); }
void Tmp3TagV2::SetAlbum(std::string_view text) { m_album = id3v2::TrimRight(text); }
void Tmp3TagV2::SetYear(std::string_view text) { m_year = id3v2::TrimRight(text); }
void Tmp3TagV2::SetGenre(std::string_view text) { m_genre = id3v2::TrimRight(text); }
void Tmp3TagV2::SetComment(std::string_view text) { m_comment = id3v2::TrimRight(text); }

void Tmp3TagV2::SetTrack(int track)
{
    m_track = (track < 0 || track > 65535) ? 0 : track;
}

bool Tmp3TagV2::fail(std::string reason)
{
    m_lastError = std::move(reason);
    return false;
}

bool Tmp3TagV2::failWithErrno()
{
    const int error = errno;
    std::string text = error != 0 ? std::system_category().message(error) : "Input/output error";
    while (!text.empty() && (static_cast<unsigned char>(text.back()) <= 32 || text.back() == '.'))
        text.pop_back();
    return fail(std::move(text));
}

bool Tmp3TagV2::LoadFromFile(const std::string& fileName)
{
    Clear();
    m_lastError.clear();
    errno = 0;
    const FileDescriptor file(::open(fileName.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK));
    id3v2::TagInfo info;
    if (file.get() < 0 || !id3v2::ReadTagHeader(file.get(), info))
        return failWithErrno();
    if (!info.hasId3())
        return true;
    m_tagPresent = true;
    m_majorVersion = info.majorVersion();
    m_tagSize = id3v2::TagSizeOf(info);
    const id3v2::TagContents tag = id3v2::ReadFrames(file.get(), info, m_tagSize, false);
    m_title = tag.title;
    m_artist = tag.artist;
    m_album = tag.album;
    m_year = tag.year;
    m_genre = StripGenreNumber(tag.genre);
    m_comment = tag.comment;
    m_track = ParseTrackNumber(tag.track);
    m_loadedTrackText = tag.track;
    m_loadedTrack = m_track;
    return true;
}

bool Tmp3TagV2::SaveToFile(const std::string& fileName)
{
    m_lastError.clear();
    errno = 0;
    const FileDescriptor file(::open(fileName.c_str(), O_RDWR | O_CLOEXEC | O_NONBLOCK));
    id3v2::TagInfo info;
    if (file.get() < 0 || !id3v2::ReadTagHeader(file.get(), info))
        return failWithErrno();

    std::int64_t oldTagSize = 0;
    std::vector<std::string> otherFrames;
    if (info.hasId3()) {
        oldTagSize = id3v2::TagSizeOf(info);
        otherFrames = id3v2::ReadFrames(file.get(), info, oldTagSize, true).otherFrames;
    }

    // While the track number is what the load found, its text is written
    // back as it was, so "7/12" keeps its total.
    std::string trackText;
    if (m_track == m_loadedTrack && !m_loadedTrackText.empty())
        trackText = m_loadedTrackText;
    else if (m_track != 0)
        trackText = std::to_string(m_track);

    std::string frames;
    const std::pair<const char*, const std::string*> texts[] = {
        {"TIT2", &m_title}, {"TPE1", &m_artist}, {"TALB", &m_album}, {"TRCK", &trackText},
        {"TYER", &m_year},  {"TCON", &m_genre}};
    for (const auto& [id, text] : texts)
        if (!text->empty())
            frames += textFrame(id, *text);
    // An empty comment is still written, as an empty COMM frame, while other
    // COMM frames (iTunNORM, ...) stay in the tag: otherwise the next load
    // would take the first of those as the comment.
    const bool otherComments = std::any_of(otherFrames.begin(), otherFrames.end(),
                                           [](const std::string& frame) { return frame.compare(0, 4, "COMM") == 0; });
    if (!m_comment.empty() || otherComments)
        frames += commentFrame(m_comment);
    for (const std::string& frame : otherFrames)
        frames += frame;
    if (frames.size() > id3v2::kMaxTagBodySize)
        return fail("The tag is larger than an ID3v2 tag can be");

    const std::string tag = id3v2::BuildTagHeader(static_cast<std::uint32_t>(frames.size())) + frames;
    errno = 0;
    return RebuildFile(fileName, file.get(), oldTagSize, tag) || failWithErrno();
}

bool Tmp3TagV2::RemoveFromFile(const std::string& fileName)
{
    m_lastError.clear();
    errno = 0;
    const FileDescriptor file(::open(fileName.c_str(), O_RDWR | O_CLOEXEC | O_NONBLOCK));
    id3v2::TagInfo info;
    if (file.get() < 0 || !id3v2::ReadTagHeader(file.get(), info))
        return failWithErrno();
    if (!info.hasId3())
        return fail("The file has no ID3v2 tag");
    // A header whose size runs past the end of the file cannot be told apart
    // from the audio; leave such a file alone rather than report a removal
    // that did not happen.
    const std::int64_t tagSize = id3v2::TagSizeOf(info);
    if (tagSize == 0)
        return fail("The ID3v2 tag is damaged: its size runs past the end of the file");
    errno = 0;
    return RebuildFile(fileName, file.get(), tagSize, {}) || failWithErrno();
}
