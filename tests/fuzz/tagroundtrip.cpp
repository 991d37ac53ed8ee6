#include "tagroundtrip.h"
#include "audioproperties.h"
#include "id3v2convert.h"

#include "tagerror.h"
#include "tmp3tagv1.h"
#include "tmp3tagv2.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <optional>
#include <string>
#include <iterator>
#include <sstream>
#include <string_view>
#include <tuple>
#include <utility>
#include <vector>

namespace {

std::string readAll(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

struct V1Values {
    bool present = false;
    bool v1Layout = false;
    std::string title, artist, album, year, comment, genre;
    int track = 0;
    int genreId = 0;

    bool operator==(const V1Values&) const = default;
};

struct V2Values {
    std::string title, artist, album, year, genre, comment;
    int track = 0;

    bool operator==(const V2Values&) const = default;
};

V1Values valuesOf(const Tmp3TagV1& tag)
{
    return {tag.TagPresent(), tag.v1Tag(), tag.Title(), tag.Artist(), tag.Album(), tag.Year(),
            tag.Comment(), tag.Genre(), tag.Track(), tag.GenreID()};
}

V2Values valuesOf(const Tmp3TagV2& tag)
{
    return {tag.Title(), tag.Artist(), tag.Album(), tag.Year(), tag.Genre(), tag.Comment(), tag.Track()};
}

std::string describe(const V2Values& v)
{
    std::ostringstream out;
    out << "title=[" << v.title << "] artist=[" << v.artist << "] album=[" << v.album << "] year=["
        << v.year << "] genre=[" << v.genre << "] comment=[" << v.comment << "] track=" << v.track;
    return out.str();
}

std::string describe(const V1Values& v)
{
    std::ostringstream out;
    out << "present=" << v.present << " v1=" << v.v1Layout << " title=[" << v.title << "] artist=["
        << v.artist << "] album=[" << v.album << "] year=[" << v.year << "] comment=[" << v.comment
        << "] genre=[" << v.genre << "] track=" << v.track << " genreId=" << v.genreId;
    return out.str();
}

// True when the bytes start with "ID3" but the file ends before the header
// or before the size the header declares (taken as four 7-bit groups, plus
// the footer of a version 2.4 tag).
bool tagRunsPastEnd(const std::string& bytes)
{
    if (bytes.compare(0, 3, "ID3") != 0)
        return false;
    if (bytes.size() < 10)
        return true;
    const auto* s = reinterpret_cast<const unsigned char*>(bytes.data()) + 6;
    const std::uint64_t declared = (std::uint64_t(s[0]) << 21) + (std::uint64_t(s[1]) << 14)
        + (std::uint64_t(s[2]) << 7) + s[3] + 10;
    const bool footer = bytes[3] == 4 && (bytes[5] & 0x10);
    return declared + (footer ? 10 : 0) > bytes.size();
}

// One frame of an ID3v2.3 tag as it stands in the file.
struct RawFrame {
    std::string id;
    std::string flags;
    std::string content;
    // Its id breaks the rule (lower case, a blank, a zero at the end): the
    // program keeps such a frame byte for byte and never looks into it.
    bool oddId = false;

    bool operator<(const RawFrame& other) const
    {
        return std::tie(id, flags, content, oddId) < std::tie(other.id, other.flags, other.content, other.oddId);
    }
    bool operator==(const RawFrame& other) const = default;

    // The content after the extra bytes the format flags announce
    // (decompressed size, encryption method, group symbol).
    std::string_view payload() const
    {
        const auto format = static_cast<unsigned char>(flags[1]);
        const std::size_t extra = ((format & 0x80) ? 4 : 0) + ((format & 0x40) ? 1 : 0) + ((format & 0x20) ? 1 : 0);
        return std::string_view(content).substr(std::min(extra, content.size()));
    }
};

// The frames of an ID3v2.3 tag without unsynchronisation or extended header
// at the start of `bytes`, up to padding or damage; nothing for other tags.
// A frame whose id breaks the rule but whose size fits is one; of a last
// frame that runs past the end of the tag, what the tag holds.
std::vector<RawFrame> framesOf(const std::string& bytes)
{
    std::vector<RawFrame> frames;
    if (bytes.size() < 10 || bytes.compare(0, 3, "ID3") != 0 || bytes[3] != 3 || bytes[5] != 0)
        return frames;
    const auto b = [&](std::size_t i) { return static_cast<std::size_t>(static_cast<unsigned char>(bytes[i])); };
    // The size as the tag reader takes it: a byte with its top bit set adds
    // its whole value.
    const std::size_t end = std::min(bytes.size(), 10 + (b(6) << 21) + (b(7) << 14) + (b(8) << 7) + b(9));
    const auto idChar = [](char c) { return (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9'); };
    const auto oddChar = [&](char c) { return idChar(c) || (c >= 'a' && c <= 'z'); };
    for (std::size_t pos = 10; pos + 10 <= end;) {
        const char* id = &bytes[pos];
        const bool valid = id[0] >= 'A' && id[0] <= 'Z' && std::all_of(id, id + 4, idChar);
        const bool odd = !valid && oddChar(id[0]) && std::all_of(id + 1, id + 3, [&](char c) { return oddChar(c) || c == ' '; })
            && (oddChar(id[3]) || id[3] == ' ' || id[3] == '\0');
        if (!valid && !odd)
            break;
        std::size_t size = (b(pos + 4) << 24) | (b(pos + 5) << 16) | (b(pos + 6) << 8) | b(pos + 7);
        if (size > end - pos - 10) {
            if (odd)
                break;
            size = end - pos - 10;
        }
        frames.push_back({bytes.substr(pos, 4), bytes.substr(pos + 8, 2), bytes.substr(pos + 10, size), odd});
        pos += 10 + size;
    }
    return frames;
}

bool isFieldFrame(const std::string& id)
{
    return id == "TIT2" || id == "TPE1" || id == "TALB" || id == "TRCK" || id == "TYER" || id == "TCON";
}

// Whether a COMM frame's short description is empty: nothing before its
// terminator but a byte-order mark (or, in UTF-16, a lone byte).
bool hasEmptyDescription(const RawFrame& frame)
{
    const std::string_view c = frame.payload();
    if (c.size() < 4)
        return false;
    const char encoding = c[0];
    const bool wide = encoding == 1 || encoding == 2;
    const std::string_view rest = std::string_view(c).substr(4);
    std::string_view piece = rest.substr(0, rest.find('\0'));
    if (wide) {
        piece = rest;
        for (std::size_t i = 0; i + 1 < rest.size(); i += 2)
            if (rest[i] == '\0' && rest[i + 1] == '\0') {
                piece = rest.substr(0, i);
                break;
            }
    }
    const auto startsWith = [&](std::string_view mark) { return piece.substr(0, mark.size()) == mark; };
    if ((encoding == 1 && (startsWith("\xFF\xFE") || startsWith("\xFE\xFF"))) || (encoding == 2 && startsWith("\xFE\xFF")))
        piece.remove_prefix(2);
    else if (encoding == 3 && startsWith("\xEF\xBB\xBF"))
        piece.remove_prefix(3);
    return wide ? piece.size() < 2 : piece.empty();
}

// A frame whose texts are in an encoding ID3v2.3 does not know (2: UTF-16BE
// without mark, 3: UTF-8).
bool hasForeignEncoding(const RawFrame& frame)
{
    static const std::string encoded = "APIC COMM COMR GEOB GRP1 IPLS MVIN MVNM OWNE SYLT USER USLT WXXX";
    const bool hasEncoding = !frame.oddId && (frame.id[0] == 'T' || encoded.find(frame.id) != std::string::npos);
    const std::string_view payload = frame.payload();
    return hasEncoding && !(frame.flags[1] & 0xC0) && !payload.empty() && (payload[0] == 2 || payload[0] == 3);
}

// Whether the program may rewrite a frame's bytes without changing its
// meaning: compressed content is decompressed, texts in foreign encodings
// are re-encoded, chapter frames carry such frames inside.
bool mayBeRewritten(const RawFrame& frame)
{
    const auto format = static_cast<unsigned char>(frame.flags[1]);
    return ((format & 0x80) && !(format & 0x40)) || frame.id == "CHAP" || frame.id == "CTOC"
        || hasForeignEncoding(frame);
}

// The frames of a version 3 tag other than the seven fields: every COMM
// frame but the first one without description, and no frame of the six
// other field ids.
std::vector<RawFrame> otherFrames(const std::vector<RawFrame>& frames)
{
    std::vector<RawFrame> others;
    bool commentSeen = false;
    for (const RawFrame& frame : frames) {
        if (isFieldFrame(frame.id))
            continue;
        if (frame.id == "COMM" && !(frame.flags[1] & 0xC0) && hasEmptyDescription(frame) && !commentSeen) {
            commentSeen = true;
            continue;
        }
        others.push_back(frame);
    }
    return others;
}

// Every frame of `before` (an ID3v2.3 tag) other than the seven fields is
// in `after` with the same bytes, or at least with its id when the program
// may rewrite it; and no frame of `after` holds an encoding ID3v2.3 lacks.
std::string checkOtherFrames(const std::string& before, const std::string& after)
{
    std::vector<RawFrame> kept = otherFrames(framesOf(before));
    std::vector<RawFrame> written = otherFrames(framesOf(after));
    std::sort(kept.begin(), kept.end());
    std::sort(written.begin(), written.end());
    for (const RawFrame& frame : written)
        if (hasForeignEncoding(frame))
            return "frame " + frame.id + " was written with text encoding " + std::to_string(int(frame.payload()[0]));
    for (const RawFrame& frame : kept) {
        const bool rewritable = mayBeRewritten(frame);
        const auto same = std::find_if(written.begin(), written.end(), [&](const RawFrame& w) {
            return rewritable ? w.id == frame.id : w == frame;
        });
        if (same == written.end())
            return "frame " + frame.id + " of " + std::to_string(frame.content.size()) + " bytes was lost";
        written.erase(same);
    }
    return {};
}

// What save() returns when the ID3v2 save was refused, rightly, with the
// file left as it was.
const std::string kRefused = "refused";

// A save may refuse a tag it cannot carry whole into a new one: one of a
// version the program does not know, or one with bytes after its frames
// that are neither frames nor padding; and any save refuses a file whose
// content is not MPEG audio (or tags alone).
bool isRefusal(const std::string& error)
{
    return error == "The ID3v2 tag holds bytes that are not frames; saving would lose them"
        || error.rfind("The ID3v2 tag's version (2.", 0) == 0 || error == "not an MP3 file";
}

// Loads both tags; an error text when a load misbehaves.
std::string load(const std::string& path, Tmp3TagV1& v1, Tmp3TagV2& v2, std::int64_t fileSize)
{
    try {
        v1.LoadFromFile(path);
    } catch (const TagError& e) {
        return std::string("ID3v1 load failed: ") + e.what();
    }
    if (!v2.LoadFromFile(path) && fileSize >= 10)
        return "ID3v2 load failed";
    return {};
}

// Saves both tags, the ID3v1 block first; an error text when a save fails.
std::string save(const std::string& path, Tmp3TagV1& v1, Tmp3TagV2& v2)
{
    const std::string original = readAll(path);
    try {
        v1.SaveToFile(path);
    } catch (const TagError& e) {
        if (std::string(e.what()).find("not an MP3 file") != std::string::npos)
            return readAll(path) == original ? kRefused : "a refused ID3v1 save changed the file";
        return std::string("ID3v1 save failed: ") + e.what();
    }
    // The ID3v1 block just written makes even an empty file long enough to
    // hold an ID3v2 header, so the save has no reason to fail but a refusal.
    const std::string before = readAll(path);
    if (!v2.SaveToFile(path)) {
        if (isRefusal(v2.LastError()))
            return readAll(path) == before ? kRefused : "a refused ID3v2 save changed the file";
        return "ID3v2 save failed: " + v2.LastError();
    }
    return {};
}

// Loads both tags, edits them, saves them and checks what reads back.
std::string checkEditedSave(const std::string& path, const std::string& audio)
{
    const std::string before = readAll(path);
    Tmp3TagV1 v1;
    Tmp3TagV2 v2;
    if (std::string error = load(path, v1, v2, 10); !error.empty())
        return "before the edit: " + error;

    const std::string v1Title = v1.Title();
    const std::string v1Artist = v1.Artist();
    const std::string v1Album = v1.Album();
    // The track first: it chooses the ID3v1.1 layout, where the comment
    // field is 28 bytes wide (a comment set before is cut only on save).
    v1.SetTrack(v1.Track() % 255 + 1);
    v1.SetTitle(v1Artist);
    v1.SetArtist(v1Title);
    v1.SetComment(v1Album);
    // A text cut to its field width may end in blanks or control characters,
    // which are the field's padding once written.
    V1Values v1Expected = valuesOf(v1);
    for (std::string* text : {&v1Expected.title, &v1Expected.artist, &v1Expected.comment})
        while (!text->empty() && static_cast<unsigned char>(text->back()) <= 32)
            text->pop_back();

    // Every field of the ID3v2 tag: texts moved between fields, a genre
    // that begins with "(" (written escaped), another track number.
    const V2Values v2Before = valuesOf(v2);
    V2Values v2Expected = v2Before;
    v2Expected.title = v2Before.artist;
    v2Expected.artist = v2Before.title;
    v2Expected.album = v2Before.comment;
    v2Expected.comment = v2Before.album;
    v2Expected.year = v2Before.genre;
    v2Expected.genre = "(" + v2Before.year;
    v2Expected.track = v2Expected.track == 65535 ? 1 : v2Expected.track + 1;
    v2.SetTitle(v2Expected.title);
    v2.SetArtist(v2Expected.artist);
    v2.SetAlbum(v2Expected.album);
    v2.SetComment(v2Expected.comment);
    v2.SetYear(v2Expected.year);
    v2.SetGenre(v2Expected.genre);
    v2.SetTrack(v2Expected.track);

    if (std::string error = save(path, v1, v2); !error.empty())
        return "edited save: " + error;
    const std::string saved = readAll(path);
    Tmp3TagV1 v1After;
    Tmp3TagV2 v2After;
    if (std::string error = load(path, v1After, v2After, 10); !error.empty())
        return "after the edited save: " + error;
    if (valuesOf(v1After) != v1Expected)
        return "edited ID3v1 values: " + describe(v1Expected) + " -> " + describe(valuesOf(v1After));
    if (valuesOf(v2After) != v2Expected)
        return "edited ID3v2 values: " + describe(v2Expected) + " -> " + describe(valuesOf(v2After));
    if (std::string error = checkOtherFrames(before, saved); !error.empty())
        return "edited save: " + error;
    const auto tagSize = static_cast<std::size_t>(v2After.TagSize());
    if (saved.size() != tagSize + audio.size() + 128 || saved.compare(tagSize, audio.size(), audio) != 0)
        return "the audio changed in the edited save";
    return {};
}

// Writes the ID3v2 tag of a copy of the file as ID3v2.4 with title and
// artist swapped: the values read back as set, the audio stays, and a second
// save that keeps the version changes nothing.
std::string checkVersion4Save(const std::string& path, const std::string& original, const std::string& audio)
{
    const std::string copy = path + ".v24";
    std::ofstream(copy, std::ios::binary | std::ios::trunc).write(original.data(), static_cast<std::streamsize>(original.size()));
    TagOptions options;
    options.writeVersion = Id3v2WriteVersion::V24;
    Tmp3TagV2 v2(options);
    if (!v2.LoadFromFile(copy))
        return "version 4: load failed";
    const int oldVersion = v2.MajorVersion();
    V2Values expected = valuesOf(v2);
    std::swap(expected.title, expected.artist);
    v2.SetTitle(expected.title);
    v2.SetArtist(expected.artist);
    if (!v2.SaveToFile(copy)) {
        if (!isRefusal(v2.LastError()))
            return "version 4: save failed: " + v2.LastError();
        const bool unchanged = readAll(copy) == original;
        std::remove(copy.c_str());
        return unchanged ? std::string() : "version 4: a refused save changed the file";
    }
    const std::string saved = readAll(copy);
    Tmp3TagV2 after;
    if (!after.LoadFromFile(copy) || after.MajorVersion() != 4)
        return "version 4: no ID3v2.4 tag after the save";
    V2Values got = valuesOf(after);
    // An older tag's year frame becomes the recording time, whose year is
    // the one found in it: a year text that is not a plain year ("Oct 3,
    // 1995", or none at all) reads as that year, its text kept in the frame.
    if (oldVersion < 4 && got.year != expected.year && got.year == id3v2::YearOfRecordingTime(expected.year))
        got.year = expected.year;
    if (got != expected)
        return "version 4 values: " + describe(expected) + " -> " + describe(valuesOf(after));
    if (saved.compare(static_cast<std::size_t>(after.TagSize()), audio.size(), audio) != 0)
        return "version 4: the audio changed";
    options.writeVersion = Id3v2WriteVersion::Keep;
    Tmp3TagV2 again(options);
    if (!again.LoadFromFile(copy) || !again.SaveToFile(copy) || readAll(copy) != saved)
        return "version 4: a second save of the same values changed the file";
    std::remove(copy.c_str());
    return {};
}

}  // namespace

// What is wrong with audio properties read from any bytes: a sample rate,
// version, layer or channel count MPEG audio does not have, a negative length
// or bitrate.
std::string checkAudio(const std::optional<AudioProperties>& audio)
{
    if (!audio)
        return {};
    static constexpr int kRates[] = {44100, 48000, 32000, 22050, 24000, 16000, 11025, 12000, 8000};
    if (std::find(std::begin(kRates), std::end(kRates), audio->sampleRate) == std::end(kRates))
        return "audio properties: sample rate " + std::to_string(audio->sampleRate);
    if (audio->channels < 1 || audio->channels > 2 || audio->layer < 1 || audio->layer > 3
        || (audio->mpegVersion != 10 && audio->mpegVersion != 20 && audio->mpegVersion != 25))
        return "audio properties: bad channels, layer or version";
    if (audio->lengthMs < 0 || audio->bitrateKbps < 0)
        return "audio properties: negative length or bitrate";
    return {};
}

std::string CheckTagRoundTrip(const std::string& path)
{
    const std::string original = readAll(path);
    const auto size = static_cast<std::int64_t>(original.size());

    Tmp3TagV1 v1;
    Tmp3TagV2 v2;
    if (std::string error = load(path, v1, v2, size); !error.empty())
        return error;
    const V1Values v1Before = valuesOf(v1);
    const V2Values v2Before = valuesOf(v2);
    const std::optional<AudioProperties> audioBefore = ReadAudioPropertiesOf(path);
    if (std::string error = checkAudio(audioBefore); !error.empty())
        return error;

    // The audio: what lies between the ID3v2 tag and the ID3v1 block. When
    // the two overlap (a tag that claims the whole file) there is none, and
    // writing the ID3v1 block may change the ID3v2 tag, so only the basic
    // checks apply.
    const std::int64_t audioBegin = v2.TagSize();
    const std::int64_t audioEnd = size - (v1.TagPresent() ? 128 : 0);
    // Likewise an ID3v2 tag cut short by the end of the file (its header, or
    // its declared size): the ID3v1 block appended to it may complete it.
    const bool separate = audioBegin <= audioEnd && !tagRunsPastEnd(original);
    const std::string audio = separate ? original.substr(static_cast<std::size_t>(audioBegin),
                                                         static_cast<std::size_t>(audioEnd - audioBegin))
                                       : std::string();

    if (separate && size >= 10) {
        if (std::string error = checkVersion4Save(path, original, audio); !error.empty())
            return error;
    }

    if (std::string error = save(path, v1, v2); error == kRefused)
        return {};  // the tag stays as it was; nothing more to check
    else if (!error.empty())
        return error;
    const std::string saved = readAll(path);

    Tmp3TagV1 v1After;
    Tmp3TagV2 v2After;
    if (std::string error = load(path, v1After, v2After, static_cast<std::int64_t>(saved.size()));
        !error.empty())
        return "after save: " + error;
    if (!v2After.TagPresent() || v2After.MajorVersion() != 3 || v2After.TagSize() <= 0)
        return "no ID3v2.3 tag after the save";

    V2Values v2Expected = v2Before;
    if (separate) {
        if (!v1After.TagPresent())
            return "no ID3v1 block after the save";
        const auto tagSize = static_cast<std::size_t>(v2After.TagSize());
        if (saved.size() != tagSize + audio.size() + 128)
            return "file size " + std::to_string(saved.size()) + " after the save, expected tag "
                + std::to_string(tagSize) + " + audio " + std::to_string(audio.size()) + " + 128";
        if (saved.compare(tagSize, audio.size(), audio) != 0)
            return "the audio changed";
        // The same audio between other tags has the same properties.
        if (ReadAudioPropertiesOf(path) != audioBefore)
            return "the audio properties changed with the tags";
        V1Values v1Expected = v1Before;
        v1Expected.present = true;
        // Track 0 in the ID3v1.1 layout is stored as the zero bytes that end
        // an ID3v1.0 comment: the two layouts cannot be told apart then.
        if (v1Expected.track == 0)
            v1Expected.v1Layout = v1After.v1Tag();
        if (valuesOf(v1After) != v1Expected)
            return "ID3v1 values changed: " + describe(v1Expected) + " -> " + describe(valuesOf(v1After));
        if (valuesOf(v2After) != v2Expected)
            return "ID3v2 values changed: " + describe(v2Expected) + " -> " + describe(valuesOf(v2After));
        if (std::string error = checkOtherFrames(original, saved); !error.empty())
            return error;
    }

    // What was read back, saved again, gives the same file. The ID3v1 block
    // may change its layout once (a fresh block with track 0 ends its comment
    // in zeros, a reloaded one in spaces); its values were compared above.
    // Where the two tags overlap, the ID3v1 block just written may have put
    // bytes after the frames of the ID3v2 tag, which the save then refuses.
    if (std::string error = save(path, v1After, v2After); error == kRefused && !separate)
        return {};
    else if (!error.empty())
        return "second save: " + error;
    const std::string savedAgain = readAll(path);
    if (separate) {
        const std::size_t before = saved.size() - 128;
        if (savedAgain.size() != saved.size() || savedAgain.compare(0, before, saved, 0, before) != 0)
            return "a second save of the same values changed the file";
    }

    // Edited values are saved as set: title and artist swapped, the album
    // as the comment, another track number; the audio stays.
    if (separate) {
        if (std::string error = checkEditedSave(path, audio); !error.empty())
            return error;
    }

    // Removing both tags leaves exactly the audio.
    if (separate) {
        try {
            v1After.RemoveFromFile(path);
        } catch (const TagError& e) {
            return std::string("ID3v1 removal failed: ") + e.what();
        }
        const std::string beforeRemoval = readAll(path);
        if (!v2After.RemoveFromFile(path)) {
            // Without its ID3v1 trailer a junk file's one frame header may no
            // longer count as MPEG audio: the removal is then refused, the
            // file left as it is.
            if (v2After.LastError() == "not an MP3 file" && readAll(path) == beforeRemoval)
                return {};
            return "ID3v2 removal failed: " + v2After.LastError();
        }
        if (readAll(path) != audio)
            return "removing both tags did not leave the audio";
    }
    return {};
}
