#include "tagerror.h"
#include "tagtestutil.h"
#include "tmp3tagv1.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <sstream>

#include <sys/stat.h>

namespace {

// A 128-byte block with the given fields (raw code-page bytes).
std::string Block(const std::string& title, const std::string& comment30, unsigned char genre)
{
    std::string b = "TAG";
    auto field = [&](const std::string& s, std::size_t w) { b += s.substr(0, w) + std::string(w - std::min(w, s.size()), ' '); };
    field(title, 30);
    field("Artist", 30);
    field("Album", 30);
    field("1999", 4);
    std::string c = comment30;
    c.resize(30, ' ');
    b += c;
    b += static_cast<char>(genre);
    return b;
}

Tmp3TagV1 Loaded(const std::string& path)
{
    Tmp3TagV1 tag;
    tag.LoadFromFile(path);
    return tag;
}

}  // namespace

TEST(Tmp3TagV1, ConstructionAndGenreList)
{
    Tmp3TagV1 tag;
    EXPECT_FALSE(tag.TagPresent());
    EXPECT_FALSE(tag.TagModified());
    EXPECT_FALSE(tag.v1Tag());
    EXPECT_EQ(tag.GenreID(), 0);
    EXPECT_EQ(tag.Genre(), "Blues");
    const auto& genres = Tmp3TagV1::Genres();
    ASSERT_EQ(genres.size(), 149u);
    EXPECT_EQ(genres[17], "Rock");
    EXPECT_EQ(genres[94], "Symphonic Rock");
    EXPECT_EQ(genres[140], "Contemporary Ch?");
    EXPECT_EQ(genres[147], "Synthpop");
    EXPECT_EQ(genres[148], "");
    EXPECT_FALSE(Tmp3TagV1::About().empty());
}

TEST(Tmp3TagV1, ReadsFieldsByTheTextRule)
{
    TempDir dir;
    const std::string path = dir.file("a.mp3");
    std::string block = Block("Abc", "Comment", 17);
    block.replace(3, 7, std::string("Abc\0xyz", 7));       // zero byte cuts the field
    block.replace(33, 5, "  Art");                           // leading spaces stay
    block[63 + 10] = '\t';                                    // trailing control chars go
    WriteFile(path, AudioBytes() + block);
    Tmp3TagV1 tag = Loaded(path);
    EXPECT_TRUE(tag.TagPresent());
    EXPECT_EQ(tag.Title(), "Abc");
    EXPECT_EQ(tag.Artist(), "  Artt");
    EXPECT_EQ(tag.Album(), "Album");
    EXPECT_EQ(tag.Year(), "1999");
    EXPECT_EQ(tag.Comment(), "Comment");
    EXPECT_TRUE(tag.v1Tag());
    EXPECT_EQ(tag.Track(), 0);
    EXPECT_EQ(tag.GenreID(), 17);
    EXPECT_EQ(tag.Genre(), "Rock");
    EXPECT_FALSE(tag.TagModified());
}

TEST(Tmp3TagV1, LayoutsAndTrackByte)
{
    TempDir dir;
    const std::string path = dir.file("a.mp3");
    std::string block = Block("T", "Short comment", 200);
    block[125] = 0;
    block[126] = 7;
    WriteFile(path, AudioBytes() + block);
    Tmp3TagV1 tag = Loaded(path);
    EXPECT_FALSE(tag.v1Tag());
    EXPECT_EQ(tag.Track(), 7);
    EXPECT_EQ(tag.Comment(), "Short comment");
    EXPECT_EQ(tag.GenreID(), 200);
    EXPECT_EQ(tag.Genre(), "");

    block[126] = 0;
    WriteFile(path, AudioBytes() + block);
    tag = Loaded(path);
    EXPECT_TRUE(tag.v1Tag());
    EXPECT_EQ(tag.Track(), 0);

    // Genre byte 200 is written back unchanged; track 300 keeps its low byte.
    tag.SetTrack(300);
    EXPECT_FALSE(tag.v1Tag());
    tag.SaveToFile(path);
    const std::string bytes = ReadFile(path);
    ASSERT_EQ(bytes.size(), AudioBytes().size() + 128);
    EXPECT_EQ(static_cast<unsigned char>(bytes[bytes.size() - 1]), 200);
    EXPECT_EQ(static_cast<unsigned char>(bytes[bytes.size() - 2]), 44);
    EXPECT_EQ(bytes[bytes.size() - 3], '\0');
    EXPECT_EQ(Loaded(path).Track(), 44);
}

