#include "codepage.h"
#include "filefixtures.h"
#include "m3uplaylist.h"
#include "playlistfile.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include <sys/stat.h>
#include <unistd.h>

namespace {

std::string ReadAll(const std::string& file)
{
    std::ifstream in(file, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

TEST(PlaylistFileTest, SavedPathsReadBackRelativeAndAbsolute)
{
    TempDir dir;
    MakeDir(dir.file("lists"));
    MakeDir(dir.file("lists/sub"));
    const std::vector<PlaylistFile::Entry> entries{
        {dir.file("lists/sub/a.mp3"), "Artist - Title", 215},
        {dir.file("caf\xe9 \xff.mp3"), "caf\xc3\xa9", -1},
        {dir.file("two\nlines 100%.mp3"), "two\nlines", 3},
        {"/elsewhere/b.mp3", "b.mp3", 0},
    };
    std::vector<std::string> paths;
    for (const auto& entry : entries)
        paths.push_back(entry.path);
    for (const bool relative : {true, false}) {
        for (const char* name : {"lists/p.m3u8", "lists/p.M3U"}) {
            int error = -1;
            ASSERT_TRUE(PlaylistFile::Write(dir.file(name), entries, relative, CodePage::Default(), error)) << name;
            EXPECT_EQ(error, 0);
            M3uPlaylist::ReadReport report;
            std::vector<std::string> read = M3uPlaylist::Read(dir.file(name), report).paths;
            for (std::string& path : read)
                path = std::filesystem::path(path).lexically_normal().string();
            EXPECT_EQ(read, paths) << name << relative;
            EXPECT_EQ(report.leftOut, 0u);
            const std::string text = ReadAll(dir.file(name));
            // Non-UTF-8 names go as their bytes; relative paths climb out of the folder.
            EXPECT_NE(text.find(relative ? "\n../caf\xe9 \xff.mp3\n" : "\n" + dir.file("caf\xe9 \xff.mp3") + "\n"),
                      std::string::npos);
            EXPECT_NE(text.find(relative ? "\nsub/a.mp3\n" : "\n" + dir.file("lists/sub/a.mp3") + "\n"),
                      std::string::npos);
            EXPECT_NE(text.find("\n/elsewhere/b.mp3\n"), std::string::npos);
        }
    }
    // EXTINF lines: the length in seconds, the caption in UTF-8 or the code page.
    const std::string m3u8 = ReadAll(dir.file("lists/p.m3u8"));
    EXPECT_EQ(m3u8.rfind("#EXTM3U\n#EXTINF:215,Artist - Title\n", 0), 0u);
    EXPECT_NE(m3u8.find("\n#EXTINF:-1,caf\xc3\xa9\n"), std::string::npos);
    EXPECT_NE(m3u8.find("\n#EXTINF:3,two lines\n"), std::string::npos);
    EXPECT_NE(ReadAll(dir.file("lists/p.M3U")).find("\n#EXTINF:-1,caf\xe9\n"), std::string::npos);

    // A failed save names its reason and leaves the old file whole.
    int error = 0;
    EXPECT_FALSE(PlaylistFile::Write(dir.file("missing/p.m3u8"), entries, true, CodePage::Default(), error));
    EXPECT_EQ(error, ENOENT);
    if (geteuid() != 0) {
        ASSERT_EQ(chmod(dir.file("lists").c_str(), 0500), 0);
        EXPECT_FALSE(PlaylistFile::Write(dir.file("lists/p.m3u8"), {}, true, CodePage::Default(), error));
        EXPECT_EQ(error, EACCES);
        ASSERT_EQ(chmod(dir.file("lists").c_str(), 0700), 0);
        EXPECT_EQ(ReadAll(dir.file("lists/p.m3u8")), m3u8);
    }
}

TEST(PlaylistFileTest, PlsGivesNumberedFields)
{
    TempDir dir;
    const std::vector<PlaylistFile::Entry> entries{{dir.file("a.mp3"), "A", 61}, {"/x/b.mp3", "B", -1}};
    int error = 0;
    ASSERT_TRUE(PlaylistFile::Write(dir.file("p.pls"), entries, true, CodePage::Default(), error));
    EXPECT_EQ(ReadAll(dir.file("p.pls")), "[playlist]\nFile1=a.mp3\nTitle1=A\nLength1=61\n"
                                          "File2=/x/b.mp3\nTitle2=B\nLength2=-1\n"
                                          "NumberOfEntries=2\nVersion=2\n");
    EXPECT_EQ(PlaylistFile::FormatOf("list.txt"), PlaylistFile::Format::M3u8);

    // Reading back: relative paths from the playlist's folder, file: URLs as
    // bytes, web addresses left out; M3U files through the same reader.
    EXPECT_EQ(PlaylistFile::ReadPaths(dir.file("p.pls"), error), (std::vector<std::string>{dir.file("a.mp3"), "/x/b.mp3"}));
    WriteFile(dir.file("f.PLS"), "[playlist]\r\nfile1=sub/c.mp3\r\nTitle1=C\r\nFile2=http://radio.example/\r\n"
                                 "File3=file:///m/caf%E9.mp3\r\nNumberOfEntries=3\r\n");
    EXPECT_EQ(PlaylistFile::ReadPaths(dir.file("f.PLS"), error),
              (std::vector<std::string>{dir.file("sub/c.mp3"), "/m/caf\xe9.mp3"}));
    EXPECT_EQ(error, 0);
    WriteFile(dir.file("l.m3u"), "#EXTM3U\n#EXTINF:1,X\nsub/d.mp3\n");
    EXPECT_EQ(PlaylistFile::ReadPaths(dir.file("l.m3u"), error), std::vector<std::string>{dir.file("sub/d.mp3")});
    EXPECT_TRUE(PlaylistFile::ReadPaths(dir.file("none.pls"), error).empty());
    EXPECT_EQ(error, ENOENT);
}

TEST(PlaylistFileTest, BackslashesOfAPlaylistFromWindowsSeparateFolders)
{
    TempDir dir;
    ASSERT_EQ(mkdir(dir.file("Album").c_str(), 0755), 0);
    ASSERT_EQ(mkdir(dir.file("lists").c_str(), 0755), 0);
    for (const char* name : {"Album/caf\xe9 \xff.mp3", "Album/b.mp3", "odd\\name.mp3"})
        WriteFile(dir.file(name), "x");
    // CR LF lines in the code page; a name that holds a backslash keeps it.
    WriteFile(dir.file("lists/win.m3u"), "#EXTM3U\r\n#EXTINF:5,Caf\xe9\r\n..\\Album\\caf\xe9 \xff.mp3\r\n"
                                         "C:\\Music\\gone.mp3\r\n");
    WriteFile(dir.file("win.pls"), "[playlist]\r\nFile1=Album\\b.mp3\r\nFile2=odd\\name.mp3\r\nNumberOfEntries=2\r\n");
    int error = 0;
    EXPECT_EQ(PlaylistFile::ReadPaths(dir.file("lists/win.m3u"), error),
              (std::vector<std::string>{dir.file("lists/../Album/caf\xe9 \xff.mp3"), dir.file("lists/C:/Music/gone.mp3")}));
    EXPECT_EQ(PlaylistFile::ReadPaths(dir.file("win.pls"), error),
              (std::vector<std::string>{dir.file("Album/b.mp3"), dir.file("odd\\name.mp3")}));
    EXPECT_EQ(error, 0);
    EXPECT_TRUE(PlaylistFile::IsPlaylistName("/a/B.M3U8") && PlaylistFile::IsPlaylistName("x.Pls"));
    EXPECT_FALSE(PlaylistFile::IsPlaylistName("/a/b.mp3"));
}

} // namespace
