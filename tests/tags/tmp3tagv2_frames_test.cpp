// Reading tags of every version and form, and carrying the frames the
// program does not edit into the rewritten tag.

#include "tagtestutil.h"
#include "tmp3tagv2.h"

#include <gtest/gtest.h>

namespace {

std::string Text(const std::string& latin1) { return std::string(1, '\0') + latin1; }
std::string Utf8Text(const std::string& utf8) { return std::string(1, '\x03') + utf8; }

Tmp3TagV2 LoadTag(const std::string& path)
{
    Tmp3TagV2 tag;
    EXPECT_TRUE(tag.LoadFromFile(path));
    return tag;
}

}  // namespace

TEST(Tmp3TagV2Frames, OtherFramesSurviveByteForByteInOrder)
{
    TempDir dir;
    const std::string path = dir.file("a.mp3");
    const std::string apic = Frame23("APIC", std::string("\0image/jpeg\0\x03\0", 14) + std::string(3000, '\xAB'));
    const std::string txxx = Frame23("TXXX", std::string("\0MusicBrainz Id\0abc-123", 23));
    const std::string priv = Frame23("PRIV", std::string("owner\0\x01\x02\x03", 9), 0x00);
    const std::string uslt = Frame23("USLT", std::string("\0eng\0la la la", 13));
    const std::string frames = Frame23("TIT2", Text("Old title")) + apic + Frame23("TPE1", Text("Artist")) + txxx
        + priv + uslt;
    WriteFile(path, Tag(3, frames, 2048) + AudioBytes());

    Tmp3TagV2 tag = LoadTag(path);
    tag.SetTitle("New title");
    ASSERT_TRUE(tag.SaveToFile(path));
    const std::string bytes = ReadFile(path);
    const std::string expectedFrames = Frame23("TIT2", Text("New title")) + Frame23("TPE1", Text("Artist"))
        + apic + txxx + priv + uslt;
    EXPECT_EQ(bytes, Tag(3, expectedFrames, 2048) + AudioBytes());  // the old room is kept
}

TEST(Tmp3TagV2Frames, Version4TagsAreReadAndConverted)
{
    TempDir dir;
    const std::string path = dir.file("a.mp3");
    // UTF-8 texts, syncsafe sizes (a frame over 127 bytes shows the difference),
    // a TDRC date, a v2.4-only frame and a compressed frame.
    const std::string longTitle(200, 'T');
    const std::string frames = Frame24("TIT2", Utf8Text(longTitle)) + Frame24("TPE1", Utf8Text("Сергей"))
        + Frame24("TALB", std::string("\x02\x65\xE5\x67\x2C", 5)) + Frame24("TDRC", Text("2004-05-06"))
        + Frame24("TRCK", Text("3/9")) + Frame24("TCON", Text("(8)"))
        + Frame24("COMM", std::string("\x03" "eng\0Привет", 17))
        + Frame24("TXXX", std::string("\x03") + "Key" + '\0' + "Значение")
        + Frame24("APIC", std::string("\x03image/png\0\x03", 12) + "Обложка" + '\0' + std::string(500, '\x89'))
        + Frame24("TSOP", Utf8Text("Sort"))                       // v2.4 only, kept as ID3v2.3 writers do
        + Frame24("TPE2", Text("zzz"), 0, 0x08)                    // compressed without its size: dropped
        + Frame24("TPE3", std::string("\x00\x00\x00\x05", 4) + Text("Cond"), 0x40, 0x01);  // length indicator
    WriteFile(path, Tag(4, frames, 64) + AudioBytes());

    Tmp3TagV2 tag = LoadTag(path);
    EXPECT_EQ(tag.MajorVersion(), 4);
    EXPECT_EQ(tag.Title(), longTitle);
    EXPECT_EQ(tag.Artist(), "Сергей");
    EXPECT_EQ(tag.Album(), "日本");
    EXPECT_EQ(tag.Year(), "2004");
    EXPECT_EQ(tag.Track(), 3);
    EXPECT_EQ(tag.Genre(), "Jazz");
    EXPECT_EQ(tag.Comment(), "Привет");

    // Saving writes version 3: nothing of the seven is wiped, the rest is
    // carried over with v2.3 sizes and UTF-16 texts.
    tag.SetAlbum("Album");
    ASSERT_TRUE(tag.SaveToFile(path));
    const std::string bytes = ReadFile(path);
    const auto out = FramesOf(bytes);
    std::vector<std::string> ids;
    for (const auto& f : out)
        ids.push_back(f.first);
    EXPECT_EQ(ids, (std::vector<std::string> {"TIT2", "TPE1", "TALB", "TRCK", "TYER", "TCON", "COMM", "TDAT", "TXXX",
                                              "APIC", "TSOP", "TPE3"}));
    EXPECT_EQ(out[7].second, Text("0605"));  // day and month of the recording time
    EXPECT_EQ(out[9].second, std::string("\x01image/png\0\x03\xFF\xFE\x1E\x04\x31\x04\x3B\x04\x3E\x04\x36\x04\x3A\x04\x30\x04\0\0", 30)
                                 + std::string(500, '\x89'));
    EXPECT_EQ(out[8].second, std::string("\x01\xFF\xFEK\0e\0y\0\0\0\xFF\xFE\x17\x04\x3D\x04\x30\x04\x47\x04\x35\x04\x3D\x04\x38\x04\x35\x04", 29));
    EXPECT_EQ(out[10].second, std::string("\x01\xFF\xFES\0o\0r\0t\0", 11));
    EXPECT_EQ(out[11].second, Text("Cond"));
    EXPECT_EQ(bytes.substr(bytes.size() - AudioBytes().size()), AudioBytes());

    Tmp3TagV2 again = LoadTag(path);
    EXPECT_EQ(again.MajorVersion(), 3);
    EXPECT_EQ(again.Title(), longTitle);
    EXPECT_EQ(again.Artist(), "Сергей");
    EXPECT_EQ(again.Year(), "2004");
    EXPECT_EQ(again.Genre(), "Jazz");
    EXPECT_EQ(again.Comment(), "Привет");
}