TEST(Tmp3TagV1, WritesTheExactBlock)
{
    TempDir dir;
    const std::string path = dir.file("a.mp3");
    WriteFile(path, AudioBytes());
    Tmp3TagV1 tag;
    tag.LoadFromFile(path);
    EXPECT_FALSE(tag.TagPresent());
    tag.SetTitle("Title");
    tag.SetArtist("Ärtist");  // one code-page byte
    tag.SetAlbum("Album");
    tag.SetYear("19999");      // cut to 4
    tag.SetTrack(5);
    tag.SetComment("A comment that is longer than twenty-eight bytes");
    EXPECT_EQ(tag.Comment(), "A comment that is longer tha");
    tag.SetGenre("hard rock");
    EXPECT_EQ(tag.GenreID(), 79);
    EXPECT_EQ(tag.Genre(), "hard rock");
    EXPECT_TRUE(tag.TagModified());
    tag.SaveToFile(path);
    EXPECT_FALSE(tag.TagModified());

    const std::string bytes = ReadFile(path);
    ASSERT_EQ(bytes.size(), AudioBytes().size() + 128);
    EXPECT_EQ(bytes.substr(0, AudioBytes().size()), AudioBytes());
    std::string expected = "TAG";
    expected += "Title" + std::string(25, ' ');
    expected += "\xC4rtist" + std::string(24, ' ');
    expected += "Album" + std::string(25, ' ');
    expected += "1999";
    expected += "A comment that is longer tha";
    expected += std::string("\0\x05", 2);
    expected += static_cast<char>(79);
    EXPECT_EQ(bytes.substr(AudioBytes().size()), expected);

    // Saving again overwrites in place; the file does not grow.
    tag.SetTitle("Other");
    tag.SaveToFile(path);
    EXPECT_EQ(ReadFile(path).size(), AudioBytes().size() + 128);
    Tmp3TagV1 again = Loaded(path);
    EXPECT_EQ(again.Title(), "Other");
    EXPECT_EQ(again.Artist(), "Ärtist");
    EXPECT_EQ(again.Track(), 5);
    EXPECT_EQ(again.GenreID(), 79);
    EXPECT_EQ(again.Genre(), "Hard Rock");
}

TEST(Tmp3TagV1, SettersChangeOnlyOnRealChange)
{
    Tmp3TagV1 tag;
    const std::string longTitle(35, 'x');
    tag.SetTitle(longTitle);
    EXPECT_EQ(tag.Title(), std::string(30, 'x'));
    EXPECT_TRUE(tag.TagModified());
    unsigned char buffer[128];
    tag.SaveToBuffer(buffer, sizeof buffer);
    EXPECT_FALSE(tag.TagModified());
    tag.SetTitle(longTitle);  // the cut text equals the stored one
    EXPECT_FALSE(tag.TagModified());
    tag.SetTextField(9, "ignored");
    EXPECT_FALSE(tag.TagModified());
    // A character the code page lacks becomes '?'.
    tag.SetAlbum("日本");
    EXPECT_EQ(tag.Album(), "??");
}

TEST(Tmp3TagV1, GenreRules)
{
    Tmp3TagV1 tag;
    tag.SetGenre("SYMPHONIC ROCK");
    EXPECT_EQ(tag.GenreID(), 94);
    EXPECT_EQ(tag.Genre(), "SYMPHONIC ROCK");
    tag.SetGenre("No such genre");
    EXPECT_EQ(tag.GenreID(), -1);
    tag.SetGenre("");
    EXPECT_EQ(tag.GenreID(), 148);
    tag.SetGenreID(8);
    EXPECT_EQ(tag.Genre(), "Jazz");

    unsigned char buffer[128];
    tag.SaveToBuffer(buffer, sizeof buffer);
    try {
        tag.SetGenreID(149);
        FAIL() << "expected an index error";
    } catch (const TagError& e) {
        EXPECT_STREQ(e.what(), "List index out of bounds (149)");
    }
    EXPECT_EQ(tag.GenreID(), 149);
    EXPECT_EQ(tag.Genre(), "Jazz");
    EXPECT_FALSE(tag.TagModified());

    unsigned char small[127];
    try {
        tag.SaveToBuffer(small, sizeof small);
        FAIL() << "expected a buffer error";
    } catch (const TagError& e) {
        EXPECT_STREQ(e.what(), "TID3v1Tag.Save: Buffer too small");
    }
}

TEST(Tmp3TagV1, FreshTagClaimsNoGenre)
{
    // A file without a tag: the new tag written with the genre untouched
    // says "no genre" (255), not "Symphonic Rock".
    TempDir dir;
    const std::string path = dir.file("a.mp3");
    WriteFile(path, AudioBytes());
    Tmp3TagV1 tag;
    tag.LoadFromFile(path);
    EXPECT_EQ(tag.GenreID(), 255);
    EXPECT_EQ(tag.Genre(), "");
    tag.SetTitle("New");
    tag.SaveToFile(path);
    const std::string bytes = ReadFile(path);
    EXPECT_EQ(static_cast<unsigned char>(bytes.back()), 255);
    EXPECT_EQ(Loaded(path).Genre(), "");
}

