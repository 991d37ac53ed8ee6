#include "filefixtures.h"
#include "m3uplaylist.h"
#include "systemerror.h"

#include <gtest/gtest.h>

#include <chrono>
#include <fstream>

#include <fcntl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

constexpr std::size_t MB = 1 << 20;

TEST(M3uPlaylistTest, EveryPathComesBackAsItsBytes)
{
    TempDir dir;
    M3uPlaylist saved;
    saved.paths = {"/music/a.mp3", "/music/caf\xe9 \xff.mp3", "/music/two\nlines 100%.mp3", "/music/#hash.mp3"};
    saved.columnWidth = 321;
    int error = -1;
    ASSERT_TRUE(saved.Write(dir.file("p.m3u8"), error));
    EXPECT_EQ(error, 0);
    M3uPlaylist::ReadReport report;
    report.leftOut = 7;
    const M3uPlaylist read = M3uPlaylist::Read(dir.file("p.m3u8"), report);
    EXPECT_EQ(read.paths, saved.paths);
    EXPECT_EQ(read.columnWidth, 321);
    EXPECT_TRUE(read.kept.empty());
    EXPECT_EQ(report.leftOut, 0u);
    EXPECT_EQ(report.error, 0);

    // A second save replaces the first whole; a folder that is not there fails.
    saved.paths.resize(1);
    ASSERT_TRUE(saved.Write(dir.file("p.m3u8"), error));
    EXPECT_EQ(M3uPlaylist::Read(dir.file("p.m3u8"), report).paths.size(), 1u);
    EXPECT_FALSE(saved.Write(dir.file("missing/p.m3u8"), error));
    EXPECT_EQ(error, ENOENT);
}

TEST(M3uPlaylistTest, ForeignAndDamagedFilesGiveWhatCanBeRead)
{
    TempDir dir;
    M3uPlaylist::ReadReport report;
    EXPECT_TRUE(M3uPlaylist::Read(dir.file("none.m3u8"), report).paths.empty());
    EXPECT_EQ(report.error, 0);
    EXPECT_EQ(report.leftOut, 0u);

    WriteFile(dir.file("foreign.m3u"), "\xEF\xBB\xBF#EXTM3U\r\n#EXTINF:123,Artist - Title\r\n"
                                       "sub/rel.mp3\r\n"
                                       "file:///music/caf%C3%A9.mp3\r\n"
                                       "https://radio.example/stream\r\n"
                                       "\x01\x02garbage\x7f\r\n"
                                       "\r\n"
                                       "/abs.mp3\r\n"
                                       "#TUNEVAULT-COLUMN:wide\r\n"
                                       "file://otherhost/x.mp3");
    const M3uPlaylist read = M3uPlaylist::Read(dir.file("foreign.m3u"), report);
    EXPECT_EQ(read.paths, (std::vector<std::string>{dir.file("sub/rel.mp3"), "/music/caf\xc3\xa9.mp3", "/abs.mp3"}));
    EXPECT_EQ(read.columnWidth, -1);
    EXPECT_EQ(report.leftOut, 3u);
    EXPECT_EQ(report.dropped, 0u);
}

TEST(M3uPlaylistTest, UnusedLinesAreWrittenBackWhereTheyStood)
{
    TempDir dir;
    const std::string file = dir.file("p.m3u8");
    WriteFile(file, "#EXTM3U\r\n#PLAYLIST:Mine\r\n#EXTINF:1,A\r\n/a.mp3\r\n#EXTINF:2,Radio\r\n"
                    "http://radio.example/x\r\n#EXTINF:3,B\r\n/b.mp3\r\n/c.mp3\r\n#EXTINF:4,D\r\n/d.mp3\r\n"
                    "\x01" "bad\r\n#END\r\n");
    M3uPlaylist::ReadReport report;
    M3uPlaylist read = M3uPlaylist::Read(file, report);
    EXPECT_EQ(read.paths, (std::vector<std::string>{"/a.mp3", "/b.mp3", "/c.mp3", "/d.mp3"}));
    EXPECT_EQ(report.leftOut, 2u);
    EXPECT_EQ(report.dropped, 0u);
    ASSERT_EQ(read.kept.size(), 4u);
    EXPECT_EQ(read.kept[0].before, "/a.mp3");
    EXPECT_EQ(read.kept[3].before, "");

    // Saved as read: the same lines (the header and the line ends anew).
    int error = -1;
    ASSERT_TRUE(read.Write(file, error));
    const std::string same = "#EXTM3U\n#PLAYLIST:Mine\n#EXTINF:1,A\n/a.mp3\n#EXTINF:2,Radio\n"
                             "http://radio.example/x\n#EXTINF:3,B\n/b.mp3\n/c.mp3\n#EXTINF:4,D\n/d.mp3\n"
                             "\x01" "bad\n#END\n";
    EXPECT_EQ(ReadFile(file), same);
    read = M3uPlaylist::Read(file, report);
    ASSERT_TRUE(read.Write(file, error));
    EXPECT_EQ(ReadFile(file), same);

    // In another order, with /b.mp3 gone: each block goes with its entry, the
    // one of the entry gone to the end.
    read.paths = {"/d.mp3", "/c.mp3", "/new.mp3", "/a.mp3"};
    read.columnWidth = 50;
    ASSERT_TRUE(read.Write(file, error));
    EXPECT_EQ(ReadFile(file), "#EXTM3U\n#TUNEVAULT-COLUMN:50\n#EXTINF:4,D\n/d.mp3\n/c.mp3\n/new.mp3\n"
                              "#PLAYLIST:Mine\n#EXTINF:1,A\n/a.mp3\n#EXTINF:2,Radio\nhttp://radio.example/x\n"
                              "#EXTINF:3,B\n\x01" "bad\n#END\n");
}

