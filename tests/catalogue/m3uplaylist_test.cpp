#include "filefixtures.h"
#include "m3uplaylist.h"

#include <gtest/gtest.h>

namespace {

TEST(M3uPlaylistTest, EveryPathComesBackAsItsBytes)
{
    TempDir dir;
    M3uPlaylist saved;
    saved.paths = {"/music/a.mp3", "/music/caf\xe9 \xff.mp3", "/music/two\nlines 100%.mp3", "/music/#hash.mp3"};
    saved.columnWidth = 321;
    int error = -1;
    ASSERT_TRUE(saved.Write(dir.file("p.m3u8"), error));
    EXPECT_EQ(error, 0);
    int unreadable = -1;
    const M3uPlaylist read = M3uPlaylist::Read(dir.file("p.m3u8"), unreadable);
    EXPECT_EQ(read.paths, saved.paths);
    EXPECT_EQ(read.columnWidth, 321);
    EXPECT_EQ(unreadable, 0);

    // A second save replaces the first whole; a folder that is not there fails.
    saved.paths.resize(1);
    ASSERT_TRUE(saved.Write(dir.file("p.m3u8"), error));
    EXPECT_EQ(M3uPlaylist::Read(dir.file("p.m3u8"), unreadable).paths.size(), 1u);
    EXPECT_FALSE(saved.Write(dir.file("missing/p.m3u8"), error));
    EXPECT_EQ(error, ENOENT);
}

TEST(M3uPlaylistTest, ForeignAndDamagedFilesGiveWhatCanBeRead)
{
    TempDir dir;
    int unreadable = -1;
    EXPECT_TRUE(M3uPlaylist::Read(dir.file("none.m3u8"), unreadable).paths.empty());
    EXPECT_EQ(unreadable, 0);
    // A FIFO under the playlist's name reads as none, without blocking.
    {
        const FifoHangGuard fifo(dir.file("fifo.m3u8"));
        EXPECT_TRUE(M3uPlaylist::Read(dir.file("fifo.m3u8"), unreadable).paths.empty());
        EXPECT_FALSE(fifo.Rescued());
    }

    WriteFile(dir.file("foreign.m3u"), "\xEF\xBB\xBF#EXTM3U\r\n#EXTINF:123,Artist - Title\r\n"
                                       "sub/rel.mp3\r\n"
                                       "file:///music/caf%C3%A9.mp3\r\n"
                                       "https://radio.example/stream\r\n"
                                       "\x01\x02garbage\x7f\r\n"
                                       "\r\n"
                                       "/abs.mp3\r\n"
                                       "#TUNEVAULT-COLUMN:wide\r\n"
                                       "file://otherhost/x.mp3");
    const M3uPlaylist read = M3uPlaylist::Read(dir.file("foreign.m3u"), unreadable);
    EXPECT_EQ(read.paths, (std::vector<std::string>{dir.file("sub/rel.mp3"), "/music/caf\xc3\xa9.mp3", "/abs.mp3"}));
    EXPECT_EQ(read.columnWidth, -1);
    EXPECT_EQ(unreadable, 3);
}

} // namespace
