// The fields beyond the seven: a save changes the frames of the fields set
// and keeps every other frame byte for byte and in its place, whoever saves.

#include "tagtestutil.h"
#include "tmp3tagv2.h"
#include "unicodeutils.h"

#include <gtest/gtest.h>

using namespace std::string_literals;

namespace {

std::string Utf16(const std::string& utf8) { return "\x01\xFF\xFE"s.append(Utf8ToUtf16(utf8, false)); }

// A tag of an odd making: UTF-16 album artist, a disc, a compilation "0",
// a URL with a description, user texts and identifiers of two owners.
const std::string kFrames = Frame23("TIT2", "\0Title"s) + Frame23("TRCK", "\0" "3/12"s) + Frame23("TPE2", Utf16("Various Artists"))
    + Frame23("TPOS", "\0 2/3"s) + Frame23("TCMP", "\0" "0"s) + Frame23("WXXX", "\0shop\0http://shop.example"s)
    + Frame23("TXXX", "\0Catalog\0CAT-7"s) + Frame23("UFID", "http://musicbrainz.org\0old-id"s)
    + Frame23("UFID", "other.example\0keep"s);

}  // namespace

TEST(ExtraFields, SetFieldsChangeOnlyTheirFramesInPlace)
{
    TempDir dir;
    const std::string path = dir.file("extra.mp3");
    WriteFile(path, Tag(3, kFrames, 64) + AudioBytes());
    Tmp3TagV2 v2;
    ASSERT_TRUE(v2.LoadFromFile(path));
    EXPECT_EQ(v2.AlbumArtist(), "Various Artists");
    EXPECT_EQ(v2.Extra(id3v2::kDisc), "2/3");
    EXPECT_EQ(v2.Disc(), 2);
    EXPECT_EQ(v2.Extra(id3v2::kCompilation), "");
    EXPECT_EQ(v2.Extra(id3v2::kUrl), "");  // only a URL without description is the field
    EXPECT_EQ(v2.UserText("Catalog"), "CAT-7");
    EXPECT_EQ(v2.TrackText(), "3/12");
    EXPECT_EQ(v2.Track(), 3);

    // The values the file holds: nothing changes.
    v2.SetExtra(id3v2::kAlbumArtist, "Various Artists");
    v2.SetExtra(id3v2::kCompilation, "");
    v2.SetUserText("Catalog", "CAT-7");
    v2.SetUniqueFileId("http://musicbrainz.org", "old-id");
    v2.SetTrack(3);
    EXPECT_EQ(v2.TrackText(), "3/12");
    ASSERT_TRUE(v2.SaveToFile(path));
    EXPECT_EQ(FramesOf(ReadFile(path)), FramesOf(Tag(3, kFrames)));

    // New values take the places of their frames; new fields follow the rest.
    v2.SetExtra(id3v2::kDisc, "");
    v2.SetExtra(id3v2::kCompilation, "yes");
    v2.SetExtra(id3v2::kUrl, "https://band.example");
    v2.SetExtra(id3v2::kComposer, "Erik Satie");
    v2.SetUserText("Catalog", "");
    v2.SetUserText("Mood", "Calm");
    v2.SetUniqueFileId("http://musicbrainz.org", "new-id");
    v2.SetTrackText("4/12");
    ASSERT_TRUE(v2.SaveToFile(path));
    const std::vector<std::pair<std::string, std::string>> expected = {
        {"TIT2", "\0Title"s},
        {"TRCK", "\0" "4/12"s},
        {"TPE2", Utf16("Various Artists")},
        {"TCMP", "\0" "1"s},
        {"WXXX", "\0shop\0http://shop.example"s},
        {"UFID", "http://musicbrainz.org\0new-id"s},
        {"UFID", "other.example\0keep"s},
        {"TCOM", "\0Erik Satie"s},
        {"WXXX", "\0\0https://band.example"s},
        {"TXXX", "\0Mood\0Calm"s},
    };
    EXPECT_EQ(FramesOf(ReadFile(path)), expected);

    // A number other than the track's own replaces its whole text.
    v2.SetTrack(5);
    EXPECT_EQ(v2.TrackText(), "5");
    ASSERT_TRUE(v2.SaveToFile(path));
    EXPECT_EQ(FramesOf(ReadFile(path))[1], std::make_pair("TRCK"s, "\0" "5"s));
}

TEST(ExtraFields, SavesThatSetNoExtraFieldKeepThem)
{
    TempDir dir;
    const std::string path = dir.file("keep.mp3");
    WriteFile(path, Tag(3, kFrames) + AudioBytes());
    // Neither loaded nor set: only the title changes.
    Tmp3TagV2 blank;
    blank.SetTitle("Title");
    blank.SetTrack(3);
    ASSERT_TRUE(blank.SaveToFile(path));
    EXPECT_EQ(FramesOf(ReadFile(path)), FramesOf(Tag(3, kFrames)));

    // An ID3v2.4 original release time read as ID3v2.3 becomes the
    // original year; set as ID3v2.4, the release time keeps month and day.
    const std::string v24 = Tag(4, Frame24("TIT2", "\0Old"s) + Frame24("TDOR", "\x03" "1971-11-08"s));
    WriteFile(path, v24 + AudioBytes());
    TagOptions keep;
    keep.writeVersion = Id3v2WriteVersion::Keep;
    Tmp3TagV2 v4(keep);
    ASSERT_TRUE(v4.LoadFromFile(path));
    EXPECT_EQ(v4.Extra(id3v2::kOriginalYear), "1971");
    v4.SetTitle("New");
    ASSERT_TRUE(v4.SaveToFile(path));
    EXPECT_NE(ReadFile(path).find(Frame24("TDOR", "\x03" "1971-11-08"s)), std::string::npos);
    v4.SetExtra(id3v2::kOriginalYear, "1972");
    ASSERT_TRUE(v4.SaveToFile(path));
    EXPECT_NE(ReadFile(path).find("1972-11-08"), std::string::npos);
    EXPECT_EQ(ReadFile(path).find("1971"), std::string::npos);
}