TEST(M3uPlaylistTest, BigFilesKeepEveryEntryAndCountWhatIsLeftOut)
{
    TempDir dir;
    const std::string file = dir.file("big.m3u8");
    // Over 64 MB of entries of 1000 bytes, with lines too long for any path
    // among them (an entry and a comment, one at the very end without a
    // line break) and one that is just short enough.
    const std::size_t count = 70 * 1000;
    {
        std::ofstream out(file, std::ios::binary);
        out << "#EXTM3U\n";
        for (std::size_t i = 0; i < count; ++i) {
            std::string path = "/music/" + std::to_string(i) + "/";
            path.resize(1000, 'x');
            out << path << "\n";
            if (i == 10)
                out << "/" << std::string(M3uPlaylist::kMaxLineBytes, 'y') << "\n";
            if (i == 20)
                out << "#" << std::string(3 * M3uPlaylist::kMaxLineBytes, 'z') << "\r\n";
            if (i == 30)
                out << "/" << std::string(M3uPlaylist::kMaxLineBytes - 1, 'w') << "\n";
        }
        out << "http://" << std::string(M3uPlaylist::kMaxLineBytes, 'h');
    }
    struct stat st {};
    ASSERT_EQ(stat(file.c_str(), &st), 0);
    ASSERT_GT(st.st_size, 64 * 1024 * 1024);
    M3uPlaylist::ReadReport report;
    const M3uPlaylist read = M3uPlaylist::Read(file, report);
    ASSERT_EQ(read.paths.size(), count + 1);
    EXPECT_EQ(read.paths[31], "/" + std::string(M3uPlaylist::kMaxLineBytes - 1, 'w'));
    EXPECT_EQ(read.paths.back().substr(0, 13), "/music/69999/");
    EXPECT_EQ(report.error, 0);
    EXPECT_EQ(report.leftOut, 2u); // the comment is no entry
    EXPECT_EQ(report.dropped, 3u);
    EXPECT_TRUE(read.kept.empty());

    // Unused lines are kept up to a bound; the rest are counted as dropped.
    const std::string comment = "#" + std::string(1000, 'c');
    const std::size_t kept = M3uPlaylist::kMaxKeptBytes / (comment.size() + sizeof(std::string));
    {
        std::ofstream out(file, std::ios::binary | std::ios::trunc);
        for (std::size_t i = 0; i < kept + 5; ++i)
            out << comment << "\n";
        out << "/last.mp3\n";
    }
    const M3uPlaylist comments = M3uPlaylist::Read(file, report);
    EXPECT_EQ(comments.paths, std::vector<std::string>{"/last.mp3"});
    ASSERT_EQ(comments.kept.size(), 1u);
    EXPECT_EQ(comments.kept[0].lines.size(), kept);
    EXPECT_EQ(report.leftOut, 0u);
    EXPECT_EQ(report.dropped, 5u);
}

TEST(M3uPlaylistTest, AFileThatCannotBeReadSaysWhy)
{
    TempDir dir;
    const std::string locked = dir.file("locked.m3u8");
    WriteFile(locked, "/a.mp3\n");
    chmod(locked.c_str(), geteuid() == 0 ? 0600 : 0200);
    std::string report;
    EXPECT_EQ(RunAsNobody(
                  [&](std::string& out) {
                      M3uPlaylist::ReadReport r;
                      const M3uPlaylist read = M3uPlaylist::Read(locked, r);
                      out = std::to_string(r.error);
                      return read.paths.empty() ? 0 : 1;
                  },
                  &report),
              0);
    EXPECT_EQ(report, std::to_string(EACCES));

    M3uPlaylist::ReadReport r;
    MakeDir(dir.file("folder.m3u8"));
    EXPECT_TRUE(M3uPlaylist::Read(dir.file("folder.m3u8"), r).paths.empty());
    EXPECT_EQ(r.error, EISDIR);
    // A FIFO without a writer does not hang the start.
    ASSERT_EQ(mkfifo(dir.file("fifo.m3u8").c_str(), 0600), 0);
    EXPECT_TRUE(M3uPlaylist::Read(dir.file("fifo.m3u8"), r).paths.empty());
    EXPECT_EQ(r.error, kNotRegularFile);
}

