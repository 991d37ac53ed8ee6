#include "id3v2upgrade.h"

#include "id3v2convert.h"
#include "id3v2genre.h"
#include "id3v2reader.h"
#include "id3v2text.h"

#include <algorithm>
#include <string_view>

namespace id3v2 {
namespace {

// Chapter frames inside chapter frames deeper than this are kept as they are.
constexpr int kMaxChapterDepth = 2;

bool allDigits(std::string_view text, std::size_t count)
{
    return text.size() == count && std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
}

// The first readable frame of an id, or frames.size().
std::size_t findFrame(const std::vector<Frame>& frames, std::string_view id)
{
    for (std::size_t i = 0; i < frames.size(); ++i)
        if (frames[i].id == id && !frames[i].opaque())
            return i;
    return frames.size();
}

std::string textOf(const Frame& frame)
{
    return DecodeFrameText(frame.content());
}

// TYER with TDAT ("DDMM") and TIME ("HHMM") as one recording time
// "yyyy-MM-ddTHH:mm" in place of the year; the day and time frames go when
// they were taken in. Every other year frame is renamed: its text is a valid
// recording time or at worst an odd one, as it was.
void mergeRecordingTime(std::vector<Frame>& frames)
{
    const std::size_t year = findFrame(frames, "TYER");
    if (year < frames.size() && allDigits(textOf(frames[year]), 4)) {
        std::string stamp = textOf(frames[year]);
        std::vector<std::size_t> taken;
        const std::size_t day = findFrame(frames, "TDAT");
        if (day < frames.size() && allDigits(textOf(frames[day]), 4)) {
            const std::string ddmm = textOf(frames[day]);
            stamp.append("-").append(ddmm, 2, 2).append("-").append(ddmm, 0, 2);
            taken.push_back(day);
            const std::size_t time = findFrame(frames, "TIME");
            if (time < frames.size() && allDigits(textOf(frames[time]), 4)) {
                const std::string hhmm = textOf(frames[time]);
                stamp.append("T").append(hhmm, 0, 2).append(":").append(hhmm, 2, 2);
                taken.push_back(time);
            }
        }
        frames[year].setContent(std::string(1, '\0') + stamp);
        std::sort(taken.rbegin(), taken.rend());
        for (const std::size_t i : taken)
            frames.erase(frames.begin() + static_cast<std::ptrdiff_t>(i));
    }
    for (Frame& frame : frames)
        if (frame.id == "TYER")
            frame.id = "TDRC";
}

void upgradeGenre(Frame& frame)
{
    const std::string_view content = frame.content();
    if (content.empty())
        return;
    const auto encoding = static_cast<unsigned char>(content[0]);
    const std::vector<std::string> values = DecodeStrings(content.substr(1), encoding);
    const std::vector<std::string> upgraded = GenreValuesFromText(GenreTextFromValues(values));
    if (upgraded != values)
        frame.setContent(std::string(1, static_cast<char>(encoding)) + EncodeStrings(upgraded, encoding));
}

// The ID3v2.3 frames at the start of `bytes`; `consumed` tells how many
// bytes they take.
std::vector<Frame> parseFrames(std::string_view bytes, std::size_t& consumed)
{
    std::vector<Frame> frames;
    std::size_t pos = 0;
    while (pos + kHeaderSize <= bytes.size() && IsFrameId(bytes.substr(pos, 4))) {
        const auto* h = reinterpret_cast<const unsigned char*>(bytes.data() + pos);
        const std::uint32_t size = Be32(h + 4);
        if (size > bytes.size() - pos - kHeaderSize)
            break;
        Frame frame;
        frame.id = std::string(bytes.substr(pos, 4));
        frame.status = h[8];
        frame.format = h[9];
        frame.data = std::string(bytes.substr(pos + kHeaderSize, size));
        frames.push_back(std::move(frame));
        pos += kHeaderSize + size;
    }
    consumed = pos;
    return frames;
}

void upgradeChapter(Frame& frame, int depth)
{
    const std::optional<std::size_t> start = EmbeddedFramesStart(frame);
    if (!start)
        return;
    const std::string_view content = frame.content();
    const std::string_view embedded = content.substr(*start);
    std::size_t consumed = 0;
    std::vector<Frame> frames = parseFrames(embedded, consumed);
    UpgradeToVersion4(frames, depth + 1);
    std::string rebuilt(content.substr(0, *start));
    for (Frame& inner : frames) {
        const Frame laidOut = ToVersion4Layout(std::move(inner));
        rebuilt += FrameHeader(laidOut, 4) + laidOut.data;
    }
    rebuilt += embedded.substr(consumed);
    frame.setContent(std::move(rebuilt));
}

}  // namespace

void UpgradeToVersion4(std::vector<Frame>& frames, int depth)
{
    // SEEK and ASPI, should an older tag hold them, are positions in the old
    // file: in a version 2.4 tag they would point into the new one wrongly,
    // and are left out as when a version 2.4 tag is written again.
    std::erase_if(frames, [](const Frame& frame) { return IsPositionFrame(frame.id); });
    // A TDRC frame in an older tag (taggers write them) is no field there;
    // in the new tag it would become the year in the place of TYER's. Its
    // text is kept in a user text frame named after it.
    for (Frame& frame : frames)
        if (frame.id == "TDRC" && !frame.opaque()) {
            const std::string text = textOf(frame);
            frame.id = "TXXX";
            frame.setContent(std::string("\x03TDRC\0", 6) + text);
        }
    mergeRecordingTime(frames);
    for (Frame& frame : frames) {
        if (frame.id == "TORY")
            frame.id = "TDOR";
        else if (frame.id == "IPLS")
            frame.id = "TIPL";
        else if (frame.opaque())
            continue;
        else if (frame.id == "TCON")
            upgradeGenre(frame);
        else if ((frame.id == "CHAP" || frame.id == "CTOC") && depth < kMaxChapterDepth)
            upgradeChapter(frame, depth);
    }
}

Frame ToVersion4Layout(Frame frame)
{
    const std::size_t extra = frame.extraSize();
    const std::string_view bytes(frame.data);
    std::size_t pos = 0;
    std::string_view size;
    std::string_view method;
    std::string_view group;
    if ((frame.format & Frame::kCompressed) && pos + 4 <= extra) {
        size = bytes.substr(pos, 4);
        pos += 4;
    }
    if ((frame.format & Frame::kEncrypted) && pos < extra)
        method = bytes.substr(pos++, 1);
    if ((frame.format & Frame::kGrouped) && pos < extra)
        group = bytes.substr(pos++, 1);

    unsigned char format = 0;
    std::string data(group);
    data += method;
    if (!group.empty())
        format |= 0x40;
    if (!method.empty())
        format |= 0x04;
    if (!size.empty()) {
        format |= 0x08 | 0x01;  // compressed, with the data length indicator ID3v2.4 requires then
        // The indicator holds 28 bits: a larger decompressed size (more
        // than any tag may hold, so the frame was never decompressed)
        // becomes the largest it can say rather than losing its high bits,
        // which would make another, small size of it.
        const std::uint32_t declared = Be32(reinterpret_cast<const unsigned char*>(size.data()));
        PutSyncsafe32(data, std::min(declared, kMaxTagBodySize));
    }
    data += bytes.substr(extra);
    frame.data = std::move(data);
    frame.status = static_cast<unsigned char>((frame.status >> 1) & 0x70);
    frame.format = format;
    return frame;
}

}  // namespace id3v2
