// The tag options: at their defaults every byte written is what the program
// always wrote; changed, each does what it says (code pages, modification
// times, the ID3v2 version written).

#include "tagtestutil.h"
#include "tmp3tagv1.h"
#include "tmp3tagv2.h"
#include "unicodeutils.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <functional>
#include <map>

#include <fcntl.h>
#include <sys/stat.h>

using namespace std::string_literals;

namespace {

std::string Cat(std::initializer_list<std::string_view> parts)
{
    std::string out;
    for (const std::string_view part : parts)
        out.append(part);
    return out;
}

std::string Digest(const std::string& bytes)
{
    std::uint64_t hash = 14695981039346656037ull;
    for (const char c : bytes) {
        hash ^= static_cast<unsigned char>(c);
        hash *= 1099511628211ull;
    }
    char text[17];
    std::snprintf(text, sizeof text, "%016llx", static_cast<unsigned long long>(hash));
    return text;
}

const std::string kJpeg = Cat({"\xFF\xD8\xFF\xE0", std::string(200, 'j'), "\xFF\xD9"});

std::string PictureContent(int type, const std::string& mime, const std::string& data)
{
    return Cat({"\0"s, mime, "\0"s, std::string(1, static_cast<char>(type)), "cover\0"s, data});
}

// Tagged files of every kind the program meets.
std::map<std::string, std::string> Inputs()
{
    const std::string v1 = Id3v1Block("Caf\xE9", "Artist", "Album", "1995", "c", 17);
    return {
        {"plain", AudioBytes()},
        {"v23", Cat({Tag(3,
                         Cat({Frame23("TIT2", "\0Old title"s), Frame23("TPE1", "\x01\xFF\xFE" "A\0e\0"s),
                              Frame23("COMM", "\0eng\0Comment"s), Frame23("APIC", PictureContent(0, "image/jpeg", kJpeg)),
                              Frame23("TXXX", "\0key\0value"s), Frame23("TYER", "\0" "1995"s),
                              Frame23("TDAT", "\0" "0605"s)}),
                         64),
                     AudioBytes(), v1})},
        {"v24", Cat({Tag(4,
                         Cat({Frame24("TIT2", "\x03T\xC3\xAFtle"s), Frame24("TDRC", "\x03" "2001-05-06T10:20"s),
                              Frame24("TCON", "\0" "17\0Foo"s), Frame24("TIPL", "\0producer\0Bob"s),
                              Frame24("TMOO", "\0calm"s), Frame24("APIC", PictureContent(3, "image/jpeg", kJpeg))}),
                         32),
                     AudioBytes()})},
        {"v22", Cat({Tag(2, Cat({Frame22("TT2", "\0Two"s), Frame22("TP1", "\0Old"s), Frame22("PIC", "\0JPG\x03\0"s + kJpeg)})),
                     AudioBytes()})},
        {"v1", Cat({AudioBytes(), Id3v1Block("\xC0\xE1\xE2", "x")})},
    };
}

// What the program does to files, with the tag objects as they are made by
// default.
std::map<std::string, std::function<void(const std::string&)>> Operations()
{
    return {
        {"title",
         [](const std::string& path) {
             Tmp3TagV2 v2;
             v2.LoadFromFile(path);
             v2.SetTitle("New title");
             v2.SaveToFile(path);
         }},
        {"mixed",
         [](const std::string& path) {
             Tmp3TagV2 v2;
             v2.LoadFromFile(path);
             v2.SetArtist("Привет");
             v2.SetYear("1999");
             v2.SetGenre("(Live)");
             v2.SetTrack(7);
             v2.SetComment("Ünïcode");
             v2.SaveToFile(path);
         }},
        {"same",
         [](const std::string& path) {
             Tmp3TagV2 v2;
             v2.LoadFromFile(path);
             v2.SaveToFile(path);
         }},
        {"v2remove", [](const std::string& path) { Tmp3TagV2().RemoveFromFile(path); }},
        {"v1set",
         [](const std::string& path) {
             Tmp3TagV1 v1;
             v1.LoadFromFile(path);
             v1.SetTrack(7);
             v1.SetTitle("Café");
             v1.SetComment("x");
             v1.SaveToFile(path);
         }},
        {"v1remove", [](const std::string& path) { Tmp3TagV1().RemoveFromFile(path); }},
    };
}

}  // namespace

