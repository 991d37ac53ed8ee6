#include "id3v2extrafields.h"

#include "id3v2convert.h"
#include "id3v2fields.h"
#include "id3v2reader.h"
#include "id3v2text.h"

#include <algorithm>

namespace id3v2 {

const std::array<ExtraFieldInfo, kExtraFieldCount> kExtraFields = {{
    {"albumartist", "&Album artist", "TPE2", "TPE2", "TP2"},
    {"disc", "&Disc", "TPOS", "TPOS", "TPA"},
    {"composer", "Co&mposer", "TCOM", "TCOM", "TCM"},
    {"bpm", "B&PM", "TBPM", "TBPM", "TBP"},
    {"originalyear", "Ori&ginal year", "TORY", "TDOR", "TOR"},
    {"publisher", "Publis&her", "TPUB", "TPUB", "TPB"},
    {"grouping", "Grouping (wor&k)", "TIT1", "TIT1", "TT1"},
    {"subtitle", "Sub&title", "TIT3", "TIT3", "TT3"},
    {"compilation", "Compilatio&n", "TCMP", "TCMP", "TCP"},
    {"sortartist", "&Sort artist", "TSOP", "TSOP", "TSP"},
    {"sortalbum", "Sort al&bum", "TSOA", "TSOA", "TSA"},
    {"sorttitle", "So&rt title", "TSOT", "TSOT", "TST"},
    {"isrc", "&ISRC", "TSRC", "TSRC", "TRC"},
    {"encodedby", "&Encoded by", "TENC", "TENC", "TEN"},
    {"copyright", "Cop&yright", "TCOP", "TCOP", "TCR"},
    {"url", "&Website (URL)", "WXXX", "WXXX", "WXX"},
}};

namespace {

std::string_view valueBytes(const Frame& frame)
{
    return frame.content().substr(0, kValueLimit);
}

// The description of a TXXX or WXXX frame and the bytes after it; false
// when the frame is too short to have them.
bool splitDescribed(const Frame& frame, std::string& description, std::string_view& rest, unsigned char& encoding)
{
    const std::string_view content = valueBytes(frame);
    if (content.empty())
        return false;
    encoding = static_cast<unsigned char>(content[0]);
    rest = content.substr(1);
    description = DecodeString(TakeString(rest, encoding), encoding);
    return true;
}

// The URL of a WXXX frame: ISO-8859-1 up to its end or a zero byte.
std::string urlOf(std::string_view rest)
{
    return Trim(DecodeString(rest.substr(0, rest.find('\0')), Latin1));
}

std::string recordingYearOf(const Frame& frame)
{
    const std::string_view content = valueBytes(frame);
    if (content.empty())
        return {};
    return YearOfRecordingTimeValues(DecodeStrings(content.substr(1), static_cast<unsigned char>(content[0])));
}

// The owner of a UFID frame (the ISO-8859-1 text before its first zero
// byte) and its identifier.
bool splitUniqueFileId(const Frame& frame, std::string_view& owner, std::string_view& identifier)
{
    if (frame.opaque() || frame.tail.length != 0)
        return false;
    const std::string_view content = frame.content();
    const std::size_t end = content.find('\0');
    if (end == std::string_view::npos)
        return false;
    owner = content.substr(0, end);
    identifier = content.substr(end + 1);
    return true;
}

// The frames of `frames` with `replaced` in the places given, `dropped`
// left out and `added` after them.
void rebuild(std::vector<Frame>& frames, std::vector<std::optional<Frame>>& replaced, const std::vector<bool>& dropped,
             std::vector<Frame>& added)
{
    std::vector<Frame> out;
    out.reserve(frames.size() + added.size());
    for (std::size_t i = 0; i < frames.size(); ++i) {
        if (replaced[i])
            out.push_back(std::move(*replaced[i]));
        else if (!dropped[i])
            out.push_back(std::move(frames[i]));
    }
    for (Frame& frame : added)
        out.push_back(std::move(frame));
    frames = std::move(out);
}

// Collects the changes to a set of frames: `indices` (in tag order) give
// way to `frame`, which takes the first one's place.
class FrameEdits final {
public:
    explicit FrameEdits(std::vector<Frame>& frames)
        : m_frames(frames)
        , m_replaced(frames.size())
        , m_dropped(frames.size(), false)
    {
    }

