// The year of ID3v2.4 tags whose recording time is not the plain form the
// program writes: tags that also hold the ID3v2.3 year frames, and free-text
// recording times. A save of another field shows the same year afterwards in
// every version written and keeps what the tag said.

#include "tagtestutil.h"
#include "tmp3tagv2.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <utility>
#include <vector>

using namespace std::string_literals;

namespace {

using FrameList = std::vector<std::pair<std::string, std::string>>;

std::string Text(const std::string& latin1) { return "\0"s + latin1; }

struct WrittenVersion {
    Id3v2WriteVersion option;
    const char* name;
};

const WrittenVersion kVersions[] = {
    {Id3v2WriteVersion::V23, "V23"}, {Id3v2WriteVersion::V24, "V24"}, {Id3v2WriteVersion::Keep, "Keep"}};

TagOptions OptionsFor(Id3v2WriteVersion version)
{
    TagOptions options;
    options.writeVersion = version;
    return options;
}

// Writes `tag` before the audio, checks the year read, saves a new title
// with `version` and checks the year read again; the file's tag after (the
// audio is checked to follow it unchanged).
std::string SaveTitle(const std::string& path, const std::string& tag, Id3v2WriteVersion version,
                      const std::string& year)
{
    WriteFile(path, tag + AudioBytes());
    Tmp3TagV2 before(OptionsFor(version));
    EXPECT_TRUE(before.LoadFromFile(path));
    EXPECT_EQ(before.Year(), year);
    before.SetTitle("New");
    EXPECT_TRUE(before.SaveToFile(path)) << before.LastError();
    Tmp3TagV2 after;
    EXPECT_TRUE(after.LoadFromFile(path));
    EXPECT_EQ(after.Year(), year);
    EXPECT_EQ(after.Title(), "New");
    const std::string bytes = ReadFile(path);
    const std::size_t audio = AudioBytes().size();
    EXPECT_TRUE(bytes.size() >= audio && bytes.compare(bytes.size() - audio, audio, AudioBytes()) == 0);
    return bytes.substr(0, bytes.size() - std::min(audio, bytes.size()));
}

// The tag an ID3v2.4 tag of `frames` becomes when only its title changes
// from "Old" to "New": the same frames, the same room.
std::string WithNewTitle(const std::string& frames)
{
    return Tag(4, Frame24("TIT2", Text("New")) + frames, 64);
}

}  // namespace

TEST(YearFrames, Version4TagWithYearFramesTakesItsRecordingTime)
{
    TempDir dir;
    const std::string path = dir.file("a.mp3");
    // Taggers put the ID3v2.3 year, day and time frames into ID3v2.4 tags
    // besides the recording time; they hold another date here, in both
    // orders.
    const std::string tdrc = Frame24("TDRC", Text("1999-05-06T10:20"));
    const std::string tyer = Frame24("TYER", Text("2004"));
    const std::string tdat = Frame24("TDAT", Text("3112"));
    const std::string txxx = Frame24("TXXX", Text("key\0value"s));
    const std::pair<std::string, std::string> strays[] = {{"TYER", "2004"}, {"TDAT", "3112"}};
    const FrameList fromTdrc = {{"TDAT", Text("0605")}, {"TIME", Text("1020")}};
    FrameList kept;
    for (const auto& [id, text] : strays)
        kept.emplace_back("TXXX", Text(id + '\0' + text));
    const struct {
        std::string others;
        std::string kept;     // by an ID3v2.4 tag: the year's frame after the title, as always
        FrameList converted;  // into ID3v2.3, after the title and year
    } orders[] = {{tdrc + tyer + tdat + txxx, tdrc + tyer + tdat + txxx, {fromTdrc[0], fromTdrc[1], kept[0], kept[1]}},
                  {tyer + tdat + tdrc + txxx, tdrc + tyer + tdat + txxx, {kept[0], kept[1], fromTdrc[0], fromTdrc[1]}}};
    for (const auto& order : orders) {
        const std::string tag = Tag(4, Frame24("TIT2", Text("Old")) + order.others, 64);
        for (const WrittenVersion& version : kVersions) {
            SCOPED_TRACE(version.name);
            const std::string bytes = SaveTitle(path, tag, version.option, "1999");
            if (version.option != Id3v2WriteVersion::V23) {
                // Kept as they were: an ID3v2.4 reader takes the year from TDRC.
                EXPECT_EQ(bytes, WithNewTitle(order.kept));
                continue;
            }
            // The date comes from TDRC alone; the other frames' texts are
            // kept in frames that cannot override it.
            FrameList expected = {{"TIT2", Text("New")}, {"TYER", Text("1999")}};
            expected.insert(expected.end(), order.converted.begin(), order.converted.end());
            expected.emplace_back("TXXX", Text("key\0value"s));
            EXPECT_EQ(FramesOf(bytes), expected);
        }
    }

    // Without a recording time with a year in it the year frame is the
    // year, in every version: nothing is added or changed.
    const struct {
        std::string others;
        FrameList converted;  // into ID3v2.3, after the title
    } yearFrameTags[] = {
        {tyer + tdat + txxx, {{"TYER", Text("2004")}, {"TDAT", Text("3112")}, {"TXXX", Text("key\0value"s)}}},
        {Frame24("TDRC", Text("Autumn")) + tyer, {{"TYER", Text("2004")}, {"TXXX", Text("TDRC\0Autumn"s)}}}};
    for (const auto& yearFrameTag : yearFrameTags) {
        for (const WrittenVersion& version : kVersions) {
            SCOPED_TRACE(version.name);
            const std::string bytes = SaveTitle(path, Tag(4, Frame24("TIT2", Text("Old")) + yearFrameTag.others, 64),
                                                version.option, "2004");
            FrameList expected = {{"TIT2", Text("New")}};
            expected.insert(expected.end(), yearFrameTag.converted.begin(), yearFrameTag.converted.end());
            if (version.option != Id3v2WriteVersion::V23)
                EXPECT_EQ(bytes, WithNewTitle(yearFrameTag.others));
            else
                EXPECT_EQ(FramesOf(bytes), expected);
        }
    }
}