TEST(Tmp3TagV2Frames, Version4FooterUnsyncAndPlainSizes)
{
    TempDir dir;
    const std::string path = dir.file("a.mp3");
    // Footer: the tag is 20 bytes longer than its size says, and is skipped whole.
    const std::string frames = Frame24("TIT2", Text("Footer"));
    std::string tag = Id3Header(4, 0x10, static_cast<std::uint32_t>(frames.size())) + frames;
    tag += "3DI" + tag.substr(3, 7);
    WriteFile(path, tag + AudioBytes());
    Tmp3TagV2 v2 = LoadTag(path);
    EXPECT_EQ(v2.Title(), "Footer");
    EXPECT_EQ(v2.TagSize(), static_cast<std::int64_t>(tag.size()));
    ASSERT_TRUE(v2.RemoveFromFile(path));
    EXPECT_EQ(ReadFile(path), AudioBytes());

    // Per-frame unsynchronisation.
    WriteFile(path, Tag(4, Frame24("TIT2", std::string("\x01\xFF\x00\xFE" "A\0", 6), 0, 0x02)) + AudioBytes());
    EXPECT_EQ(LoadTag(path).Title(), "A");

    // Frame sizes written as plain numbers by tools that ignored the rule.
    const std::string body(300, 'x');
    const std::string plainSized = std::string("TIT2") + Be32(301) + std::string(2, '\0') + Text(body)
        + Frame24("TPE1", Text("After"));
    WriteFile(path, Tag(4, plainSized) + AudioBytes());
    v2 = LoadTag(path);
    EXPECT_EQ(v2.Title(), body);
    EXPECT_EQ(v2.Artist(), "After");
}

