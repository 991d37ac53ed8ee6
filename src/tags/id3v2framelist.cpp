#include "id3v2framelist.h"

#include "id3v2fields.h"
#include "id3v2lyrics.h"
#include "id3v2picture.h"
#include "id3v2text.h"

#include <algorithm>
#include <array>
#include <functional>
#include <utility>

namespace id3v2 {

namespace {

using Name = std::pair<std::string_view, std::string_view>;

// The frames of ID3v2.3 and ID3v2.4 and their names, sorted by id; then a
// few that taggers add beyond the standard (iTunes, the chapter addendum).
constexpr std::array kNames = {
    Name {"AENC", "Audio encryption"},
    Name {"APIC", "Attached picture"},
    Name {"ASPI", "Audio seek point index"},
    Name {"CHAP", "Chapter"},
    Name {"COMM", "Comments"},
    Name {"COMR", "Commercial frame"},
    Name {"CTOC", "Table of contents"},
    Name {"ENCR", "Encryption method registration"},
    Name {"EQU2", "Equalisation (2)"},
    Name {"EQUA", "Equalization"},
    Name {"ETCO", "Event timing codes"},
    Name {"GEOB", "General encapsulated object"},
    Name {"GRID", "Group identification registration"},
    Name {"IPLS", "Involved people list"},
    Name {"LINK", "Linked information"},
    Name {"MCDI", "Music CD identifier"},
    Name {"MLLT", "MPEG location lookup table"},
    Name {"OWNE", "Ownership frame"},
    Name {"PCNT", "Play counter"},
    Name {"POPM", "Popularimeter"},
    Name {"POSS", "Position synchronisation frame"},
    Name {"PRIV", "Private frame"},
    Name {"RBUF", "Recommended buffer size"},
    Name {"RVA2", "Relative volume adjustment (2)"},
    Name {"RVAD", "Relative volume adjustment"},
    Name {"RVRB", "Reverb"},
    Name {"SEEK", "Seek frame"},
    Name {"SIGN", "Signature frame"},
    Name {"SYLT", "Synchronised lyrics/text"},
    Name {"SYTC", "Synchronised tempo codes"},
    Name {"TALB", "Album/Movie/Show title"},
    Name {"TBPM", "BPM (beats per minute)"},
    Name {"TCMP", "Part of a compilation"},
    Name {"TCOM", "Composer"},
    Name {"TCON", "Content type"},
    Name {"TCOP", "Copyright message"},
    Name {"TDAT", "Date"},
    Name {"TDEN", "Encoding time"},
    Name {"TDLY", "Playlist delay"},
    Name {"TDOR", "Original release time"},
    Name {"TDRC", "Recording time"},
    Name {"TDRL", "Release time"},
    Name {"TDTG", "Tagging time"},
    Name {"TENC", "Encoded by"},
    Name {"TEXT", "Lyricist/Text writer"},
    Name {"TFLT", "File type"},
    Name {"TIME", "Time"},
    Name {"TIPL", "Involved people list"},
    Name {"TIT1", "Content group description"},
    Name {"TIT2", "Title/songname/content description"},
    Name {"TIT3", "Subtitle/Description refinement"},
    Name {"TKEY", "Initial key"},
    Name {"TLAN", "Language(s)"},
    Name {"TLEN", "Length"},
    Name {"TMCL", "Musician credits list"},
    Name {"TMED", "Media type"},
    Name {"TMOO", "Mood"},
    Name {"TOAL", "Original album/movie/show title"},
    Name {"TOFN", "Original filename"},
    Name {"TOLY", "Original lyricist(s)/text writer(s)"},
    Name {"TOPE", "Original artist(s)/performer(s)"},
    Name {"TORY", "Original release year"},
    Name {"TOWN", "File owner/licensee"},
    Name {"TPE1", "Lead performer(s)/Soloist(s)"},
    Name {"TPE2", "Band/orchestra/accompaniment"},
    Name {"TPE3", "Conductor/performer refinement"},
    Name {"TPE4", "Interpreted, remixed, or otherwise modified by"},
    Name {"TPOS", "Part of a set"},
    Name {"TPRO", "Produced notice"},
    Name {"TPUB", "Publisher"},
    Name {"TRCK", "Track number/Position in set"},
    Name {"TRDA", "Recording dates"},
    Name {"TRSN", "Internet radio station name"},
    Name {"TRSO", "Internet radio station owner"},
    Name {"TSIZ", "Size"},
    Name {"TSO2", "Album artist sort order"},
    Name {"TSOA", "Album sort order"},
    Name {"TSOC", "Composer sort order"},
    Name {"TSOP", "Performer sort order"},
    Name {"TSOT", "Title sort order"},
    Name {"TSRC", "ISRC (international standard recording code)"},
    Name {"TSSE", "Software/Hardware and settings used for encoding"},
    Name {"TSST", "Set subtitle"},
    Name {"TXXX", "User defined text information"},
    Name {"TYER", "Year"},
    Name {"UFID", "Unique file identifier"},
    Name {"USER", "Terms of use"},
    Name {"USLT", "Unsynchronised lyrics/text transcription"},
    Name {"WCOM", "Commercial information"},
    Name {"WCOP", "Copyright/Legal information"},
    Name {"WOAF", "Official audio file webpage"},
    Name {"WOAR", "Official artist/performer webpage"},
    Name {"WOAS", "Official audio source webpage"},
    Name {"WORS", "Official Internet radio station homepage"},
    Name {"WPAY", "Payment"},
    Name {"WPUB", "Publishers official webpage"},
    Name {"WXXX", "User defined URL link"},
};

const char* const kPictureTypes[] = {
    "Other", "32x32 pixels file icon", "Other file icon", "Cover (front)", "Cover (back)", "Leaflet page",
    "Media", "Lead artist/lead performer/soloist", "Artist/performer", "Conductor", "Band/Orchestra",
    "Composer", "Lyricist/text writer", "Recording Location", "During recording", "During performance",
    "Movie/video screen capture", "A bright coloured fish", "Illustration", "Band/artist logotype",
    "Publisher/Studio logotype"};

std::string firstLine(std::string_view text)
{
    const std::size_t end = text.find_first_of("\r\n");
    const bool more = end != std::string_view::npos && text.find_first_not_of("\r\n", end) != std::string_view::npos;
    return std::string(text.substr(0, end)) + (more ? " ..." : "");
}

std::string bytesText(std::uint64_t size)
{
    return std::to_string(size) + (size == 1 ? " byte" : " bytes");
}

// The description (or the link, for WXXX the second string) after the
// encoding byte, and what follows it.
bool readDescribed(std::string_view content, std::size_t skip, std::string& description, std::string& text,
                   bool latinText = false)
{
    if (content.size() < skip + 1)
        return false;
    const auto encoding = static_cast<unsigned char>(content[0]);
    std::string_view rest = content.substr(skip + 1);
    description = DecodeString(TakeString(rest, encoding), encoding);
    text = latinText ? DecodeString(TakeString(rest, Latin1), Latin1) : DecodeString(TakeString(rest, encoding), encoding);
    return true;
}

// Fills in what the frame of a kind says; false when it cannot be read.
bool readValue(const Frame& frame, FrameEntry& entry)
{
    const std::string_view content = frame.content();
    switch (entry.kind) {
    case FrameKind::Text:
        entry.text = DecodeFrameText(content);
        entry.summary = entry.text;
        return !content.empty();
    case FrameKind::UserText:
        if (!readDescribed(content, 0, entry.description, entry.text))
            return false;
        entry.summary = entry.text;
        return true;
    case FrameKind::Comment:
        if (content.size() < 4 || !readDescribed(content, 3, entry.description, entry.text))
            return false;
        entry.language = DecodeString(content.substr(1, 3), Latin1);
        entry.summary = firstLine(entry.text);
        return true;
    case FrameKind::UserUrl:
        if (!readDescribed(content, 0, entry.description, entry.text, true))
            return false;
        entry.summary = entry.text;
        return true;
    case FrameKind::Lyrics: {
        const std::optional<Lyrics> lyrics = ParseLyrics(frame);
        if (!lyrics)
            return false;
        entry.language = lyrics->language;
        entry.description = lyrics->description;
        entry.text = lyrics->text;
        entry.summary = firstLine(entry.text);
        return true;
    }
    case FrameKind::Url:
        entry.text = DecodeString(content.substr(0, content.find('\0')), Latin1);
        entry.summary = entry.text;
        return true;
    case FrameKind::SyncedLyrics: {
        const std::optional<SyncedLyrics> synced = ParseSyncedLyrics(frame);
        if (!synced)
            return false;
        entry.language = synced->language;
        entry.description = synced->description;
        for (const std::string& line : synced->lines)
            entry.text += (entry.text.empty() ? "" : "\n") + line;
        entry.summary = std::to_string(synced->lines.size()) + " timed lines, " + bytesText(entry.size);
        return true;
    }
    case FrameKind::Picture: {
        const std::optional<TagPicture> picture = ParsePicture(frame);
        if (!picture)
            return false;
        entry.description = picture->description;
        entry.summary = PictureTypeName(picture->type) + ", " + picture->mimeType + ", " + bytesText(entry.size);
        return true;
    }
    case FrameKind::Other:
        entry.summary = bytesText(entry.size);
        return true;
    case FrameKind::Kept:
        break;
    }
    return false;
}

}  // namespace

FrameKey KeyOf(const Frame& frame)
{
    FrameKey key;
    key.id = frame.id;
    key.status = frame.status;
    key.format = frame.format;
    key.size = frame.size();
    key.hash = std::hash<std::string_view> {}(frame.data);
    return key;
}

std::string_view FrameName(std::string_view id)
{
    const auto found = std::lower_bound(kNames.begin(), kNames.end(), id,
                                        [](const Name& name, std::string_view key) { return name.first < key; });
    return found != kNames.end() && found->first == id ? found->second : std::string_view();
}

std::string FrameFlagsText(unsigned char status, unsigned char format)
{
    static constexpr std::pair<unsigned char, const char*> kStatus[] = {
        {0x80, "discard on tag change"}, {0x40, "discard on file change"}, {0x20, "read only"}};
    static constexpr std::pair<unsigned char, const char*> kFormat[] = {
        {Frame::kCompressed, "compressed"}, {Frame::kEncrypted, "encrypted"}, {Frame::kGrouped, "grouped"}};
    std::string text;
    for (const auto& [bit, word] : kStatus)
        if (status & bit)
            text += (text.empty() ? "" : ", ") + std::string(word);
    for (const auto& [bit, word] : kFormat)
        if (format & bit)
            text += (text.empty() ? "" : ", ") + std::string(word);
    return text;
}

std::string PictureTypeName(int type)
{
    if (type >= 0 && type < static_cast<int>(std::size(kPictureTypes)))
        return kPictureTypes[type];
    return "Picture type " + std::to_string(type);
}

FrameKind EditedKind(std::string_view id)
{
    if (id == "TXXX")
        return FrameKind::UserText;
    if (id == "COMM")
        return FrameKind::Comment;
    if (id == "WXXX")
        return FrameKind::UserUrl;
    if (id == "USLT")
        return FrameKind::Lyrics;
    if (id.size() == 4 && id[0] == 'T' && !FrameName(id).empty())
        return FrameKind::Text;
    return FrameKind::Kept;
}

std::vector<std::string> EditableIds()
{
    std::vector<std::string> ids;
    for (const auto& [id, name] : kNames)
        if (EditedKind(id) == FrameKind::Text)
            ids.emplace_back(id);
    for (const char* id : {"TXXX", "COMM", "WXXX", "USLT"})
        ids.emplace_back(id);
    return ids;
}

FrameEntry DescribeFrame(const Frame& frame)
{
    FrameEntry entry;
    entry.key = KeyOf(frame);
    entry.size = frame.size() - kHeaderSize;
    const bool known = !FrameName(frame.id).empty();
    // A large frame whose content stays in the file is only listed.
    const bool whole = frame.tail.length == 0;
    if (frame.opaque() || !known)
        entry.kind = FrameKind::Kept;
    else if (EditedKind(frame.id) != FrameKind::Kept)
        entry.kind = whole ? EditedKind(frame.id) : FrameKind::Other;
    else if (frame.id == "SYLT" && whole)
        entry.kind = FrameKind::SyncedLyrics;
    else if (frame.id == "APIC")
        entry.kind = FrameKind::Picture;
    else if (frame.id[0] == 'W' && whole)
        entry.kind = FrameKind::Url;
    else
        entry.kind = FrameKind::Other;
    if (!readValue(frame, entry)) {
        entry.kind = FrameKind::Kept;
        entry.description.clear();
        entry.language.clear();
        entry.text.clear();
    }
    if (entry.kind == FrameKind::Kept)
        entry.summary = "kept as it is, " + bytesText(entry.size);
    return entry;
}

std::vector<FrameEntry> DescribeFrames(const std::vector<Frame>& frames)
{
    std::vector<FrameEntry> entries;
    entries.reserve(frames.size());
    for (const Frame& frame : frames)
        entries.push_back(DescribeFrame(frame));
    return entries;
}

FrameValue ValueOf(const FrameEntry& entry)
{
    FrameValue value;
    value.id = entry.id();
    value.description = entry.description;
    if (!entry.language.empty())
        value.language = entry.language;
    value.text = entry.text;
    return value;
}

Frame BuildFrame(const FrameValue& value, int major)
{
    const std::string language = IsLanguageCode(value.language) ? value.language : std::string("XXX");
    switch (EditedKind(value.id)) {
    case FrameKind::UserText:
    case FrameKind::Comment: {
        const unsigned char encoding = EncodingFor(value.description + value.text, major);
        std::string content(1, static_cast<char>(encoding));
        if (value.id == "COMM")
            content += language;
        content += EncodeStrings({value.description, value.text}, encoding);
        return MakeFrame(value.id, std::move(content));
    }
    case FrameKind::UserUrl: {
        const unsigned char encoding = EncodingFor(value.description, major);
        std::string content(1, static_cast<char>(encoding));
        content += EncodeString(value.description, encoding);
        content.append(TerminatorWidth(encoding), '\0');
        content += EncodeString(value.text, Latin1);
        return MakeFrame(value.id, std::move(content));
    }
    case FrameKind::Lyrics:
        return LyricsFrame({language, value.description, value.text}, major);
    default:
        return TextFrame(value.id.c_str(), value.text, major);
    }
}

}  // namespace id3v2