    void replace(const std::vector<std::size_t>& indices, std::optional<Frame> frame)
    {
        for (const std::size_t i : indices)
            m_dropped[i] = true;
        if (!frame)
            return;
        if (indices.empty())
            m_added.push_back(std::move(*frame));
        else
            m_replaced[indices.front()] = std::move(frame);
    }

    void apply() { rebuild(m_frames, m_replaced, m_dropped, m_added); }

private:
    std::vector<Frame>& m_frames;
    std::vector<std::optional<Frame>> m_replaced;
    std::vector<bool> m_dropped;
    std::vector<Frame> m_added;
};

// The new frame of a field set to `text` (not empty).
Frame fieldFrame(ExtraField field, const std::string& text, const std::vector<Frame>& frames,
                 const std::vector<std::size_t>& old, int framesMajor, int writtenMajor)
{
    if (field == kUrl)
        return UrlFrame(text);
    std::string value = text;
    if (field == kOriginalYear && framesMajor == 4) {
        // The month and day of the old release time stay, as for the year.
        const auto last = std::find_if(old.rbegin(), old.rend(),
                                       [&](std::size_t i) { return !frames[i].opaque() && frames[i].id == "TDOR"; });
        if (last != old.rend())
            value = RecordingTimeWithYear(DecodeFrameText(frames[*last].content()), text);
    }
    return TextFrame(ExtraFieldId(field, framesMajor), value, writtenMajor);
}

}  // namespace

const char* ExtraFieldId(ExtraField field, int major)
{
    return major == 4 ? kExtraFields[field].id4 : kExtraFields[field].id;
}

std::optional<ExtraField> ExtraFieldNamed(std::string_view name)
{
    for (std::size_t i = 0; i < kExtraFieldCount; ++i)
        if (name == kExtraFields[i].name)
            return static_cast<ExtraField>(i);
    return std::nullopt;
}

bool IsExtraFieldSource(int major, std::string_view id)
{
    if (major == 2)
        return id == "TXX"
            || std::any_of(kExtraFields.begin(), kExtraFields.end(), [&](const ExtraFieldInfo& f) { return id == f.id2; });
    if (id == "TXXX" || (major == 4 && id == "TDOR"))
        return true;
    return std::any_of(kExtraFields.begin(), kExtraFields.end(), [&](const ExtraFieldInfo& f) { return id == f.id; });
}

std::string NormalizedExtra(ExtraField field, std::string_view text)
{
    std::string value = field == kCompilation || field == kUrl ? Trim(text) : TrimRight(text);
    if (field == kCompilation)
        return value.empty() || value == "0" ? std::string() : std::string("1");
    return value;
}

ExtraFields FindExtraFields(const std::vector<Frame>& frames, int major)
{
    ExtraFields found;
    const bool version4 = major == 4;
    // An ID3v2.4 tag has its original year in its release time TDOR, or
    // else in a TORY frame that taggers also put there.
    bool releaseTime = false;
    if (version4)
        releaseTime = std::any_of(frames.begin(), frames.end(), [](const Frame& frame) {
            return frame.id == "TDOR" && !frame.opaque() && !recordingYearOf(frame).empty();
        });
    bool urlFound = false;
    for (std::size_t i = 0; i < frames.size(); ++i) {
        const Frame& frame = frames[i];
        if (frame.id == "TXXX" || frame.id == "WXXX") {
            std::string description;
            std::string_view rest;
            unsigned char encoding = 0;
            if (frame.opaque() || !splitDescribed(frame, description, rest, encoding))
                continue;
            if (frame.id == "TXXX") {
                found.userTexts.push_back({std::move(description), Trim(JoinValues(DecodeStrings(rest, encoding)))});
            } else if (description.empty() && !urlFound) {
                urlFound = true;
                found.frames[kUrl].push_back(i);
                found.texts[kUrl] = urlOf(rest);
            }
            continue;
        }
        if (version4 && (frame.id == "TDOR" || frame.id == "TORY")) {
            found.frames[kOriginalYear].push_back(i);
            if (frame.opaque())
                continue;
            if (frame.id == "TDOR") {
                if (std::string year = recordingYearOf(frame); !year.empty())
                    found.texts[kOriginalYear] = std::move(year);
            } else if (!releaseTime) {
                found.texts[kOriginalYear] = DecodeFrameText(valueBytes(frame));
            }
            continue;
        }
        for (std::size_t field = 0; field < kUrl; ++field) {
            if (field == kOriginalYear && version4)
                continue;
            if (frame.id != kExtraFields[field].id)
                continue;
            found.frames[field].push_back(i);
            if (!frame.opaque())
                found.texts[field] = NormalizedExtra(static_cast<ExtraField>(field), DecodeFrameText(valueBytes(frame)));
        }
    }
    return found;
}

std::string FindUserText(const std::vector<UserText>& texts, std::string_view description)
{
    const auto last = std::find_if(texts.rbegin(), texts.rend(),
                                   [&](const UserText& t) { return t.description == description; });
    return last == texts.rend() ? std::string() : last->text;
}

bool ExtraChanges::empty() const
{
    return userTexts.empty() && uniqueFileIds.empty()
        && std::none_of(fields.begin(), fields.end(), [](const auto& f) { return f.has_value(); });
}

void ExtraChanges::clear()
{
    fields = {};
    userTexts.clear();
    uniqueFileIds.clear();
}

void ApplyExtraChanges(std::vector<Frame>& frames, const ExtraChanges& changes, int framesMajor, int writtenMajor)
{
    if (changes.empty())
        return;
    const ExtraFields found = FindExtraFields(frames, framesMajor);
    FrameEdits edits(frames);
    for (std::size_t field = 0; field < kExtraFieldCount; ++field) {
        const std::optional<std::string>& text = changes.fields[field];
        if (!text || *text == found.texts[field])
            continue;
        std::optional<Frame> frame;
        if (!text->empty())
            frame = fieldFrame(static_cast<ExtraField>(field), *text, frames, found.frames[field], framesMajor,
                               writtenMajor);
        edits.replace(found.frames[field], std::move(frame));
    }
    for (const auto& [description, text] : changes.userTexts) {
        std::vector<std::size_t> indices;
        std::string oldText;
        for (std::size_t i = 0; i < frames.size(); ++i) {
            std::string frameDescription;
            std::string_view rest;
            unsigned char encoding = 0;
            if (frames[i].id == "TXXX" && !frames[i].opaque()
                && splitDescribed(frames[i], frameDescription, rest, encoding) && frameDescription == description) {
                indices.push_back(i);
                oldText = Trim(JoinValues(DecodeStrings(rest, encoding)));
            }
        }
        if (indices.size() == 1 && oldText == text)
            continue;
        if (indices.empty() && text.empty())
            continue;
        edits.replace(indices, text.empty() ? std::nullopt
                                            : std::optional<Frame>(UserTextFrame(description, text, writtenMajor)));
    }
    for (const auto& [owner, identifier] : changes.uniqueFileIds) {
        std::vector<std::size_t> indices;
        bool same = false;
        for (std::size_t i = 0; i < frames.size(); ++i) {
            std::string_view frameOwner;
            std::string_view frameIdentifier;
            if (frames[i].id == "UFID" && splitUniqueFileId(frames[i], frameOwner, frameIdentifier)
                && frameOwner == owner) {
                indices.push_back(i);
                same = frameIdentifier == identifier;
            }
        }
        if ((indices.size() == 1 && same) || (indices.empty() && identifier.empty()))
            continue;
        edits.replace(indices, identifier.empty() ? std::nullopt
                                                  : std::optional<Frame>(UniqueFileIdFrame(owner, identifier)));
    }
    edits.apply();
}

Frame UserTextFrame(std::string_view description, std::string_view text, int major)
{
    const unsigned char encoding = EncodingFor(std::string(description) + std::string(text), major);
    std::string content(1, static_cast<char>(encoding));
    content += EncodeString(description, encoding);
    content.append(TerminatorWidth(encoding), '\0');
    content += EncodeString(text, encoding);
    return MakeFrame("TXXX", std::move(content));
}

Frame UniqueFileIdFrame(std::string_view owner, std::string_view identifier)
{
    std::string content(owner);
    content += '\0';
    content += identifier;
    return MakeFrame("UFID", std::move(content));
}

Frame UrlFrame(std::string_view url)
{
    // Encoding 0, an empty description, the URL in ISO-8859-1.
    std::string content(2, '\0');
    content += EncodeString(url, Latin1);
    return MakeFrame("WXXX", std::move(content));
}

}  // namespace id3v2