TEST(Tmp3TagV2Frames, Version2TagsAreReadAndPicturesKept)
{
    TempDir dir;
    const std::string path = dir.file("a.mp3");
    const std::string picture(700, '\xD8');
    const std::string frames = Frame22("TT2", Text("Two")) + Frame22("TP1", Text("Artist"))
        + Frame22("TAL", Text("Album")) + Frame22("TRK", Text("4")) + Frame22("TYE", Text("1990"))
        + Frame22("TCO", Text("(13)")) + Frame22("COM", std::string("\0eng\0Old", 8))
        + Frame22("PIC", std::string("\0JPG\x03" "cover\0", 11) + picture) + Frame22("TEN", Text("enc"));
    WriteFile(path, Tag(2, frames, 10) + AudioBytes());
    Tmp3TagV2 tag = LoadTag(path);
    EXPECT_EQ(tag.MajorVersion(), 2);
    EXPECT_EQ(tag.Title(), "Two");
    EXPECT_EQ(tag.Artist(), "Artist");
    EXPECT_EQ(tag.Album(), "Album");
    EXPECT_EQ(tag.Track(), 4);
    EXPECT_EQ(tag.Year(), "1990");
    EXPECT_EQ(tag.Genre(), "Pop");
    EXPECT_EQ(tag.Comment(), "Old");

    ASSERT_TRUE(tag.SaveToFile(path));
    const auto out = FramesOf(ReadFile(path));
    ASSERT_EQ(out.size(), 9u);
    EXPECT_EQ(out[7].first, "APIC");
    EXPECT_EQ(out[7].second, std::string("\0image/jpeg\0\x03" "cover\0", 19) + picture);
    EXPECT_EQ(out[8].first, "TENC");
    EXPECT_EQ(out[8].second, Text("enc"));
}

TEST(Tmp3TagV2Frames, ExtendedHeaderAndWholeTagUnsync)
{
    TempDir dir;
    const std::string path = dir.file("a.mp3");
    const std::string ext = Be32(6) + std::string(6, '\0');
    WriteFile(path, Tag(3, ext + Frame23("TIT2", Text("Extended")), 0, 0x40) + AudioBytes());
    EXPECT_EQ(LoadTag(path).Title(), "Extended");

    const std::string ext4 = Syncsafe(6) + std::string("\x01\x00", 2);
    WriteFile(path, Tag(4, ext4 + Frame24("TIT2", Text("Four")), 0, 0x40) + AudioBytes());
    EXPECT_EQ(LoadTag(path).Title(), "Four");

    // Whole-tag unsynchronisation (v2.3): FF 00 pairs inside the frames.
    std::string raw = Frame23("TIT2", std::string("\x01\xFF\xFE" "B\0", 5)) + Frame23("TPE1", Text("C"));
    std::string unsynced;
    for (const char c : raw) {
        unsynced += c;
        if (static_cast<unsigned char>(c) == 0xFF)
            unsynced += '\0';
    }
    WriteFile(path, Tag(3, unsynced, 0, 0x80) + AudioBytes());
    Tmp3TagV2 tag = LoadTag(path);
    EXPECT_EQ(tag.Title(), "B");
    EXPECT_EQ(tag.Artist(), "C");
}

TEST(Tmp3TagV2Frames, DamagedTagsNeverReadPastTheTag)
{
    TempDir dir;
    const std::string path = dir.file("a.mp3");
    // A last frame whose size runs past the tag keeps what the tag holds of it.
    const std::string frames = Frame23("TIT2", Text("Kept")) + "TPE1" + Be32(0x7FFFFFF0) + std::string(2, '\0') + "xx";
    WriteFile(path, Tag(3, frames) + AudioBytes());
    Tmp3TagV2 tag = LoadTag(path);
    EXPECT_EQ(tag.Title(), "Kept");
    EXPECT_EQ(tag.Artist(), "x");
    // Saving keeps the audio intact.
    tag.SetArtist("Fixed");
    ASSERT_TRUE(tag.SaveToFile(path));
    const std::string bytes = ReadFile(path);
    EXPECT_EQ(bytes.substr(bytes.size() - AudioBytes().size()), AudioBytes());
    EXPECT_EQ(LoadTag(path).Artist(), "Fixed");

    // Garbage after the header, an unknown version, a truncated frame header.
    WriteFile(path, Tag(3, "\x01\x02garbage") + AudioBytes());
    EXPECT_EQ(LoadTag(path).Title(), "");
    WriteFile(path, Tag(5, Frame23("TIT2", Text("Five"))) + AudioBytes());
    tag = LoadTag(path);
    EXPECT_TRUE(tag.TagPresent());
    EXPECT_EQ(tag.Title(), "");
    WriteFile(path, Id3Header(3, 0, 6) + std::string("TIT2\0\0", 6));
    EXPECT_EQ(LoadTag(path).Title(), "");
    // A COMM frame too short to hold its language.
    WriteFile(path, Tag(3, Frame23("COMM", std::string("\0e", 2))) + AudioBytes());
    EXPECT_EQ(LoadTag(path).Comment(), "");
}
