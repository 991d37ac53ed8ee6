#include "tmp3tagv2.h"

#include "codepage.h"
#include "id3v2extrafields.h"
#include "filedescriptor.h"
#include "id3v2fields.h"
#include "id3v2genre.h"
#include "id3v2picture.h"
#include "id3v2reader.h"
#include "id3v2text.h"
#include "id3v2upgrade.h"
#include "mp3content.h"
#include "filesave.h"
#include "filewriter.h"
#include "tagerror.h"
#include "tmp3tagv1.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <new>
#include <vector>

#include <fcntl.h>

namespace {

using id3v2::Frame;

// The versions involved in a save: the one the read frames are in (4 only
// for an ID3v2.4 tag kept as it is) and the one written.
struct Versions {
    int frames = 3;
    int written = 3;
};

Versions versionsFor(Id3v2WriteVersion option, const id3v2::TagInfo& info)
{
    const bool version4 = info.hasId3() && info.majorVersion() == 4;
    Versions versions;
    if (option == Id3v2WriteVersion::V24 || (option == Id3v2WriteVersion::Keep && version4))
        versions.written = 4;
    if (versions.written == 4 && version4)
        versions.frames = 4;
    return versions;
}

// A new recording time for a changed year: the month, day and time of the
// old one (the last readable frame of the year, whose year the user saw)
// stay when it is a time stamp.
std::string recordingTime(const std::vector<Frame>& old, const id3v2::Fields& fields, const std::string& year)
{
    const std::vector<std::size_t>& frames = fields.frames[id3v2::kYear];
    const auto last = std::find_if(frames.rbegin(), frames.rend(), [&](std::size_t i) { return !old[i].opaque(); });
    if (last == frames.rend())
        return year;
    return id3v2::RecordingTimeWithYear(id3v2::DecodeFrameText(old[*last].content()), year);
}

// A TDRC frame of an older tag that cannot be read (compressed beyond
// repair, encrypted) stays a TDRC frame when the tag becomes ID3v2.4, where
// it is a frame of the year: it goes to the year's place, where a save of
// the new tag keeps it.
void placeUnreadableRecordingTimes(std::vector<Frame>& old, std::vector<bool>& placed, std::vector<Frame>& out)
{
    for (std::size_t i = 0; i < old.size(); ++i)
        if (!placed[i] && old[i].id == "TDRC" && old[i].opaque()) {
            placed[i] = true;
            out.push_back(std::move(old[i]));
        }
}

// The frames of the new tag: the seven fields first, in their fixed order,
// then every other frame of the old tag in its order. A field whose value is
// what the old tag says keeps its frames as they are; a changed field gets a
// new frame (none when it is empty), which replaces all of its old frames.
// The track is compared by its number, or by its whole text `trackText`
// when that was set.
std::vector<Frame> newFrames(std::vector<Frame> old, const std::array<const std::string*, id3v2::kFieldCount>& texts,
                             int track, const std::string* trackText, Versions versions)
{
    using namespace id3v2;
    const Fields fields = FindFields(old, versions.frames);
    std::vector<bool> placed(old.size(), false);
    std::vector<Frame> out;
    out.reserve(old.size() + kFieldCount);
    for (std::size_t field = 0; field < kFieldCount; ++field) {
        for (const std::size_t i : fields.frames[field])
            placed[i] = true;
        const bool unchanged = field != kTrack ? fields.texts[field] == *texts[field]
            : trackText                        ? fields.texts[kTrack] == *trackText
                                               : ParseTrackNumber(fields.texts[kTrack]) == track;
        static const std::string kNoText;
        const std::string& text = field == kTrack ? kNoText : *texts[field];
        if (unchanged) {
            for (const std::size_t i : fields.frames[field])
                out.push_back(std::move(old[i]));
        } else if (field == kTrack) {
            if (trackText && !trackText->empty())
                out.push_back(TextFrame("TRCK", *trackText, versions.written));
            else if (!trackText && track != 0)
                out.push_back(TextFrame("TRCK", std::to_string(track), versions.written));
        } else if (field == kComment) {
            // An empty comment is still written when another comment frame
            // without description follows: that one would read as the comment.
            if (!text.empty() || fields.moreComments)
                out.push_back(CommentFrame(fields.commentLanguage, text, versions.written));
        } else if (!text.empty()) {
            std::string value = text;
            if (field == kGenre && versions.frames == 3)
                value = GenreText(text);
            else if (field == kYear && versions.frames == 4)
                value = recordingTime(old, fields, text);
            out.push_back(TextFrame(FieldId(field, versions.frames), value, versions.written));
        }
        if (field == kYear && versions.frames == 3 && versions.written == 4)
            placeUnreadableRecordingTimes(old, placed, out);
    }
    for (std::size_t i = 0; i < old.size(); ++i)
        if (!placed[i])
            out.push_back(std::move(old[i]));
    return out;
}

// Why a tag of a later version than the program knows is left alone: a
// tag of ours written over it would throw away what the program cannot read.
std::string unsupportedVersion(const id3v2::TagInfo& info)
{
    return "The ID3v2 tag's version (2." + std::to_string(info.majorVersion()) + ") is not supported";
}

// Opens the file for `access` and reads its tag header into `info`; an
// invalid descriptor when either fails, with errno saying why (0 for a file
// too short to hold a tag header).
FileDescriptor openTag(const std::string& fileName, int access, id3v2::TagInfo& info)
{
    errno = 0;
    // Only a regular file, opened without blocking: a FIFO is refused.
    FileDescriptor file = OpenRegularFile(fileName, access);
    if (file.valid() && !id3v2::ReadTagHeader(file.get(), info)) {
        const int error = errno;
        file = FileDescriptor(-1);
        errno = error;
    }
    return file;
}

// Puts the encoding-0 code page of a tag object in place for one operation
// on this thread.
class EncodingZeroScope final {
public:
    explicit EncodingZeroScope(const CodePage* page)
        : m_previous(id3v2::EncodingZeroCodePage())
    {
        id3v2::SetEncodingZeroCodePage(page);
    }
    ~EncodingZeroScope() { id3v2::SetEncodingZeroCodePage(m_previous); }
    EncodingZeroScope(const EncodingZeroScope&) = delete;
    EncodingZeroScope& operator=(const EncodingZeroScope&) = delete;

private:
    const CodePage* m_previous;
};

// The room a growing tag gets for later edits: `asked` bytes when given,
// else 1% of the file, at least 1 KiB and at most 64 KiB.
std::uint64_t RoomForLaterEdits(std::int64_t fileSize, long long asked)
{
    if (asked >= 0)
        return static_cast<std::uint64_t>(asked);
    const std::int64_t percent = fileSize / 100;
    return static_cast<std::uint64_t>(std::clamp<std::int64_t>(percent, 1024, 64 * 1024));
}

// Where the audio of a file of `fileSize` bytes ends: before its ID3v1
// trailer, when it has one after its ID3v2 tag of `tagSize` bytes.
std::int64_t AudioEnd(int fd, std::int64_t fileSize, std::int64_t tagSize)
{
    const std::int64_t trailer = Tmp3TagV1::TrailerStart(fd, fileSize);
    return trailer >= tagSize ? trailer : fileSize;
}

// The edit's new trailer from `audioEnd` on: the block of `v1`, or none.
void SetTrailer(FileEdit& edit, Tmp3TagV1* v1, std::int64_t audioEnd)
{
    edit.backStart = audioEnd;
    edit.back.clear();
    if (v1) {
        std::array<unsigned char, Tmp3TagV1::kBlockSize> block {};
        v1->SaveToBuffer(block.data(), block.size());
        edit.back.assign(reinterpret_cast<const char*>(block.data()), block.size());
    }
}

}  // namespace