TEST(YearFrames, FreeTextRecordingTimeIsKeptWhole)
{
    TempDir dir;
    const std::string path = dir.file("a.mp3");
    struct Case {
        std::string text;
        std::string year;  // the four digits of a year in the text
    };
    const Case cases[] = {{"Oct 3, 1995", "1995"}, {"1999-5-6", "1999"}, {"Autumn", ""}, {"12345", ""}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        const std::string others = Frame24("TDRC", Text(c.text)) + Frame24("TPE2", Text("Band"));
        for (const WrittenVersion& version : kVersions) {
            SCOPED_TRACE(version.name);
            const std::string bytes = SaveTitle(path, Tag(4, Frame24("TIT2", Text("Old")) + others, 64),
                                                version.option, c.year);
            if (version.option != Id3v2WriteVersion::V23) {
                EXPECT_EQ(bytes, WithNewTitle(others));
                continue;
            }
            FrameList expected = {{"TIT2", Text("New")}};
            if (!c.year.empty())
                expected.emplace_back("TYER", Text(c.year));
            expected.emplace_back("TXXX", Text("TDRC\0"s + c.text));
            expected.emplace_back("TPE2", Text("Band"));
            EXPECT_EQ(FramesOf(bytes), expected);
        }
    }

    // A changed year replaces such a recording time with the year alone.
    WriteFile(path, Tag(4, Frame24("TDRC", Text("Oct 3, 1995")), 64) + AudioBytes());
    Tmp3TagV2 tag(OptionsFor(Id3v2WriteVersion::Keep));
    ASSERT_TRUE(tag.LoadFromFile(path));
    tag.SetYear("2001");
    ASSERT_TRUE(tag.SaveToFile(path));
    EXPECT_TRUE(ReadFile(path) == Tag(4, Frame24("TDRC", Text("2001")), 64 + 7) + AudioBytes());
}

// An ID3v2.3 tag holding frames of the later version (a TDRC beside its TYER,
// a SEEK frame) written as ID3v2.4: the year stays TYER's, TDRC's text is
// kept in a user text frame, the old position goes, and a second save
// keeps the same tag.
TEST(YearFrames, Version3TagWithLaterFramesKeepsItsYearWhenUpgraded)
{
    TempDir dir;
    const std::string path = dir.file("song.mp3");
    const std::string tag = Tag(3, Frame23("TIT2", Text("Old")) + Frame23("TYER", Text("2004"))
                                       + Frame23("TDRC", Text("1999-05-06")) + Frame23("SEEK", Be32(100)));
    const std::string upgraded = SaveTitle(path, tag, Id3v2WriteVersion::V24, "2004");
    EXPECT_EQ(upgraded.find("SEEK"), std::string::npos);
    EXPECT_NE(upgraded.find("TXXX"), std::string::npos);
    EXPECT_NE(upgraded.find("1999-05-06"), std::string::npos);
    const std::string again = SaveTitle(path, upgraded, Id3v2WriteVersion::Keep, "2004");
    EXPECT_NE(again.find("1999-05-06"), std::string::npos);
    EXPECT_EQ(again.size(), upgraded.size());
}
