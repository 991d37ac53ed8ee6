#include "id3v2fields.h"

#include "id3v2convert.h"
#include "id3v2genre.h"
#include "id3v2reader.h"
#include "id3v2text.h"

#include <algorithm>
#include <charconv>

namespace id3v2 {

const std::array<const char*, kFieldCount> kFieldIds = {"TIT2", "TPE1", "TALB", "TRCK", "TYER", "TCON", "COMM"};

namespace {

// The part of a frame's content that makes its value.
std::string_view valueBytes(const Frame& frame)
{
    return frame.content().substr(0, kValueLimit);
}

std::vector<std::string> valuesOf(std::string_view content)
{
    if (content.empty())
        return {};
    return DecodeStrings(content.substr(1), static_cast<unsigned char>(content[0]));
}

std::string textOf(Field field, const Frame& frame)
{
    const std::string_view content = valueBytes(frame);
    if (field == kGenre)
        return GenreFromText(GenreTextFromValues(valuesOf(content)));
    return DecodeFrameText(content);
}

// The description and text of a comment frame; false when it is too short
// to have them.
bool readComment(const Frame& frame, std::string& description, std::string& text)
{
    const std::string_view content = valueBytes(frame);
    if (content.size() < 4)
        return false;
    const auto encoding = static_cast<unsigned char>(content[0]);
    std::string_view rest = content.substr(4);
    description = DecodeString(TakeString(rest, encoding), encoding);
    text = Trim(DecodeString(TakeString(rest, encoding), encoding));
    return true;
}

// The year a TDRC frame stands for, as the conversion of the tag gives it.
std::string recordingYear(const Frame& frame)
{
    const std::vector<std::string> values = valuesOf(valueBytes(frame));
    return YearOfRecordingTimeValues(values);
}

// Whether the year of an ID3v2.4 tag is in its ID3v2.3 year frame TYER,
// which taggers also put into such tags: when no readable recording time
// TDRC has a year in it, as the conversion of the tag reads it.
bool yearInYearFrame(const std::vector<Frame>& frames)
{
    bool yearFrame = false;
    for (const Frame& frame : frames) {
        if (frame.opaque())
            continue;
        if (frame.id == "TDRC" && !recordingYear(frame).empty())
            return false;
        yearFrame = yearFrame || frame.id == "TYER";
    }
    return yearFrame;
}

}  // namespace

const char* FieldId(std::size_t field, int major)
{
    return field == kYear && major == 4 ? "TDRC" : kFieldIds[field];
}

Fields FindFields(const std::vector<Frame>& frames, int major)
{
    Fields fields;
    bool commentFound = false;
    // An ID3v2.4 tag has its year in the last readable TDRC frame with a
    // year in it, or else in its last readable TYER frame; a year set by the
    // user replaces them all.
    const bool version4 = major == 4;
    const bool fromYearFrame = version4 && yearInYearFrame(frames);
    for (std::size_t i = 0; i < frames.size(); ++i) {
        const Frame& frame = frames[i];
        if (frame.id == "COMM") {
            std::string description;
            std::string text;
            if (frame.opaque() || !readComment(frame, description, text) || !description.empty())
                continue;
            if (commentFound) {
                fields.moreComments = true;
                continue;
            }
            commentFound = true;
            fields.frames[kComment].push_back(i);
            fields.texts[kComment] = std::move(text);
            fields.commentLanguage = std::string(frame.content().substr(1, 3));
            continue;
        }
        for (std::size_t field = 0; field < kComment; ++field) {
            if (field == kYear && version4) {
                if (frame.id != "TDRC" && !(fromYearFrame && frame.id == "TYER"))
                    continue;
                fields.frames[kYear].push_back(i);
                if (frame.opaque())
                    continue;
                if (frame.id == "TYER")
                    fields.texts[kYear] = textOf(kYear, frame);
                else if (std::string year = recordingYear(frame); !year.empty())
                    fields.texts[kYear] = std::move(year);
                continue;
            }
            if (frame.id != FieldId(field, major))
                continue;
            fields.frames[field].push_back(i);
            if (!frame.opaque())
                fields.texts[field] = textOf(static_cast<Field>(field), frame);
        }
    }
    return fields;
}

std::string RecordingTimeWithYear(std::string_view old, const std::string& year)
{
    const std::string stamp = Trim(old);
    const bool digits = std::all_of(year.begin(), year.end(), [](char c) { return c >= '0' && c <= '9'; });
    if (year.size() != 4 || !digits || !IsRecordingTimestamp(stamp))
        return year;
    return year + stamp.substr(4);
}

int ParseTrackNumber(std::string_view text)
{
    std::string trimmed = Trim(text);
    const std::size_t slash = trimmed.find('/');
    if (slash != std::string::npos)
        trimmed = Trim(std::string_view(trimmed).substr(0, slash));
    std::string_view digits(trimmed);
    if (!digits.empty() && digits[0] == '+')
        digits.remove_prefix(1);
    int value = 0;
    const auto [end, ec] = std::from_chars(digits.data(), digits.data() + digits.size(), value);
    if (digits.empty() || ec != std::errc() || end != digits.data() + digits.size() || value < 0 || value > 65535)
        return 0;
    return value;
}

Frame TextFrame(const char* id, std::string_view text, int major)
{
    const unsigned char encoding = EncodingFor(text, major);
    std::string content(1, static_cast<char>(encoding));
    content += EncodeString(text, encoding);
    return MakeFrame(id, std::move(content));
}

Frame CommentFrame(std::string_view language, std::string_view text, int major)
{
    const unsigned char encoding = EncodingFor(text, major);
    std::string content(1, static_cast<char>(encoding));
    content += language;
    content += EncodeString("", encoding);
    content.append(TerminatorWidth(encoding), '\0');
    content += EncodeString(text, encoding);
    return MakeFrame("COMM", std::move(content));
}

}  // namespace id3v2
