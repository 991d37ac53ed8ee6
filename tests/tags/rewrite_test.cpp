// The rewrite of a file for its ID3v2 tag never loses the user's data.

#include "tagtestutil.h"
#include "tmp3tagv2.h"

#include <gtest/gtest.h>

#include <filesystem>

#include <sys/stat.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

std::string Text(const std::string& latin1) { return std::string(1, '\0') + latin1; }

std::string LoadTitle(const std::string& path)
{
    Tmp3TagV2 tag;
    tag.LoadFromFile(path);
    return tag.Title();
}

}  // namespace

TEST(TagRewrite, KeepsPermissionsAndLeavesNoTemporaryFile)
{
    TempDir dir;
    const std::string path = dir.file("song.mp3");
    WriteFile(path, AudioBytes());
    ::chmod(path.c_str(), 0640);
    Tmp3TagV2 tag;
    tag.SetTitle("Title");
    ASSERT_TRUE(tag.SaveToFile(path));
    struct stat st {};
    ASSERT_EQ(::stat(path.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0640u);
    EXPECT_EQ(Listing(dir.path()), std::vector<std::string> {"song.mp3"});
    ASSERT_TRUE(tag.RemoveFromFile(path));
    EXPECT_EQ(ReadFile(path), AudioBytes());
    EXPECT_EQ(Listing(dir.path()), std::vector<std::string> {"song.mp3"});
}

TEST(TagRewrite, AnExistingTildeFileIsNeverOverwritten)
{
    TempDir dir;
    const std::string path = dir.file("song.mp3");
    WriteFile(path, AudioBytes());
    WriteFile(path + "~", "the user's own backup");
    Tmp3TagV2 tag;
    tag.SetTitle("Title");
    ASSERT_TRUE(tag.SaveToFile(path));
    EXPECT_EQ(ReadFile(path + "~"), "the user's own backup");
    EXPECT_EQ(LoadTitle(path), "Title");
    EXPECT_EQ(Listing(dir.path()), (std::vector<std::string> {"song.mp3", "song.mp3~"}));
}

TEST(TagRewrite, SymbolicLinkIsFollowedAndStays)
{
    TempDir dir;
    fs::create_directory(dir.file("real"));
    const std::string target = dir.file("real/song.mp3");
    const std::string link = dir.file("link.mp3");
    WriteFile(target, AudioBytes());
    fs::create_symlink("real/song.mp3", link);
    Tmp3TagV2 tag;
    tag.SetArtist("Through the link");
    ASSERT_TRUE(tag.SaveToFile(link));
    EXPECT_TRUE(fs::is_symlink(link));
    EXPECT_EQ(fs::read_symlink(link), "real/song.mp3");
    Tmp3TagV2 read;
    ASSERT_TRUE(read.LoadFromFile(target));
    EXPECT_EQ(read.Artist(), "Through the link");
    EXPECT_EQ(Listing(dir.file("real")), std::vector<std::string> {"song.mp3"});
}

TEST(TagRewrite, FailuresLeaveTheOriginalUntouched)
{
    TempDir dir;
    ::chmod(dir.path().c_str(), 0777);  // the unprivileged user must reach the files
    const std::string original = Tag(3, Frame23("TIT2", Text("Keep"))) + AudioBytes();

    // The user may not write the file: nothing changes.
    const std::string readOnly = dir.file("ro.mp3");
    WriteFile(readOnly, original);
    ::chmod(readOnly.c_str(), 0444);
    int status = RunAsNobody([&](std::string&) {
        Tmp3TagV2 tag;
        if (!tag.LoadFromFile(readOnly) || tag.Title() != "Keep")
            return 1;
        tag.SetTitle("Changed");
        if (tag.SaveToFile(readOnly) || tag.LastError() != "Permission denied")
            return 2;
        return (!tag.RemoveFromFile(readOnly) && tag.LastError() == "Permission denied") ? 0 : 3;
    });
    EXPECT_EQ(status, 0);
    EXPECT_EQ(ReadFile(readOnly), original);

    // The file may be written but its folder not: no new file can be made
    // beside it (nor keep its owner, when it is another user's), so the new
    // content is written back into the file itself, and nothing is left.
    fs::create_directory(dir.file("locked"));
    const std::string inLocked = dir.file("locked/song.mp3");
    WriteFile(inLocked, original);
    ::chmod(inLocked.c_str(), 0666);
    ::chmod(dir.file("locked").c_str(), 0555);
    status = RunAsNobody([&](std::string&) {
        Tmp3TagV2 tag;
        tag.LoadFromFile(inLocked);
        tag.SetTitle("Changed");
        return tag.SaveToFile(inLocked) ? 0 : 1;
    });
    EXPECT_EQ(status, 0);
    Tmp3TagV2 changed;
    ASSERT_TRUE(changed.LoadFromFile(inLocked));
    EXPECT_EQ(changed.Title(), "Changed");
    EXPECT_EQ(Listing(dir.file("locked")), std::vector<std::string> {"song.mp3"});

    // A path that vanished.
    Tmp3TagV2 tag;
    tag.SetTitle("x");
    EXPECT_FALSE(tag.SaveToFile(dir.file("gone.mp3")));
    EXPECT_EQ(tag.LastError(), "No such file or directory");
    EXPECT_FALSE(fs::exists(dir.file("gone.mp3")));
    EXPECT_FALSE(fs::exists(dir.file("gone.mp3~")));
    // A folder where a file is expected.
    EXPECT_FALSE(tag.SaveToFile(dir.path()));
    EXPECT_FALSE(tag.LastError().empty());
    // A file without a tag has nothing to remove; a success clears the reason.
    const std::string plain = dir.file("plain.mp3");
    WriteFile(plain, AudioBytes());
    EXPECT_FALSE(tag.RemoveFromFile(plain));
    EXPECT_EQ(tag.LastError(), "The file has no ID3v2 tag");
    EXPECT_TRUE(tag.SaveToFile(plain));
    EXPECT_EQ(tag.LastError(), "");
}

TEST(TagRewrite, LargeFileIsCopiedWhole)
{
    TempDir dir;
    const std::string path = dir.file("big.mp3");
    std::string audio;
    while (audio.size() < 3 * 1024 * 1024)
        audio += AudioBytes();
    WriteFile(path, Tag(3, Frame23("TIT2", Text("Old")), 4096) + audio);
    Tmp3TagV2 tag;
    ASSERT_TRUE(tag.LoadFromFile(path));
    tag.SetTitle("New");
    ASSERT_TRUE(tag.SaveToFile(path));
    const std::string bytes = ReadFile(path);
    // The new tag fits the room of the old one: written in place, room kept.
    EXPECT_EQ(bytes, Tag(3, Frame23("TIT2", Text("New")), 4096) + audio);
}
