#include "tagtestutil.h"
#include "tmp3tagv2.h"

#include <gtest/gtest.h>

#include <algorithm>

#include <sys/stat.h>

namespace {

std::string Text(const std::string& latin1) { return std::string(1, '\0') + latin1; }

Tmp3TagV2 LoadTag(const std::string& path)
{
    Tmp3TagV2 tag;
    EXPECT_TRUE(tag.LoadFromFile(path));
    return tag;
}

}  // namespace

TEST(Tmp3TagV2, ReadsTheSevenFramesOfAVersion3Tag)
{
    TempDir dir;
    const std::string path = dir.file("a.mp3");
    const std::string frames = Frame23("TIT2", Text("  Title  ")) + Frame23("TPE1", Text("Artist"))
        + Frame23("TALB", Text("Album")) + Frame23("TRCK", Text("7/12")) + Frame23("TYER", Text("1999"))
        + Frame23("TCON", Text("(17)Rock")) + Frame23("COMM", std::string("\0eng\0Nice", 9));
    const std::string tag = Tag(3, frames, 100);
    WriteFile(path, tag + AudioBytes());
    Tmp3TagV2 v2 = LoadTag(path);
    EXPECT_TRUE(v2.TagPresent());
    EXPECT_EQ(v2.MajorVersion(), 3);
    EXPECT_EQ(v2.TagSize(), static_cast<std::int64_t>(tag.size()));
    EXPECT_EQ(v2.Title(), "Title");
    EXPECT_EQ(v2.Artist(), "Artist");
    EXPECT_EQ(v2.Album(), "Album");
    EXPECT_EQ(v2.Track(), 7);
    EXPECT_EQ(v2.Year(), "1999");
    EXPECT_EQ(v2.Genre(), "Rock");
    EXPECT_EQ(v2.Comment(), "Nice");
}

TEST(Tmp3TagV2, NoTagShortFilesAndOversizedTags)
{
    TempDir dir;
    Tmp3TagV2 tag;
    EXPECT_FALSE(tag.LoadFromFile(dir.file("missing.mp3")));
    EXPECT_FALSE(tag.LoadFromFile(dir.path()));
    const std::string fifo = dir.file("fifo.mp3");
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0644), 0);
    EXPECT_FALSE(tag.LoadFromFile(fifo));
    EXPECT_FALSE(tag.SaveToFile(fifo));

    const std::string shortFile = dir.file("short.mp3");
    WriteFile(shortFile, "ID3\3");
    EXPECT_FALSE(tag.LoadFromFile(shortFile));
    EXPECT_FALSE(tag.TagPresent());
    EXPECT_FALSE(tag.SaveToFile(shortFile));
    EXPECT_EQ(ReadFile(shortFile), "ID3\3");

    const std::string plain = dir.file("plain.mp3");
    WriteFile(plain, AudioBytes());
    EXPECT_TRUE(tag.LoadFromFile(plain));
    EXPECT_FALSE(tag.TagPresent());
    EXPECT_FALSE(tag.RemoveFromFile(plain));
    EXPECT_EQ(ReadFile(plain), AudioBytes());

    // A declared size past the end of the file: present, size 0, no frames;
    // a removal refuses rather than claim success.
    const std::string huge = dir.file("huge.mp3");
    const std::string content = Id3Header(3, 0, 1000000) + Frame23("TIT2", Text("x")) + AudioBytes();
    WriteFile(huge, content);
    tag = LoadTag(huge);
    EXPECT_TRUE(tag.TagPresent());
    EXPECT_EQ(tag.TagSize(), 0);
    EXPECT_EQ(tag.Title(), "");
    EXPECT_FALSE(tag.RemoveFromFile(huge));
    EXPECT_EQ(ReadFile(huge), content);
    // Saving puts the new tag in front of everything; nothing is lost.
    tag.SetTitle("New");
    EXPECT_TRUE(tag.SaveToFile(huge));
    const std::string after = ReadFile(huge);
    EXPECT_EQ(after.substr(after.size() - content.size()), content);
}

