#include "id3v2convert.h"

#include "id3v2encoding.h"
#include "id3v2genre.h"
#include "id3v2text.h"

#include <algorithm>

namespace id3v2 {
namespace {

// Chapter frames inside chapter frames deeper than this are kept as they are.
constexpr int kMaxChapterDepth = 2;

struct IdPair {
    std::string_view from;
    std::string_view to;
};

// ID3v2.2 ids and their ID3v2.3 counterparts, by ID3v2.2 id. The iTunes
// additions (compilation flag, sort orders, grouping, movement, podcast
// frames) have the ids iTunes writes into ID3v2.3 tags.
constexpr IdPair kV22Ids[] = {
    {"BUF", "RBUF"}, {"CNT", "PCNT"}, {"COM", "COMM"}, {"CRA", "AENC"}, {"EQU", "EQUA"}, {"ETC", "ETCO"},
    {"GEO", "GEOB"}, {"GP1", "GRP1"}, {"IPL", "IPLS"}, {"LNK", "LINK"}, {"MCI", "MCDI"}, {"MLL", "MLLT"},
    {"MVI", "MVIN"}, {"MVN", "MVNM"}, {"PCS", "PCST"}, {"PIC", "APIC"}, {"POP", "POPM"}, {"REV", "RVRB"},
    {"RVA", "RVAD"}, {"SLT", "SYLT"}, {"STC", "SYTC"}, {"TAL", "TALB"}, {"TBP", "TBPM"}, {"TCM", "TCOM"},
    {"TCO", "TCON"}, {"TCP", "TCMP"}, {"TCR", "TCOP"}, {"TCT", "TCAT"}, {"TDA", "TDAT"}, {"TDS", "TDES"},
    {"TDY", "TDLY"}, {"TEN", "TENC"}, {"TFT", "TFLT"}, {"TID", "TGID"}, {"TIM", "TIME"}, {"TKE", "TKEY"},
    {"TLA", "TLAN"}, {"TLE", "TLEN"}, {"TMT", "TMED"}, {"TOA", "TOPE"}, {"TOF", "TOFN"}, {"TOL", "TOLY"},
    {"TOR", "TORY"}, {"TOT", "TOAL"}, {"TP1", "TPE1"}, {"TP2", "TPE2"}, {"TP3", "TPE3"}, {"TP4", "TPE4"},
    {"TPA", "TPOS"}, {"TPB", "TPUB"}, {"TRC", "TSRC"}, {"TRD", "TRDA"}, {"TRK", "TRCK"}, {"TS2", "TSO2"},
    {"TSA", "TSOA"}, {"TSC", "TSOC"}, {"TSI", "TSIZ"}, {"TSP", "TSOP"}, {"TSS", "TSSE"}, {"TST", "TSOT"},
    {"TT1", "TIT1"}, {"TT2", "TIT2"}, {"TT3", "TIT3"}, {"TXT", "TEXT"}, {"TXX", "TXXX"}, {"TYE", "TYER"},
    {"UFI", "UFID"}, {"ULT", "USLT"}, {"WAF", "WOAF"}, {"WAR", "WOAR"}, {"WAS", "WOAS"}, {"WCM", "WCOM"},
    {"WCP", "WCOP"}, {"WFD", "WFED"}, {"WPB", "WPUB"}, {"WXX", "WXXX"}};

// Text frames an ID3v2.3 tag may hold as they are: those of the standard,
// and the sort orders and compilation flag that ID3v2.3 writers use widely.
// In order, for a binary search.
constexpr std::string_view kV23TextIds[] = {
    "TALB", "TBPM", "TCMP", "TCOM", "TCON", "TCOP", "TDAT", "TDLY", "TENC", "TEXT", "TFLT", "TIME",
    "TIT1", "TIT2", "TIT3", "TKEY", "TLAN", "TLEN", "TMED", "TOAL", "TOFN", "TOLY", "TOPE", "TORY",
    "TOWN", "TPE1", "TPE2", "TPE3", "TPE4", "TPOS", "TPUB", "TRCK", "TRDA", "TRSN", "TRSO", "TSIZ",
    "TSO2", "TSOA", "TSOC", "TSOP", "TSOT", "TSRC", "TSSE", "TXXX", "TYER"};

template <typename Range>
bool contains(const Range& range, std::string_view id)
{
    return std::find(std::begin(range), std::end(range), id) != std::end(range);
}

std::string_view v22Counterpart(std::string_view id)
{
    const auto* pair = std::lower_bound(std::begin(kV22Ids), std::end(kV22Ids), id,
                                        [](const IdPair& p, std::string_view key) { return p.from < key; });
    return pair != std::end(kV22Ids) && pair->from == id ? pair->to : std::string_view();
}

bool isTextFrame(std::string_view id) { return !id.empty() && id[0] == 'T'; }

unsigned char encodingOf(std::string_view content)
{
    return content.empty() ? static_cast<unsigned char>(Latin1) : static_cast<unsigned char>(content[0]);
}

std::vector<std::string> valuesOf(std::string_view content)
{
    return content.empty() ? std::vector<std::string>() : DecodeStrings(content.substr(1), encodingOf(content));
}

// Text frame content holding `strings`: in ISO-8859-1 when the source was,
// otherwise in UTF-16 with byte-order marks.
std::string textContent(unsigned char sourceEncoding, const std::vector<std::string>& strings)
{
    const unsigned char encoding = sourceEncoding == Latin1 ? Latin1 : Utf16;
    std::string content(1, static_cast<char>(encoding));
    content += EncodeStrings(strings, encoding);
    return content;
}

std::string joinNonEmpty(std::vector<std::string>::const_iterator begin, std::vector<std::string>::const_iterator end)
{
    std::string out;
    for (auto it = begin; it != end; ++it) {
        if (it->empty())
            continue;
        if (!out.empty())
            out += '/';
        out += *it;
    }
    return out;
}

std::size_t countNonEmpty(const std::vector<std::string>& values)
{
    return static_cast<std::size_t>(std::count_if(values.begin(), values.end(), [](const std::string& v) { return !v.empty(); }));
}

// A frame with the flags and extra bytes of `like` and another id and content.
Frame frameLike(const Frame& like, std::string id, std::string content)
{
    Frame frame;
    frame.id = std::move(id);
    frame.status = like.status;
    frame.format = like.format;
    frame.data = like.data.substr(0, like.extraSize());
    frame.data += content;
    return frame;
}

// The text frame as a TXXX frame described by its id.
Frame userTextFrame(const Frame& frame, const std::vector<std::string>& values)
{
    const unsigned char encoding = encodingOf(frame.content());
    return frameLike(frame, "TXXX", textContent(encoding, {frame.id, joinNonEmpty(values.begin(), values.end())}));
}

bool digitsAt(std::string_view text, std::size_t pos, std::size_t count)
{
    return pos + count <= text.size()
        && std::all_of(text.begin() + static_cast<std::ptrdiff_t>(pos),
                       text.begin() + static_cast<std::ptrdiff_t>(pos + count), [](char c) { return c >= '0' && c <= '9'; });
}

// A text frame content of two pairs of digits in ISO-8859-1 ("0605").
std::string digitsContent(std::string_view first, std::string_view second)
{
    std::string content(1, '\0');
    content += first;
    content += second;
    return content;
}

// An ID3v2.4 time stamp as the ID3v2.3 year frame `yearId`, with the day
// and time frames (TDAT "DDMM", TIME "HHMM") when `dayAndTime`. What those
// cannot hold (seconds, a month without a day, a second value) is kept in a
// TXXX frame described by the id. A text that is no time stamp ("Oct 3,
// 1995") is kept whole in that TXXX frame, and the year frame holds only the
// year found in it (none when it has none): a year frame never holds a cut
// piece of such a text.
void convertTimestamp(const Frame& frame, const std::vector<std::string>& values, const char* yearId, bool dayAndTime,
                      std::vector<Frame>& out)
{
    const std::string text = FirstRecordingTime(values);
    const unsigned char encoding = encodingOf(frame.content());
    if (!IsRecordingTimestamp(text)) {
        const std::string year = YearOfRecordingTimeValues(values);
        if (!year.empty())
            out.push_back(frameLike(frame, yearId, textContent(encoding, {year})));
        if (countNonEmpty(values) > 0)
            out.push_back(userTextFrame(frame, values));
        return;
    }
    out.push_back(frameLike(frame, yearId, textContent(encoding, {text.substr(0, 4)})));
    std::size_t held = 4;
    if (dayAndTime && text.size() >= 10) {
        out.push_back(frameLike(frame, "TDAT", digitsContent(text.substr(8, 2), text.substr(5, 2))));
        held = 10;
        if (text.size() >= 16) {
            out.push_back(frameLike(frame, "TIME", digitsContent(text.substr(11, 2), text.substr(14, 2))));
            held = 16;
        }
    }
    if (held < text.size() || countNonEmpty(values) > 1)
        out.push_back(userTextFrame(frame, values));
}

// ID3v2.3 date frames that taggers also write into ID3v2.4 tags, which
// ID3v2.4 does not have, and the frame their meaning moved to in ID3v2.4,
// by its ID3v2.3 form: the year, day and time belong to the recording time
// (TDRC, converted to TYER, TDAT, TIME), the original year to the original
// release time (TDOR, converted to TORY).
struct StrayDate {
    std::string_view id;
    std::string_view owner;
};
constexpr StrayDate kStrayDates[] = {{"TYER", "TYER"}, {"TDAT", "TYER"}, {"TIME", "TYER"}, {"TORY", "TORY"}};

// Such a frame of an ID3v2.4 tag is set apart by this mark before its id
// while the tag is converted (no frame read has it, as ids are capital
// letters and digits); settleStrayDates decides what becomes of it once the
// whole tag is known.
constexpr char kStrayMark = '~';

const StrayDate* strayDate(std::string_view id)
{
    for (const StrayDate& stray : kStrayDates)
        if (stray.id == id)
            return &stray;
    return nullptr;
}

// Whether a text frame's content holds more than one string (a terminator
// at the very end ends the only one).
bool severalStrings(std::string_view content)
{
    if (content.empty())
        return false;
    std::string_view rest = content.substr(1);
    TakeString(rest, encodingOf(content));
    return !rest.empty();
}

void convertV24Text(Frame frame, std::vector<Frame>& out)
{
    const std::string_view content = frame.content();
    const unsigned char encoding = encodingOf(content);
    const bool known = std::binary_search(std::begin(kV23TextIds), std::end(kV23TextIds), frame.id);
    if (known && frame.id != "TCON" && !severalStrings(content)) {
        out.push_back(std::move(frame));  // the common case: one value, nothing to join
        return;
    }
    const std::vector<std::string> values = valuesOf(content);
    if (frame.id == "TDRC") {
        convertTimestamp(frame, values, "TYER", true, out);
        return;
    }
    if (frame.id == "TDOR") {
        convertTimestamp(frame, values, "TORY", false, out);
        return;
    }
    if (frame.id == "TIPL" || frame.id == "TMCL") {
        frame.id = "IPLS";  // the same layout: pairs of role and name
    } else if (frame.id == "TCON") {
        const std::string text = GenreTextFromValues(values);
        if (values.size() != 1 || values.front() != text)
            frame.setContent(textContent(encoding, {text}));
    } else if (frame.id == "TXXX") {
        if (values.size() > 1 && countNonEmpty({values.begin() + 1, values.end()}) > 1)
            frame.setContent(textContent(encoding, {values.front(), joinNonEmpty(values.begin() + 1, values.end())}));
    } else if (known) {
        if (countNonEmpty(values) > 1)
            frame.setContent(textContent(encoding, {joinNonEmpty(values.begin(), values.end())}));
    } else {
        frame = userTextFrame(frame, values);
    }
    out.push_back(std::move(frame));
}

// The marked frames of a converted ID3v2.4 tag: where the tag holds the
// ID3v2.4 frame they belong to (a readable TDRC, whose conversion gave a
// TYER frame), that frame alone says the date, as an ID3v2.4 reader takes
// it, and each marked frame becomes a TXXX frame described by its id, which
// keeps its text where it cannot override the date (nor mix its day with
// another year). Otherwise it is the tag's date and gets its id back.
void settleStrayDates(std::vector<Frame>& frames)
{
    const auto isOwner = [&](std::string_view id) {
        return std::any_of(frames.begin(), frames.end(),
                           [&](const Frame& f) { return f.id == id && !f.opaque(); });
    };
    const bool ownedYear = isOwner("TYER");
    const bool ownedOriginal = isOwner("TORY");
    for (Frame& frame : frames) {
        if (frame.id.empty() || frame.id[0] != kStrayMark)
            continue;
        frame.id.erase(0, 1);
        const StrayDate* stray = strayDate(frame.id);
        if (stray && (stray->owner == "TYER" ? ownedYear : ownedOriginal)) {
            frame = userTextFrame(frame, valuesOf(frame.content()));
        } else {
            std::vector<Frame> converted;  // one frame, its values joined as any text frame's
            convertV24Text(std::move(frame), converted);
            frame = std::move(converted.front());
        }
        MakeEncodingValid(frame);
    }
}

// ID3v2.2 picture: the three-letter image format becomes a MIME type.
bool convertPicture(Frame& frame)
{
    const std::string_view content = frame.content();
    if (content.size() < 5)
        return false;
    std::string format(content.substr(1, 3));
    std::transform(format.begin(), format.end(), format.begin(),
                   [](char c) { return (c >= 'A' && c <= 'Z') ? char(c + 32) : c; });
    std::string out(1, content[0]);
    out += format == "jpg" ? "image/jpeg" : "image/" + format;
    out += '\0';
    out += content.substr(4);
    frame.id = "APIC";
    frame.setContent(std::move(out));
    return true;
}

// Renames an ID3v2.2 frame; false when it has no ID3v2.3 form.
bool convertV22(Frame& frame)
{
    if (frame.id == "PIC")
        return convertPicture(frame);
    if (frame.id == "LNK") {  // the linked frame's id has three letters too
        const std::string_view content = frame.content();
        const std::string_view linked = v22Counterpart(content.substr(0, 3));
        if (linked.empty())
            return false;
        frame.setContent(std::string(linked) + std::string(content.substr(3)));
        frame.id = "LINK";
        return true;
    }
    const std::string_view counterpart = v22Counterpart(frame.id);
    if (!counterpart.empty()) {
        frame.id = std::string(counterpart);
        return true;
    }
    if (!isTextFrame(frame.id))
        return false;
    frame = userTextFrame(frame, valuesOf(frame.content()));
    return true;
}

// Converts the frames embedded in a chapter frame (CHAP: element id, start
// and end times and offsets; CTOC: element id, flags, child element ids).
void convertChapter(Frame& frame, int major, int depth, const EmbeddedReader& readEmbedded)
{
    if (depth >= kMaxChapterDepth)
        return;
    const std::optional<std::size_t> start = EmbeddedFramesStart(frame);
    if (!start)
        return;
    const std::size_t pos = *start;
    const std::string_view content = frame.content();
    const std::string_view embedded = content.substr(pos);
    std::size_t consumed = 0;
    std::vector<Frame> frames = readEmbedded(embedded, depth + 1, consumed);
    if (major == 4)
        settleStrayDates(frames);
    std::string rebuilt;
    for (const Frame& inner : frames)
        rebuilt += FrameHeader(inner) + inner.data;
    rebuilt += embedded.substr(consumed);
    if (major != 3 || rebuilt != embedded)
        frame.setContent(std::string(content.substr(0, pos)) + rebuilt);
}

}  // namespace

bool IsFieldSource(int major, std::string_view id)
{
    static constexpr std::string_view kV22[] = {"TT2", "TP1", "TAL", "TRK", "TYE", "TCO", "COM"};
    static constexpr std::string_view kV23[] = {"TIT2", "TPE1", "TALB", "TRCK", "TYER", "TCON", "COMM"};
    if (major == 2)
        return contains(kV22, id);
    return contains(kV23, id) || (major == 4 && id == "TDRC");
}

std::optional<std::size_t> EmbeddedFramesStart(const Frame& frame)
{
    if ((frame.id != "CHAP" && frame.id != "CTOC") || frame.opaque() || frame.tail.length != 0)
        return std::nullopt;
    const std::string_view content = frame.content();
    std::size_t pos = content.find('\0');
    if (pos == std::string_view::npos)
        return std::nullopt;
    ++pos;
    if (frame.id == "CHAP") {
        pos += 16;
    } else {
        if (pos + 2 > content.size())
            return std::nullopt;
        const auto children = static_cast<unsigned char>(content[pos + 1]);
        pos += 2;
        for (unsigned i = 0; i < children; ++i) {
            const std::size_t end = content.find('\0', pos);
            if (end == std::string_view::npos)
                return std::nullopt;
            pos = end + 1;
        }
    }
    if (pos > content.size())
        return std::nullopt;
    return pos;
}

bool IsPositionFrame(std::string_view id)
{
    return id == "ASPI" || id == "SEEK";
}

bool ConvertsFromHead(int major, std::string_view id)
{
    if (IsFieldSource(major, id))
        return false;
    if (major == 2) {
        const std::string_view counterpart = v22Counterpart(id);
        return counterpart.empty() ? !isTextFrame(id) : TextsLeadContent(counterpart);
    }
    return !(major == 4 && isTextFrame(id)) && TextsLeadContent(id);
}

void ConvertFrame(int major, Frame frame, int depth, std::vector<Frame>& out, const EmbeddedReader& readEmbedded)
{
    if (frame.opaque()) {
        out.push_back(std::move(frame));
        return;
    }
    const std::size_t first = out.size();
    if (major == 2) {
        if (!convertV22(frame))
            return;
        out.push_back(std::move(frame));
    } else if (major == 4 && strayDate(frame.id)) {
        // Settled with the whole tag; an opaque one stays as it is, above.
        frame.id.insert(frame.id.begin(), kStrayMark);
        out.push_back(std::move(frame));
    } else if (major == 4 && isTextFrame(frame.id)) {
        convertV24Text(std::move(frame), out);
    } else if (major == 4 && IsPositionFrame(frame.id)) {
        return;
    } else {
        out.push_back(std::move(frame));
    }
    for (std::size_t i = first; i < out.size(); ++i) {
        if (out[i].id == "CHAP" || out[i].id == "CTOC")
            convertChapter(out[i], major, depth, readEmbedded);
        MakeEncodingValid(out[i]);
    }
}

bool IsRecordingTimestamp(std::string_view text)
{
    // "yyyy", then each of "-MM", "-dd", "THH", ":mm", ":ss" in turn.
    static constexpr char kSeparators[] = {'-', '-', 'T', ':', ':'};
    if (!digitsAt(text, 0, 4))
        return false;
    std::size_t pos = 4;
    for (const char separator : kSeparators) {
        if (pos == text.size())
            return true;
        if (text[pos] != separator || !digitsAt(text, pos + 1, 2))
            return false;
        pos += 3;
    }
    return pos == text.size();
}

std::string YearOfRecordingTime(std::string_view text)
{
    const std::string trimmed = Trim(text);
    if (IsRecordingTimestamp(trimmed))
        return trimmed.substr(0, 4);
    const auto isDigit = [](char c) { return c >= '0' && c <= '9'; };
    for (std::size_t pos = 0; pos < trimmed.size();) {
        if (!isDigit(trimmed[pos])) {
            ++pos;
            continue;
        }
        std::size_t end = pos;
        while (end < trimmed.size() && isDigit(trimmed[end]))
            ++end;
        if (end - pos == 4)
            return trimmed.substr(pos, 4);
        pos = end;
    }
    return {};
}

std::string FirstRecordingTime(const std::vector<std::string>& values)
{
    for (const std::string& value : values)
        if (std::string text = Trim(value); !text.empty())
            return text;
    return {};
}

std::string YearOfRecordingTimeValues(const std::vector<std::string>& values)
{
    const std::string first = FirstRecordingTime(values);
    if (IsRecordingTimestamp(first))
        return first.substr(0, 4);
    return YearOfRecordingTime(JoinValues(values));
}

void FinishConversion(int major, std::vector<Frame>& frames)
{
    if (major != 4)
        return;
    settleStrayDates(frames);
    std::vector<std::size_t> lists;
    for (std::size_t i = 0; i < frames.size(); ++i)
        if (frames[i].id == "IPLS" && !frames[i].opaque() && frames[i].tail.length == 0)
            lists.push_back(i);
    if (lists.size() < 2)
        return;
    std::vector<std::string> strings;
    unsigned char encoding = Latin1;
    for (const std::size_t i : lists) {
        std::vector<std::string> pairs = valuesOf(frames[i].content());
        if (pairs.size() % 2 != 0)
            pairs.emplace_back();  // a role without a name: keep the pairs of the next list aligned
        strings.insert(strings.end(), pairs.begin(), pairs.end());
        if (encodingOf(frames[i].content()) != Latin1)
            encoding = Utf16;
    }
    frames[lists.front()].setContent(textContent(encoding, strings));
    for (auto it = lists.rbegin(); it + 1 != lists.rend(); ++it)
        frames.erase(frames.begin() + static_cast<std::ptrdiff_t>(*it));
}

}  // namespace id3v2