// Digests of the files the default options write: the layout the program
// always wrote, a tag that fits keeping its room and a new or growing one
// getting room for later edits. ID3v1 saves and removals are unchanged.
TEST(TagOptionDefaults, WriteTheBytesTheProgramAlwaysWrote)
{
    const std::map<std::string, std::string> expected = {
        {"plain/mixed", "bfad1e02f403b223"},
        {"plain/same", "ce2d454f2aabfddf"},
        {"plain/title", "e0291aec3591f5e4"},
        {"plain/v1remove", "1dad8a615fafaf20"},
        {"plain/v1set", "7a42936af6871721"},
        {"plain/v2remove", "1dad8a615fafaf20"},
        {"v1/mixed", "e8d6fa94020861a9"},
        {"v1/same", "45d465e09c15de5d"},
        {"v1/title", "ff9e9375a0e9ab36"},
        {"v1/v1remove", "1dad8a615fafaf20"},
        {"v1/v1set", "f8de59eb18d49ba9"},
        {"v1/v2remove", "70ab44b19176f98a"},
        {"v22/mixed", "817cc7fb42028a34"},
        {"v22/same", "53aec7f641759679"},
        {"v22/title", "d070aa254ae0b0fb"},
        {"v22/v1remove", "f32cc9c66b6e551f"},
        {"v22/v1set", "1a5ed382fa32ca1a"},
        {"v22/v2remove", "1dad8a615fafaf20"},
        {"v23/mixed", "4c07768b79033261"},
        {"v23/same", "01d323a8efebbafc"},
        {"v23/title", "72cabe02fd979877"},
        {"v23/v1remove", "c02b360fa22ee001"},
        {"v23/v1set", "bd63c7225ff17a7c"},
        {"v23/v2remove", "6ca83edbb8b80613"},
        {"v24/mixed", "0791458c84fdf20f"},
        {"v24/same", "4f056e72f0291512"},
        {"v24/title", "c76b9d0fe7644120"},
        {"v24/v1remove", "1fdf7e4b56030396"},
        {"v24/v1set", "55414abe083ef94b"},
        {"v24/v2remove", "1dad8a615fafaf20"},
    };
    TempDir dir;
    for (const auto& [input, bytes] : Inputs()) {
        for (const auto& [operation, run] : Operations()) {
            const std::string name = input + "/" + operation;
            const std::string path = dir.file(input + "-" + operation + ".mp3");
            WriteFile(path, bytes);
            run(path);
            const auto it = expected.find(name);
            EXPECT_EQ(it == expected.end() ? "?" : it->second, Digest(ReadFile(path))) << name;
        }
    }
}

TEST(TagOptions, ModificationTimeKeptToTheNanosecond)
{
    TempDir dir;
    const std::string path = dir.file("song.mp3");
    const struct timespec old = {1000000000, 123456789};
    const auto setOld = [&] {
        const struct timespec times[2] = {old, old};
        ASSERT_EQ(::utimensat(AT_FDCWD, path.c_str(), times, 0), 0);
    };
    const auto mtime = [&] {
        struct stat st {};
        ::stat(path.c_str(), &st);
        return std::pair(st.st_mtim.tv_sec, st.st_mtim.tv_nsec);
    };
    const std::string linked = dir.file("second-link.mp3");
    for (const bool hardLinked : {false, true}) {  // replaced, and rewritten in place
        SCOPED_TRACE(hardLinked ? "rewritten in place" : "replaced");
        WriteFile(path, Cat({Tag(3, Frame23("TIT2", "\0Old"s)), AudioBytes(), Id3v1Block("Old", "x")}));
        if (hardLinked) {
            ASSERT_EQ(::link(path.c_str(), linked.c_str()), 0);
        }
        for (const bool keep : {true, false}) {
            TagOptions options;
            options.keepModificationTime = keep;
            const std::vector<std::function<void()>> writes = {
                [&] {
                    Tmp3TagV1 v1(options);
                    v1.LoadFromFile(path);
                    v1.SetTitle(keep ? "Kept" : "New");
                    v1.SaveToFile(path);
                },
                [&] {
                    Tmp3TagV2 v2(options);
                    v2.LoadFromFile(path);
                    v2.SetTitle(keep ? "Kept" : "New");
                    ASSERT_TRUE(v2.SaveToFile(path));
                },
                [&] { ASSERT_TRUE(Tmp3TagV2(options).RemoveFromFile(path)); },
                [&] { Tmp3TagV1(options).RemoveFromFile(path); },
            };
            for (const auto& write : writes) {
                setOld();
                write();
                if (keep) {
                    EXPECT_EQ(mtime(), std::pair(old.tv_sec, old.tv_nsec));
                } else {
                    EXPECT_NE(mtime().first, old.tv_sec);
                }
            }
            WriteFile(path, Cat({Tag(3, Frame23("TIT2", "\0Old"s)), AudioBytes(), Id3v1Block("Old", "x")}));
        }
        if (hardLinked) {
            struct stat a {}, b {};
            ::stat(path.c_str(), &a);
            ::stat(linked.c_str(), &b);
            EXPECT_EQ(a.st_ino, b.st_ino);
        }
    }
}

