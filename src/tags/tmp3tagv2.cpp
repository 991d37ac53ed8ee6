#include "tmp3tagv2.h"

#include "filedescriptor.h"
#include "id3v2fields.h"
#include "id3v2genre.h"
#include "id3v2reader.h"
#include "id3v2text.h"
#include "rebuildfile.h"
#include "tagerror.h"

#include <cerrno>
#include <new>
#include <vector>

#include <fcntl.h>

namespace {

using id3v2::Frame;

void assignTrimmed(std::string& field, std::string_view text) noexcept
{
    try {
        field = id3v2::TrimRight(text);
    } catch (...) {
        // No memory for the new text: the old one stays.
    }
}

// The frames of the new tag: the seven fields first, in their fixed order,
// then every other frame of the old tag in its order. A field whose value is
// what the old tag says keeps its frames as they are; a changed field gets a
// new frame (none when it is empty), which replaces all of its old frames.
std::vector<Frame> newFrames(std::vector<Frame> old, const std::array<const std::string*, id3v2::kFieldCount>& texts,
                             int track)
{
    using namespace id3v2;
    const Fields fields = FindFields(old);
    std::vector<bool> placed(old.size(), false);
    std::vector<Frame> out;
    out.reserve(old.size() + kFieldCount);
    for (std::size_t field = 0; field < kFieldCount; ++field) {
        for (const std::size_t i : fields.frames[field])
            placed[i] = true;
        const bool unchanged = field == kTrack ? ParseTrackNumber(fields.texts[kTrack]) == track
                                               : fields.texts[field] == *texts[field];
        if (unchanged) {
            for (const std::size_t i : fields.frames[field])
                out.push_back(std::move(old[i]));
            continue;
        }
        if (field == kTrack) {
            if (track != 0)
                out.push_back(TextFrame("TRCK", std::to_string(track)));
        } else if (field == kComment) {
            // An empty comment is still written when another comment frame
            // without description follows: that one would read as the comment.
            if (!texts[field]->empty() || fields.moreComments)
                out.push_back(CommentFrame(fields.commentLanguage, *texts[field]));
        } else if (!texts[field]->empty()) {
            out.push_back(TextFrame(kFieldIds[field], field == kGenre ? GenreText(*texts[field]) : *texts[field]));
        }
    }
    for (std::size_t i = 0; i < old.size(); ++i)
        if (!placed[i])
            out.push_back(std::move(old[i]));
    return out;
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
}

void Tmp3TagV2::SetTitle(std::string_view text) { assignTrimmed(m_title, text); }
void Tmp3TagV2::SetArtist(std::string_view text) { assignTrimmed(m_artist, text); }
void Tmp3TagV2::SetAlbum(std::string_view text) { assignTrimmed(m_album, text); }
void Tmp3TagV2::SetYear(std::string_view text) { assignTrimmed(m_year, text); }
void Tmp3TagV2::SetGenre(std::string_view text) { assignTrimmed(m_genre, text); }
void Tmp3TagV2::SetComment(std::string_view text) { assignTrimmed(m_comment, text); }

void Tmp3TagV2::SetTrack(int track)
{
    m_track = (track < 0 || track > 65535) ? 0 : track;
}

bool Tmp3TagV2::fail(std::string_view reason) noexcept
{
    try {
        m_lastError = reason;
    } catch (...) {
        m_lastError.clear();
    }
    return false;
}

bool Tmp3TagV2::failToOpen() noexcept
{
    const int error = errno;
    if (error == 0)
        return fail("The file is too short to hold an ID3v2 tag");
    try {
        return fail(SystemErrorText(error));
    } catch (...) {
        return fail({});
    }
}

template <typename Operation>
bool Tmp3TagV2::guarded(Operation operation) noexcept
{
    m_lastError.clear();
    try {
        return operation();
    } catch (const std::bad_alloc&) {
        return fail("Not enough memory");
    } catch (...) {
        return fail("Unexpected error");
    }
}

bool Tmp3TagV2::LoadFromFile(const std::string& fileName)
{
    Clear();
    const bool loaded = guarded([&] { return load(fileName); });
    if (!loaded)
        Clear();
    return loaded;
}

bool Tmp3TagV2::SaveToFile(const std::string& fileName)
{
    return guarded([&] { return save(fileName); });
}

bool Tmp3TagV2::RemoveFromFile(const std::string& fileName)
{
    return guarded([&] { return remove(fileName); });
}

bool Tmp3TagV2::load(const std::string& fileName)
{
    errno = 0;
    const FileDescriptor file(::open(fileName.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK));
    id3v2::TagInfo info;
    if (!file.valid() || !id3v2::ReadTagHeader(file.get(), info))
        return failToOpen();
    if (!info.hasId3())
        return true;
    m_tagPresent = true;
    m_majorVersion = info.majorVersion();
    m_tagSize = id3v2::TagSizeOf(info);
    const id3v2::TagFrames tag = id3v2::ReadTag(file.get(), info, m_tagSize, id3v2::ReadMode::Fields);
    id3v2::Fields fields = id3v2::FindFields(tag.frames);
    m_title = std::move(fields.texts[id3v2::kTitle]);
    m_artist = std::move(fields.texts[id3v2::kArtist]);
    m_album = std::move(fields.texts[id3v2::kAlbum]);
    m_track = id3v2::ParseTrackNumber(fields.texts[id3v2::kTrack]);
    m_year = std::move(fields.texts[id3v2::kYear]);
    m_genre = std::move(fields.texts[id3v2::kGenre]);
    m_comment = std::move(fields.texts[id3v2::kComment]);
    return true;
}

bool Tmp3TagV2::save(const std::string& fileName)
{
    errno = 0;
    const FileDescriptor file(::open(fileName.c_str(), O_RDWR | O_CLOEXEC | O_NONBLOCK));
    id3v2::TagInfo info;
    if (!file.valid() || !id3v2::ReadTagHeader(file.get(), info))
        return failToOpen();

    std::int64_t oldTagSize = 0;
    id3v2::TagFrames tag;
    if (info.hasId3()) {
        oldTagSize = id3v2::TagSizeOf(info);
        tag = id3v2::ReadTag(file.get(), info, oldTagSize, id3v2::ReadMode::Everything);
        if (!tag.failure.empty())
            return fail(tag.failure);
    }
    const std::vector<Frame> frames = newFrames(
        std::move(tag.frames), {&m_title, &m_artist, &m_album, nullptr, &m_year, &m_genre, &m_comment}, m_track);
    std::uint64_t framesSize = 0;
    for (const Frame& frame : frames)
        framesSize += frame.size();
    if (framesSize > id3v2::kMaxTagBodySize)
        return fail("The tag is larger than an ID3v2 tag can be");

    const ContentWriter writeContent = [&](FileWriter& out) {
        if (!out.write(id3v2::BuildTagHeader(static_cast<std::uint32_t>(framesSize))))
            return false;
        for (const Frame& frame : frames)
            if (!out.write(id3v2::FrameHeader(frame)) || !out.write(frame.data)
                || !out.copy(frame.tail.offset, frame.tail.length))
                return false;
        return out.copy(oldTagSize, info.fileSize - oldTagSize);
    };
    std::string error;
    return RebuildFile(fileName, file.get(), writeContent, error) || fail(error);
}

bool Tmp3TagV2::remove(const std::string& fileName)
{
    errno = 0;
    const FileDescriptor file(::open(fileName.c_str(), O_RDWR | O_CLOEXEC | O_NONBLOCK));
    id3v2::TagInfo info;
    if (!file.valid() || !id3v2::ReadTagHeader(file.get(), info))
        return failToOpen();
    if (!info.hasId3())
        return fail("The file has no ID3v2 tag");
    // A header whose size runs past the end of the file cannot be told apart
    // from the audio; leave such a file alone rather than report a removal
    // that did not happen.
    const std::int64_t tagSize = id3v2::TagSizeOf(info);
    if (tagSize == 0)
        return fail("The ID3v2 tag is damaged: its size runs past the end of the file");
    const ContentWriter writeContent = [&](FileWriter& out) { return out.copy(tagSize, info.fileSize - tagSize); };
    std::string error;
    return RebuildFile(fileName, file.get(), writeContent, error) || fail(error);
}