Tmp3TagV2::Tmp3TagV2(const TagOptions& options)
    : m_options(options)
{
    if (options.codePageForId3v2) {
        const CodePage* page = CodePage::Find(options.codePage);
        if (page && !page->IsDefault())
            m_encodingZero = page;
    }
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
    m_trackText.clear();
    m_trackTextSet = false;
    m_year.clear();
    m_genre.clear();
    m_comment.clear();
    for (std::string& extra : m_extras)
        extra.clear();
    m_userTexts.clear();
    m_extraChanges.clear();
    m_cover.reset();
    m_coverChange = CoverChange::Keep;
    m_newCover.clear();
    m_frameList.clear();
    m_tagEdits = {};
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
    const EncodingZeroScope encodingZero(m_encodingZero);
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

bool Tmp3TagV2::LoadFromOpenFile(int fd)
{
    Clear();
    const bool loaded = guarded([&] { return load(fd); });
    if (!loaded)
        Clear();
    return loaded;
}

bool Tmp3TagV2::SaveToFile(const std::string& fileName, FolderFlushes* laterFlushes, Tmp3TagV1* v1, bool removeV1)
{
    return guarded([&] { return save(fileName, laterFlushes, v1, removeV1); });
}

bool Tmp3TagV2::RemoveFromFile(const std::string& fileName, FolderFlushes* laterFlushes, bool withV1,
                               Tmp3TagV1* newV1)
{
    return guarded([&] { return remove(fileName, laterFlushes, withV1, newV1); });
}

bool Tmp3TagV2::LoadCover(const std::string& fileName)
{
    m_cover.reset();
    return guarded([&] { return loadCover(fileName); });
}

bool Tmp3TagV2::LoadFrames(const std::string& fileName)
{
    m_frameList.clear();
    return guarded([&] { return loadFrames(fileName); });
}

bool Tmp3TagV2::load(const std::string& fileName)
{
    errno = 0;
    // Only a regular file, opened without blocking: a FIFO is refused.
    const FileDescriptor file = OpenRegularFile(fileName, O_RDONLY);
    return file.valid() ? load(file.get()) : failToOpen();
}

bool Tmp3TagV2::load(int fd)
{
    id3v2::TagInfo info;
    errno = 0;
    if (!id3v2::ReadTagHeader(fd, info))
        return failToOpen();
    if (!info.hasId3())
        return true;
    m_tagPresent = true;
    m_majorVersion = info.majorVersion();
    m_tagSize = id3v2::TagSizeOf(info);
    const id3v2::TagFrames tag = id3v2::ReadTag(fd, info, m_tagSize, id3v2::ReadMode::Fields);
    id3v2::Fields fields = id3v2::FindFields(tag.frames);
    m_title = std::move(fields.texts[id3v2::kTitle]);
    m_artist = std::move(fields.texts[id3v2::kArtist]);
    m_album = std::move(fields.texts[id3v2::kAlbum]);
    m_track = id3v2::ParseTrackNumber(fields.texts[id3v2::kTrack]);
    m_trackText = std::move(fields.texts[id3v2::kTrack]);
    m_year = std::move(fields.texts[id3v2::kYear]);
    m_genre = std::move(fields.texts[id3v2::kGenre]);
    m_comment = std::move(fields.texts[id3v2::kComment]);
    id3v2::ExtraFields extras = id3v2::FindExtraFields(tag.frames);
    m_extras = std::move(extras.texts);
    m_userTexts = std::move(extras.userTexts);
    return true;
}

bool Tmp3TagV2::loadCover(const std::string& fileName)
{
    id3v2::TagInfo info;
    const FileDescriptor file = openTag(fileName, O_RDONLY, info);
    if (!file.valid())
        return failToOpen();
    if (!info.hasId3())
        return true;
    const id3v2::TagFrames tag = id3v2::ReadTag(file.get(), info, id3v2::TagSizeOf(info), id3v2::ReadMode::Pictures);
    if (const std::optional<std::size_t> cover = id3v2::FindCover(tag.frames))
        m_cover = id3v2::ParsePicture(tag.frames[*cover]);
    return true;
}

bool Tmp3TagV2::loadFrames(const std::string& fileName)
{
    id3v2::TagInfo info;
    const FileDescriptor file = openTag(fileName, O_RDONLY, info);
    if (!file.valid())
        return failToOpen();
    if (!info.hasId3())
        return true;
    if (info.majorVersion() > 4)
        return fail(unsupportedVersion(info));
    // Read as the save reads, so that the list's places are the save's.
    const Versions versions = versionsFor(m_options.writeVersion, info);
    const id3v2::ReadMode mode = versions.frames == 4 ? id3v2::ReadMode::Native : id3v2::ReadMode::Everything;
    const id3v2::TagFrames tag = id3v2::ReadTag(file.get(), info, id3v2::TagSizeOf(info), mode);
    if (!tag.failure.empty())
        return fail(tag.failure);
    m_frameList = id3v2::DescribeFrames(tag.frames);
    m_frameListMajor = versions.frames;
    return true;
}

bool Tmp3TagV2::save(const std::string& fileName, FolderFlushes* laterFlushes, Tmp3TagV1* v1, bool removeV1)
{
    std::string coverMimeType;
    if (m_coverChange == CoverChange::Set) {
        const std::string refused = id3v2::CheckPicture(m_newCover, coverMimeType);
        if (!refused.empty())
            return fail(refused);
    }
    id3v2::TagInfo info;
    const FileDescriptor file = openTag(fileName, O_RDWR, info);
    if (!file.valid())
        return failToOpen();
    if (Mp3Content::OfFile(file.get()) == Mp3Content::Verdict::NotMp3)
        return fail(Mp3Content::kNotMp3);

    if (info.hasId3() && info.majorVersion() > 4)
        return fail(unsupportedVersion(info));
    const Versions versions = versionsFor(m_options.writeVersion, info);
    std::int64_t oldTagSize = 0;
    id3v2::TagFrames tag;
    if (info.hasId3()) {
        oldTagSize = id3v2::TagSizeOf(info);
        const id3v2::ReadMode mode = versions.frames == 4 ? id3v2::ReadMode::Native : id3v2::ReadMode::Everything;
        tag = id3v2::ReadTag(file.get(), info, oldTagSize, mode);
        if (!tag.failure.empty())
            return fail(tag.failure);
    }
    // Edits of single frames and of the lyrics come first (they name frames
    // by their place in the tag read); the fields the user left alone then
    // say what the edited frames say.
    id3v2::FieldValues values {{m_title, m_artist, m_album, {}, m_year, m_genre, m_comment},
                               m_track,
                               m_trackTextSet ? std::optional<std::string>(m_trackText) : std::nullopt};
    std::string editError;
    if (!id3v2::ApplyTagEdits(m_tagEdits, tag.frames, versions.frames, versions.written, values, editError))
        return fail(editError);
    id3v2::ApplyExtraChanges(tag.frames, m_extraChanges, versions.frames, versions.written);
    const auto& texts = values.texts;
    std::vector<Frame> frames = newFrames(std::move(tag.frames),
                                          {&texts[0], &texts[1], &texts[2], nullptr, &texts[4], &texts[5], &texts[6]},
                                          values.track, values.trackText ? &*values.trackText : nullptr, versions);
    if (m_coverChange == CoverChange::Remove || m_coverChange == CoverChange::RemoveFront) {
        const std::optional<std::size_t> cover = m_coverChange == CoverChange::Remove ? id3v2::FindCover(frames)
                                                                                    : id3v2::FindFrontCover(frames);
        if (cover)
            frames.erase(frames.begin() + static_cast<std::ptrdiff_t>(*cover));
    } else if (m_coverChange == CoverChange::Set) {
        Frame picture = id3v2::FrontCoverFrame(coverMimeType, m_newCover);
        if (const std::optional<std::size_t> front = id3v2::FindFrontCover(frames))
            frames[*front] = std::move(picture);
        else
            frames.push_back(std::move(picture));
    }
    if (versions.written == 4) {
        if (versions.frames == 3)
            id3v2::UpgradeToVersion4(frames);
        for (Frame& frame : frames)
            frame = id3v2::ToVersion4Layout(std::move(frame));
    }
    std::uint64_t framesSize = 0;
    for (const Frame& frame : frames)
        framesSize += frame.size();
    if (framesSize > id3v2::kMaxTagBodySize)
        return fail("The tag is larger than an ID3v2 tag can be");

    // The new tag takes the room of the old one when it fits there, so that
    // it is written in place; one that grows gets room for later edits.
    const std::uint64_t room = oldTagSize >= static_cast<std::int64_t>(id3v2::kHeaderSize)
        ? static_cast<std::uint64_t>(oldTagSize) - id3v2::kHeaderSize
        : 0;
    std::uint64_t padding = 0;
    if (oldTagSize > 0 && framesSize <= room)
        padding = room - framesSize;
    else if (m_options.leaveRoom)
        padding = std::min<std::uint64_t>(RoomForLaterEdits(info.fileSize, m_options.padding),
                                          id3v2::kMaxTagBodySize - framesSize);

    FileEdit edit;
    edit.frontLength = oldTagSize;
    edit.keepModificationTime = m_options.keepModificationTime;
    const std::string header = id3v2::BuildTagHeader(static_cast<std::uint32_t>(framesSize + padding), versions.written);
    const bool large = std::any_of(frames.begin(), frames.end(), [](const Frame& f) { return f.tail.length > 0; });
    if (large) {
        // Frames too large to hold stay in the file until they are copied
        // into the new one.
        edit.writeFront = [&](FileWriter& out) {
            if (!out.write(header))
                return false;
            for (const Frame& frame : frames)
                if (!out.write(id3v2::FrameHeader(frame, versions.written)) || !out.write(frame.data)
                    || !out.copy(frame.tail.offset, frame.tail.length))
                    return false;
            return out.write(std::string(static_cast<std::size_t>(padding), '\0'));
        };
    } else {
        std::string& front = edit.front;
        front.reserve(header.size() + framesSize + padding);
        front = header;
        for (const Frame& frame : frames) {
            front += id3v2::FrameHeader(frame, versions.written);
            front += frame.data;
        }
        front.append(static_cast<std::size_t>(padding), '\0');
    }
    // A new ID3v1 block takes the place of the file's trailer.
    if (v1 || removeV1)
        SetTrailer(edit, v1, AudioEnd(file.get(), info.fileSize, oldTagSize));
    std::string error;
    if (!SaveFileEdit(fileName, file.get(), edit, error, laterFlushes))
        return fail(error);
    m_tagEdits.frames = {};
    return true;
}

bool Tmp3TagV2::remove(const std::string& fileName, FolderFlushes* laterFlushes, bool withV1, Tmp3TagV1* newV1)
{
    id3v2::TagInfo info;
    const FileDescriptor file = openTag(fileName, O_RDWR, info);
    if (!file.valid())
        return failToOpen();
    if (!info.hasId3())
        return fail("The file has no ID3v2 tag");
    if (info.majorVersion() > 4)
        return fail(unsupportedVersion(info));
    if (Mp3Content::OfFile(file.get()) == Mp3Content::Verdict::NotMp3)
        return fail(Mp3Content::kNotMp3);
    // A header whose size runs past the end of the file cannot be told apart
    // from the audio; leave such a file alone rather than report a removal
    // that did not happen.
    const std::int64_t tagSize = id3v2::TagSizeOf(info);
    if (tagSize == 0)
        return fail("The ID3v2 tag is damaged: its size runs past the end of the file");
    FileEdit edit;
    edit.frontLength = tagSize;
    if (withV1 || newV1)
        SetTrailer(edit, newV1, AudioEnd(file.get(), info.fileSize, tagSize));
    edit.keepModificationTime = m_options.keepModificationTime;
    std::string error;
    return SaveFileEdit(fileName, file.get(), edit, error, laterFlushes)
        || fail(error);
}