TEST(Tmp3TagV1, SmallFilesAndRemoval)
{
    TempDir dir;
    // Exactly 128 bytes beginning with TAG: the whole file is the tag.
    const std::string whole = dir.file("whole.mp3");
    WriteFile(whole, Block("Only", "", 1));
    EXPECT_TRUE(Loaded(whole).TagPresent());
    Tmp3TagV1().RemoveFromFile(whole);
    EXPECT_EQ(std::filesystem::file_size(whole), 0u);

    // 127 bytes: no tag; saving appends, giving 255 bytes.
    const std::string small = dir.file("small.mp3");
    WriteFile(small, AudioBytes().substr(0, 127));
    Tmp3TagV1 tag = Loaded(small);
    EXPECT_FALSE(tag.TagPresent());
    tag.SaveToFile(small);
    EXPECT_EQ(std::filesystem::file_size(small), 255u);

    // Lower-case "tag" is not a tag: a second block is appended.
    const std::string lower = dir.file("lower.mp3");
    std::string block = Block("x", "", 1);
    block.replace(0, 3, "tag");
    WriteFile(lower, AudioBytes() + block);
    tag = Loaded(lower);
    EXPECT_FALSE(tag.TagPresent());
    tag.SaveToFile(lower);
    EXPECT_EQ(std::filesystem::file_size(lower), AudioBytes().size() + 256);

    // Removing from a file without a tag changes nothing.
    const std::string none = dir.file("none.mp3");
    WriteFile(none, AudioBytes());
    Tmp3TagV1().RemoveFromFile(none);
    EXPECT_EQ(ReadFile(none), AudioBytes());
}

TEST(Tmp3TagV1, FailuresCarryTheOpenMessage)
{
    TempDir dir;
    const std::string missing = dir.file("missing.mp3");
    Tmp3TagV1 tag;
    try {
        tag.LoadFromFile(missing);
        FAIL();
    } catch (const TagError& e) {
        EXPECT_EQ(std::string(e.what()), "Cannot open file \"" + missing + "\". No such file or directory");
    }
    EXPECT_THROW(tag.SaveToFile(missing), TagError);
    EXPECT_THROW(tag.RemoveFromFile(missing), TagError);
    EXPECT_FALSE(std::filesystem::exists(missing));
    // A folder where a file is expected.
    EXPECT_THROW(tag.LoadFromFile(dir.path()), TagError);
    EXPECT_THROW(tag.SaveToFile(dir.path()), TagError);
    // A FIFO where a file is expected must not hang; it is refused as no
    // regular file (KeepFile.AFifoNamedLikeASongIsRefusedWithoutBlocking).
    const std::string fifo = dir.file("fifo.mp3");
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0644), 0);
    EXPECT_THROW(tag.LoadFromFile(fifo), TagError);
    EXPECT_THROW(tag.SaveToFile(fifo), TagError);
}

TEST(Tmp3TagV1, FileTheUserMayNotWriteIsNotModified)
{
    TempDir dir;
    ::chmod(dir.path().c_str(), 0777);  // the unprivileged user must reach the files
    const std::string path = dir.file("ro.mp3");
    const std::string original = AudioBytes() + Block("Keep", "", 3);
    WriteFile(path, original);
    ::chmod(path.c_str(), 0444);
    const int status = RunAsNobody([&](std::string&) {
        Tmp3TagV1 tag;
        tag.LoadFromFile(path);  // reading is allowed
        tag.SetTitle("Changed");
        int failures = 0;
        try { tag.SaveToFile(path); } catch (const TagError& e) {
            if (std::string(e.what()).find("Permission denied") != std::string::npos) ++failures;
        }
        try { tag.RemoveFromFile(path); } catch (const TagError&) { ++failures; }
        return failures == 2 ? 0 : 1;
    });
    EXPECT_EQ(status, 0);
    EXPECT_EQ(ReadFile(path), original);
}

TEST(Tmp3TagV1, StreamsAndBuffers)
{
    Tmp3TagV1 tag;
    tag.SetTitle("Stream");
    tag.SetTrack(9);
    std::stringstream stream;
    stream << "audio";
    tag.SaveToStream(stream);
    const std::string data = stream.str();
    ASSERT_EQ(data.size(), 5u + 128u);

    std::istringstream in(data);
    Tmp3TagV1 read;
    read.LoadFromStream(in, static_cast<std::int64_t>(data.size()));
    EXPECT_TRUE(read.TagPresent());
    EXPECT_EQ(read.Title(), "Stream");
    EXPECT_EQ(read.Track(), 9);

    // A buffer shorter than a block only clears.
    read.ReadFromBuffer(reinterpret_cast<const unsigned char*>(data.data()) + 5, 100);
    EXPECT_FALSE(read.TagPresent());
    EXPECT_EQ(read.Title(), "");
    // The track survives a load that finds no tag.
    EXPECT_EQ(read.Track(), 9);
}