TEST(M3uPlaylistTest, ASymbolicLinkStaysALinkToTheNewPlaylist)
{
    TempDir dir;
    MakeDir(dir.file("real"));
    MakeDir(dir.file("data"));
    WriteFile(dir.file("real/p.m3u8"), "/old.mp3\n");
    ASSERT_EQ(symlink("../real/p.m3u8", dir.file("data/playlist.m3u8").c_str()), 0);
    ASSERT_EQ(symlink("playlist.m3u8", dir.file("data/second").c_str()), 0);
    M3uPlaylist playlist;
    playlist.paths = {"/new.mp3"};
    int error = -1;
    ASSERT_TRUE(playlist.Write(dir.file("data/second"), error));
    struct stat st {};
    ASSERT_EQ(lstat(dir.file("data/playlist.m3u8").c_str(), &st), 0);
    EXPECT_TRUE(S_ISLNK(st.st_mode));
    ASSERT_EQ(lstat(dir.file("data/second").c_str(), &st), 0);
    EXPECT_TRUE(S_ISLNK(st.st_mode));
    EXPECT_EQ(ReadFile(dir.file("real/p.m3u8")), "#EXTM3U\n/new.mp3\n");
    EXPECT_EQ(Listing(dir.file("real")), std::vector<std::string>{"p.m3u8"});
    EXPECT_EQ(Listing(dir.file("data")), (std::vector<std::string>{"playlist.m3u8", "second"}));

    // A link to nothing yet gets its file; a loop of links is an error.
    ASSERT_EQ(symlink("../real/fresh.m3u8", dir.file("data/dangling").c_str()), 0);
    ASSERT_TRUE(playlist.Write(dir.file("data/dangling"), error));
    EXPECT_EQ(ReadFile(dir.file("real/fresh.m3u8")), "#EXTM3U\n/new.mp3\n");
    ASSERT_EQ(symlink("loop", dir.file("data/loop").c_str()), 0);
    EXPECT_FALSE(playlist.Write(dir.file("data/loop"), error));
    EXPECT_EQ(error, ELOOP);
}

TEST(M3uPlaylistTest, ThreeGigabytesWithoutALineBreakAreReadInLittleMemory)
{
    TempDir dir;
    const std::string file = dir.file("huge.m3u8");
    // A sparse file reads as NUL bytes, none of them a line break.
    {
        const int fd = open(file.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
        ASSERT_GE(fd, 0);
        ASSERT_EQ(ftruncate(fd, std::int64_t{3} << 30), 0);
        ASSERT_EQ(pwrite(fd, "/a.mp3\n#x\n", 10, 0), 10);
        // Data amid the NULs and at the end: the line goes on to the next break.
        ASSERT_EQ(pwrite(fd, "/mid.mp3", 8, std::int64_t{1} << 30), 8);
        ASSERT_EQ(pwrite(fd, "\n/b.mp3\n", 8, (std::int64_t{3} << 30) - 8), 8);
        close(fd);
    }
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(WithMemoryLimit(100,
                              [&] {
                                  M3uPlaylist::ReadReport report;
                                  const M3uPlaylist read = M3uPlaylist::Read(file, report);
                                  if (report.error != 0)
                                      return 3;
                                  return read.paths == std::vector<std::string>{"/a.mp3", "/b.mp3"} && read.kept.size() == 1
                                                 && report.leftOut == 1 && report.dropped == 1
                                             ? 0
                                             : 2;
                              }),
              0);
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(20));

    // Without holes every byte is read, in pieces: 200 MB of one line.
    {
        const int fd = open(file.c_str(), O_WRONLY | O_TRUNC | O_CLOEXEC);
        ASSERT_GE(fd, 0);
        const std::string piece(MB, 'x');
        for (int i = 0; i < 200; ++i)
            ASSERT_EQ(write(fd, piece.data(), piece.size()), static_cast<ssize_t>(piece.size()));
        ASSERT_EQ(write(fd, "\n/c.mp3", 7), 7);
        close(fd);
    }
    EXPECT_EQ(WithMemoryLimit(100,
                              [&] {
                                  M3uPlaylist::ReadReport report;
                                  const M3uPlaylist read = M3uPlaylist::Read(file, report);
                                  return read.paths == std::vector<std::string>{"/c.mp3"} && report.leftOut == 1
                                                 && report.dropped == 1
                                             ? 0
                                             : 2;
                              }),
              0);
}

} // namespace