TEST(Tmp3TagV2, WritesTheExactVersion3Layout)
{
    TempDir dir;
    const std::string path = dir.file("a.mp3");
    WriteFile(path, AudioBytes());
    TagOptions exact;
    exact.leaveRoom = false;
    Tmp3TagV2 tag(exact);
    tag.SetTitle("Song  \t");
    EXPECT_EQ(tag.Title(), "Song");
    ASSERT_TRUE(tag.SaveToFile(path));
    std::string expected = Id3Header(3, 0, 15) + "TIT2" + Be32(5) + std::string(3, '\0') + "Song";
    EXPECT_EQ(ReadFile(path), expected + AudioBytes());

    tag.SetArtist("Art");
    tag.SetAlbum("Alb");
    tag.SetTrack(300);
    tag.SetYear("2001");
    tag.SetGenre("Jazz");
    tag.SetComment("Hi");
    ASSERT_TRUE(tag.SaveToFile(path));
    const std::string frames = Frame23("TIT2", Text("Song")) + Frame23("TPE1", Text("Art"))
        + Frame23("TALB", Text("Alb")) + Frame23("TRCK", Text("300")) + Frame23("TYER", Text("2001"))
        + Frame23("TCON", Text("Jazz")) + Frame23("COMM", std::string("\0eng\0Hi", 7));
    EXPECT_EQ(ReadFile(path), Tag(3, frames) + AudioBytes());

    Tmp3TagV2 again = LoadTag(path);
    EXPECT_EQ(again.Track(), 300);
    EXPECT_EQ(again.Comment(), "Hi");
    EXPECT_EQ(again.Genre(), "Jazz");

    // All seven empty: a bare header, in the room the old tag had.
    Tmp3TagV2 empty;
    ASSERT_TRUE(empty.SaveToFile(path));
    EXPECT_EQ(ReadFile(path), Id3Header(3, 0, frames.size()) + std::string(frames.size(), '\0') + AudioBytes());
    ASSERT_TRUE(empty.RemoveFromFile(path));
    EXPECT_EQ(ReadFile(path), AudioBytes());

    // By default a new tag gets room for later edits: 1 KiB for a small
    // file, 1% of a larger one, at most 64 KiB; an edit then fits in place.
    for (const std::size_t audio : {std::size_t(0), std::size_t(3) << 20, std::size_t(8) << 20}) {
        WriteFile(path, AudioBytes() + std::string(audio, '\x55'));
        const std::int64_t fileSize = static_cast<std::int64_t>(ReadFile(path).size());
        Tmp3TagV2 roomy;
        roomy.SetTitle("Song");
        ASSERT_TRUE(roomy.SaveToFile(path));
        const std::size_t room = std::clamp<std::size_t>(static_cast<std::size_t>(fileSize / 100), 1024, 65536);
        const std::string song = Frame23("TIT2", Text("Song"));
        EXPECT_EQ(ReadFile(path).substr(0, 10 + song.size() + room), Tag(3, song, room)) << audio;
        struct stat before {};
        ASSERT_EQ(::stat(path.c_str(), &before), 0);
        roomy.SetTitle("A longer song title");
        ASSERT_TRUE(roomy.SaveToFile(path));
        struct stat after {};
        ASSERT_EQ(::stat(path.c_str(), &after), 0);
        EXPECT_EQ(after.st_ino, before.st_ino);
        EXPECT_EQ(after.st_size, before.st_size);
    }
}

TEST(Tmp3TagV2, TextEncodingsAreDecodedAndNothingTypedIsLost)
{
    TempDir dir;
    const std::string path = dir.file("a.mp3");
    // Encoding 1 with either mark, 2 (UTF-16BE) and 3 (UTF-8), 0 as Windows-1252.
    const std::string frames = Frame23("TIT2", std::string("\x01\xFF\xFE\x41\x04\x3F\x04", 7))      // "сп" LE
        + Frame23("TPE1", std::string("\x01\xFE\xFF\x04\x41\x04\x3F\x00\x00", 9))                   // "сп" BE + terminator
        + Frame23("TALB", std::string("\x02\x30\xEB\x30\xFC", 5))                                   // "ルー"
        + Frame23("TYER", std::string("\x03") + "2\xE2\x82\xAC")                                    // "2€"
        + Frame23("TCON", std::string("\x00\x80 Euro", 7));                                         // "€ Euro"
    WriteFile(path, Tag(3, frames) + AudioBytes());
    Tmp3TagV2 tag = LoadTag(path);
    EXPECT_EQ(tag.Title(), "сп");
    EXPECT_EQ(tag.Artist(), "сп");
    EXPECT_EQ(tag.Album(), "ルー");
    EXPECT_EQ(tag.Year(), "2€");
    EXPECT_EQ(tag.Genre(), "€ Euro");

    // Writing: Latin-1 text as encoding 0, anything else as UTF-16LE with FF FE.
    Tmp3TagV2 out;
    out.SetTitle("Café");
    out.SetArtist("Сергей");
    out.SetComment("日本語");
    ASSERT_TRUE(out.SaveToFile(path));
    const std::string bytes = ReadFile(path);
    EXPECT_NE(bytes.find(Frame23("TIT2", std::string("\0Caf\xE9", 5))), std::string::npos);
    EXPECT_NE(bytes.find(Frame23("TPE1", std::string("\x01\xFF\xFE\x21\x04\x35\x04\x40\x04\x33\x04\x35\x04\x39\x04", 15))),
              std::string::npos);
    EXPECT_NE(bytes.find(Frame23("COMM", std::string("\x01" "eng\xFF\xFE\0\0\xFF\xFE\xE5\x65\x2C\x67\x9E\x8A", 16))),
              std::string::npos);
    Tmp3TagV2 back = LoadTag(path);
    EXPECT_EQ(back.Title(), "Café");
    EXPECT_EQ(back.Artist(), "Сергей");
    EXPECT_EQ(back.Comment(), "日本語");
    // "€" is not ISO-8859-1: it must not come back as a C1 control.
    out.SetTitle("5 €");
    ASSERT_TRUE(out.SaveToFile(path));
    EXPECT_EQ(LoadTag(path).Title(), "5 €");
}