TEST(TagOptions, PicturesCheckedBeforeTheyAreWritten)
{
    TempDir dir;
    const std::string path = dir.file("song.mp3");
    const std::string original = Cat({Tag(3, Frame23("TIT2", "\0Title"s)), AudioBytes()});
    const std::string tooLarge = Cat({"\xFF\xD8\xFF"s, std::string((16 << 20) - 2, 'j')});
    const struct {
        std::string data;
        const char* refusal;
    } refused[] = {
        {"GIF89a" + std::string(100, 'g'), "The picture is neither a JPEG nor a PNG image"},
        {"\xFF\xD8"s, "The picture is neither a JPEG nor a PNG image"},
        {"\x89PNG\r\n\x1A"s, "The picture is neither a JPEG nor a PNG image"},
        {"", "The picture is neither a JPEG nor a PNG image"},
        {tooLarge, "The picture is larger than 16 MB"},
    };
    for (const auto& [data, refusal] : refused) {
        WriteFile(path, original);
        Tmp3TagV2 v2;
        ASSERT_TRUE(v2.LoadFromFile(path));
        EXPECT_EQ(Tmp3TagV2::CheckPicture(data), refusal);
        v2.SetFrontCover(data);
        EXPECT_FALSE(v2.SaveToFile(path));
        EXPECT_EQ(v2.LastError(), refusal);
        EXPECT_EQ(ReadFile(path), original);
    }
    EXPECT_EQ(Tmp3TagV2::CheckPicture(tooLarge.substr(0, 16 << 20)), "");  // exactly 16 MB is allowed
    EXPECT_EQ(Tmp3TagV2::CheckPicture("\x89PNG\r\n\x1A\n"s), "");

    // A file without a tag gets one holding only the picture, with room for
    // later edits.
    WriteFile(path, AudioBytes());
    Tmp3TagV2 v2;
    ASSERT_TRUE(v2.LoadFromFile(path));
    v2.SetFrontCover(kJpeg);
    ASSERT_TRUE(v2.SaveToFile(path));
    EXPECT_EQ(ReadFile(path), Cat({Tag(3, Frame23("APIC", "\0image/jpeg\0\x03\0"s + kJpeg), 1024), AudioBytes()}));
    ASSERT_TRUE(v2.LoadCover(path));
    ASSERT_TRUE(v2.Cover());
    EXPECT_EQ(v2.Cover()->data, kJpeg);
    EXPECT_EQ(v2.Title(), "");  // loading the cover leaves the texts alone
}

TEST(TagOptions, Version4TagKeptAsItIsButForWhatNoLongerFits)
{
    // An unsynchronised ID3v2.4 tag with an extended header, a frame with a
    // data length indicator and a seek frame: the frames keep their ids and
    // texts; the unsynchronisation, the extended header and the seek frame
    // (a position in the old file) go.
    TempDir dir;
    const std::string path = dir.file("song.mp3");
    const std::string extended = Syncsafe(6) + "\x01\0"s;
    const std::string frames = Cat({Frame24("TIT2", "\x03Tit\xC3\xBF\0\xC3\xBFle"s),
                                    Frame24("TXXX", "\0" "a\0b\xFF\0"s, 0, 0x02),
                                    Frame24("TPE1", Syncsafe(4) + "\0abc"s, 0, 0x01), Frame24("SEEK", Be32(100))});
    const std::string oldTag = Tag(4, extended + frames, 10, 0xC0);
    WriteFile(path, Cat({oldTag, AudioBytes()}));
    TagOptions keep;
    keep.writeVersion = Id3v2WriteVersion::Keep;
    Tmp3TagV2 v2(keep);
    ASSERT_TRUE(v2.LoadFromFile(path));
    EXPECT_EQ(v2.Artist(), "abc");
    v2.SetAlbum("Album");
    ASSERT_TRUE(v2.SaveToFile(path)) << v2.LastError();
    const std::string expected = Cat({Frame24("TIT2", "\x03Tit\xC3\xBF\0\xC3\xBFle"s), Frame24("TPE1", "\0abc"s),
                                      Frame24("TALB", "\0Album"s), Frame24("TXXX", "\0" "a\0b\xFF"s)});
    // The new tag takes the old one's room, written in place.
    ASSERT_LE(expected.size() + 10, oldTag.size());
    EXPECT_EQ(ReadFile(path), Cat({Tag(4, expected, oldTag.size() - 10 - expected.size()), AudioBytes()}));
}