TEST(Tmp3TagV2, TrackNumbers)
{
    TempDir dir;
    const std::string path = dir.file("a.mp3");
    const auto trackOf = [&](const std::string& text) {
        WriteFile(path, Tag(3, Frame23("TRCK", Text(text))) + AudioBytes());
        return LoadTag(path).Track();
    };
    EXPECT_EQ(trackOf("7/12"), 7);
    EXPECT_EQ(trackOf(" 12 "), 12);
    EXPECT_EQ(trackOf("300"), 300);
    EXPECT_EQ(trackOf("abc"), 0);
    EXPECT_EQ(trackOf("-3"), 0);
    EXPECT_EQ(trackOf("70000"), 0);

    // Unchanged since the load, the original text (with its total) is kept.
    WriteFile(path, Tag(3, Frame23("TRCK", Text("7/12")) + Frame23("TIT2", Text("Old"))) + AudioBytes());
    Tmp3TagV2 tag = LoadTag(path);
    tag.SetTitle("New");
    ASSERT_TRUE(tag.SaveToFile(path));
    EXPECT_NE(ReadFile(path).find(Frame23("TRCK", Text("7/12"))), std::string::npos);
    tag.SetTrack(8);
    ASSERT_TRUE(tag.SaveToFile(path));
    EXPECT_NE(ReadFile(path).find(Frame23("TRCK", Text("8"))), std::string::npos);
    tag.SetTrack(0);
    ASSERT_TRUE(tag.SaveToFile(path));
    EXPECT_EQ(ReadFile(path).find("TRCK"), std::string::npos);
}

TEST(Tmp3TagV2, GenreReferences)
{
    TempDir dir;
    const std::string path = dir.file("a.mp3");
    const auto genreOf = [&](const std::string& text) {
        WriteFile(path, Tag(3, Frame23("TCON", Text(text))) + AudioBytes());
        return LoadTag(path).Genre();
    };
    EXPECT_EQ(genreOf("(17)"), "Rock");
    EXPECT_EQ(genreOf("17"), "Rock");
    EXPECT_EQ(genreOf("(17)Rock"), "Rock");
    EXPECT_EQ(genreOf("Rock"), "Rock");
    EXPECT_EQ(genreOf("(147)"), "Synthpop");
    EXPECT_EQ(genreOf("(17) Rock"), "Rock");  // no stray blank that a save would change
    EXPECT_EQ(genreOf("(200)"), "");
    EXPECT_EQ(genreOf("2000s"), "2000s");
}

TEST(Tmp3TagV2, CommentChoice)
{
    TempDir dir;
    const std::string path = dir.file("a.mp3");
    const std::string norm = Frame23("COMM", std::string("\0engiTunNORM\0 0000 0001", 23));
    const std::string plain = Frame23("COMM", std::string("\0deu\0Real comment", 17));
    const std::string other = Frame23("COMM", std::string("\0engSecond\0second text", 23));
    WriteFile(path, Tag(3, norm + plain + other) + AudioBytes());
    Tmp3TagV2 tag = LoadTag(path);
    EXPECT_EQ(tag.Comment(), "Real comment");

    // Without an empty description there is no comment: described frames
    // (iTunNORM, ...) are data of other programs.
    WriteFile(path, Tag(3, norm + other) + AudioBytes());
    EXPECT_EQ(LoadTag(path).Comment(), "");

    // The other COMM frames stay when the comment changes.
    WriteFile(path, Tag(3, norm + plain + other) + AudioBytes());
    tag = LoadTag(path);
    tag.SetComment("Changed");
    ASSERT_TRUE(tag.SaveToFile(path));
    const std::string bytes = ReadFile(path);
    EXPECT_NE(bytes.find(norm), std::string::npos);
    EXPECT_NE(bytes.find(other), std::string::npos);
    EXPECT_EQ(bytes.find("Real comment"), std::string::npos);
    EXPECT_EQ(LoadTag(path).Comment(), "Changed");
}
